// Emulated keyboard focus, enabling and repainting, and the activation a message box takes.
#include <strings.h>

#include "window_internal.h"

namespace {

HWND focus = nullptr;

// SetFocus refuses a window that is, or sits in, a disabled window.
bool can_take_focus(const emu::Window *w)
{
    for (; w; w = (w->style & WS_CHILD) ? emu::live_window(w->parent) : nullptr)
        if (w->style & WS_DISABLED)
            return false;
    return true;
}

}  // namespace

namespace emu {

// A handle no window has: the keyboard focus while a message box is up.
const HWND BOX_FOCUS = reinterpret_cast<HWND>(static_cast<uintptr_t>(0xB0C5));

Window *live_window(HWND hwnd)
{
    Window *w = find_window(hwnd);
    return w && !w->destroyed ? w : nullptr;
}

bool is_class(const Window &w, const char *name)
{
    return strcasecmp(w.class_name.c_str(), name) == 0;
}

bool is_push_button(const Window &w)
{
    DWORD type = w.style & BS_TYPEMASK;
    return is_class(w, "BUTTON") && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

bool is_child_of(HWND child, HWND parent)
{
    for (Window *w = live_window(child); w && (w->style & WS_CHILD); w = live_window(w->parent))
        if (w->parent == parent)
            return true;
    return false;
}

void notify_parent(const Window &control, int code)
{
    HWND self = control.hwnd;
    SendMessageA(control.parent, WM_COMMAND, MAKEWPARAM(control.id, code),
                 reinterpret_cast<LPARAM>(self));
}

HWND focus_window() { return focus; }

void forget_focus(HWND destroyed)
{
    if (focus == destroyed)
        focus = nullptr;
}

void focus_reset() { focus = nullptr; }

// The box becomes the active window: the dialog keeps in mind which control had the focus,
// that control loses it (and says so), and the box's owner is disabled while it is up.
BoxActivation message_box_opens(HWND owner)
{
    BoxActivation held;
    held.owner = owner;
    if (!open_dialogs().empty()) {
        held.dialog = open_dialogs().back();
        Window *dlg = live_window(held.dialog);
        if (dlg && is_child_of(focus, held.dialog))
            dlg->saved_focus = focus;
    }
    if (Window *o = live_window(owner)) {
        held.owner_was_enabled = !(o->style & WS_DISABLED);
        if (held.owner_was_enabled)
            EnableWindow(owner, FALSE);
    }
    HWND old = focus;
    held.previous_focus = old;
    focus = BOX_FOCUS;
    if (live_window(old))
        SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(BOX_FOCUS), 0);
    return held;
}

// The owner is enabled again and the dialog, active once more, gives the focus back.
void message_box_closes(const BoxActivation &held)
{
    if (held.owner_was_enabled && live_window(held.owner))
        EnableWindow(held.owner, TRUE);
    if (focus == BOX_FOCUS)
        focus = nullptr;
    Window *dlg = live_window(held.dialog);
    if (dlg && !dlg->ended) {
        HWND back = dlg->saved_focus;
        dlg->saved_focus = nullptr;
        if (is_child_of(back, held.dialog))
            SetFocus(back);
    } else if (!held.dialog && live_window(held.previous_focus)) {
        SetFocus(held.previous_focus);
    }
}

}  // namespace emu

// The old window hears WM_KILLFOCUS first, with the focus already moved; then the new one
// hears WM_SETFOCUS. Giving the focus to the window that has it sends nothing.
HWND WINAPI SetFocus(HWND hWnd)
{
    HWND old = focus;
    if (hWnd) {
        emu::Window *w = emu::live_window(hWnd);
        if (!w || !can_take_focus(w))
            return nullptr;
        if (hWnd == old)
            return old;
    }
    focus = hWnd;
    if (emu::live_window(old)) {
        SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
        if (focus != hWnd)
            return old;  // moved on while the old window was told
    }
    if (hWnd)
        SendMessageA(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND WINAPI GetFocus(void) { return focus; }

// Returns whether the window was disabled before. A disabled window cannot keep the focus.
BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable)
{
    emu::Window *w = emu::live_window(hWnd);
    if (!w)
        return FALSE;
    bool was_disabled = (w->style & WS_DISABLED) != 0;
    if (bEnable && was_disabled) {
        w->style &= ~static_cast<DWORD>(WS_DISABLED);
        SendMessageA(hWnd, WM_ENABLE, TRUE, 0);
    } else if (!bEnable && !was_disabled) {
        w->style |= WS_DISABLED;
        if (focus == hWnd)
            SetFocus(nullptr);
        SendMessageA(hWnd, WM_ENABLE, FALSE, 0);
    }
    return was_disabled;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd)
{
    emu::Window *w = emu::live_window(hWnd);
    return w && !(w->style & WS_DISABLED);
}

// Nothing is drawn; a dialog counts its invalidations so that repaint requests can be seen.
BOOL WINAPI InvalidateRect(HWND hWnd, LPCRECT, BOOL)
{
    if (!hWnd)
        return TRUE;
    emu::Window *w = emu::live_window(hWnd);
    if (!w)
        return FALSE;
    ++w->invalidations;
    return TRUE;
}
