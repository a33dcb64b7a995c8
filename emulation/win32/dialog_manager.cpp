// Emulated dialog manager: a modal dialog built from its template, the default dialog
// procedure, keyboard navigation, the modal loop, and the dialog item functions.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>

#include "window_internal.h"

namespace {

std::vector<HWND> open;
std::function<void(emu::DialogUser &)> user;
std::vector<std::string> failures;
std::map<HWND, std::vector<emu::Notification>> commands;
int command_depth = 0;

// 8 point "MS Sans Serif" at 96 DPI: 6 pixels per 4 horizontal units, 13 per 8 vertical ones.
constexpr int BASE_X = 6, BASE_Y = 13;

// MulDiv: the product divided with rounding half away from zero.
int mul_div(int value, int numerator, int denominator)
{
    long long p = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    return static_cast<int>(p >= 0 ? (p + half) / denominator : (p - half) / denominator);
}
int to_px_x(int units) { return mul_div(units, BASE_X, 4); }
int to_px_y(int units) { return mul_div(units, BASE_Y, 8); }

std::vector<emu::Window *> children(HWND dlg)
{
    std::vector<emu::Window *> out;
    for (auto &w : emu::all_windows())
        if (!w->destroyed && (w->style & WS_CHILD) && w->parent == dlg)
            out.push_back(w.get());
    return out;
}

bool takes_tab(const emu::Window &w)
{
    return (w.style & WS_TABSTOP) && (w.style & WS_VISIBLE) && !(w.style & WS_DISABLED);
}

bool dialog_live(HWND dlg)
{
    emu::Window *d = emu::live_window(dlg);
    return d && !d->ended;
}

// The push button with the focus is the default one while it has it; when the focus is
// elsewhere, the button of the dialog's default command is (if there is one).
void mark_default_button(HWND dlg, HWND focus_target)
{
    emu::Window *d = emu::live_window(dlg);
    emu::Window *t = emu::live_window(focus_target);
    if (!d)
        return;
    bool focus_on_button = t && emu::is_push_button(*t);
    for (emu::Window *c : children(dlg)) {
        if (!emu::is_push_button(*c))
            continue;
        bool should = focus_on_button ? c->hwnd == focus_target : c->id == d->def_id;
        bool is = (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        if (should != is)
            SendMessageA(c->hwnd, BM_SETSTYLE, should ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
}

// The dialog manager gives the focus: an edit selects its whole text first.
void give_focus(HWND dlg, HWND target)
{
    mark_default_button(dlg, target);
    if (SendMessageA(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageA(target, EM_SETSEL, 0, -1);
    SetFocus(target);
}

HWND create_dialog(const emu::DialogTemplate &t, const emu::DialogCall &call)
{
    if (t.item_count != static_cast<int>(t.items.size())) {
        emu::dialog_failure("template " + std::to_string(t.id) + " states " +
                            std::to_string(t.item_count) + " items but holds " +
                            std::to_string(t.items.size()));
        return nullptr;
    }
    HWND dlg = CreateWindowExA(0, "#32770", t.caption, t.style & ~static_cast<DWORD>(WS_VISIBLE),
                               to_px_x(t.x), to_px_y(t.y), to_px_x(t.width), to_px_y(t.height),
                               call.owner, nullptr, nullptr, nullptr);
    if (!dlg) {
        emu::dialog_failure("the dialog window of template " + std::to_string(t.id) +
                            " could not be created");
        return nullptr;
    }
    emu::Window *d = emu::live_window(dlg);
    d->dlg_proc = call.proc;
    d->first_box = emu::message_boxes().size();
    SendMessageA(dlg, WM_SETFONT, 0, FALSE);
    for (const auto &item : t.items) {
        HMENU id = reinterpret_cast<HMENU>(static_cast<uintptr_t>(static_cast<WORD>(item.id)));
        HWND c = CreateWindowExA(0, item.class_name, item.text, item.style, to_px_x(item.x),
                                 to_px_y(item.y), to_px_x(item.width), to_px_y(item.height), dlg,
                                 id, nullptr, nullptr);
        if (!c) {
            emu::dialog_failure(std::string("control ") + std::to_string(item.id) + " (" +
                                item.class_name + ") of template " + std::to_string(t.id) +
                                " could not be created");
            DestroyWindow(dlg);
            return nullptr;
        }
        SendMessageA(c, WM_SETFONT, 0, FALSE);
    }
    return dlg;
}

// Shows the dialog and lets its user act; false when there was no user to do so.
bool show_and_run(HWND dlg, const emu::DialogTemplate &t)
{
    emu::Window *d = emu::live_window(dlg);
    if (!(t.style & WS_VISIBLE))
        return true;
    d->style |= WS_VISIBLE;
    ShowWindow(dlg, SW_SHOWNORMAL);
    // Activation: when WM_INITDIALOG left no control focused, the first tab stop gets it.
    if (!emu::is_child_of(GetFocus(), dlg))
        if (HWND first = GetNextDlgTabItem(dlg, nullptr, FALSE))
            SetFocus(first);
    emu::pump_dialog(dlg);
    if (!dialog_live(dlg))
        return true;
    if (!user)
        return false;
    auto act = user;  // the user may install another one for later dialogs
    emu::DialogUser u(dlg);
    act(u);
    emu::pump_dialog(dlg);
    return true;
}

}  // namespace

namespace emu {

std::vector<HWND> &open_dialogs() { return open; }
bool shift_down = false;

void dialog_reset()
{
    open.clear();
    user = nullptr;
    failures.clear();
    commands.clear();
    command_depth = 0;
    shift_down = false;
    focus_reset();
}

void dialog_failure(const std::string &what) { failures.push_back(what); }
const std::vector<std::string> &dialog_failures() { return failures; }
void set_dialog_user(std::function<void(DialogUser &)> u) { user = std::move(u); }

DialogUser open_dialog() { return DialogUser(open.empty() ? nullptr : open.back()); }

const std::vector<Notification> &notifications_of(HWND dlg) { return commands[dlg]; }

void pump_dialog(HWND dlg)
{
    MSG m;
    while (dialog_live(dlg) && take_posted(m))
        if (!IsDialogMessageA(dlg, &m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
}

// The default dialog procedure around the program's own.
LRESULT CALLBACK dialog_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window *d = live_window(hwnd);
    if (!d)
        return 0;
    INT_PTR handled = 0;
    if (DLGPROC proc = d->dlg_proc) {
        bool command = msg == WM_COMMAND;
        if (command)
            commands[hwnd].push_back(
                {LOWORD(wParam), HIWORD(wParam), lParam != 0, command_depth + 1});
        command_depth += command;
        handled = proc(hwnd, msg, wParam, lParam);
        command_depth -= command;
    }
    if (msg == WM_INITDIALOG || handled)
        return handled;
    if (!(d = live_window(hwnd)))
        return 0;
    switch (msg) {
    case WM_CLOSE: {
        // The close box posts IDCANCEL, unless a disabled Cancel button says it may not.
        HWND cancel = GetDlgItem(hwnd, IDCANCEL);
        if (cancel && !IsWindowEnabled(cancel))
            return 0;
        PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case WM_NEXTDLGCTL: {
        HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : GetNextDlgTabItem(hwnd, GetFocus(), wParam != 0);
        if (target && is_child_of(target, hwnd))
            give_focus(hwnd, target);
        return 0;
    }
    case DM_GETDEFID:
        return d->def_id ? static_cast<LRESULT>(MAKEWPARAM(d->def_id, DC_HASDEFID)) : 0;
    case DM_SETDEFID:
        d->def_id = static_cast<int>(wParam);
        mark_default_button(hwnd, GetFocus());
        return TRUE;
    case WM_SETFOCUS:
        // The dialog itself passes the focus on to its control, unless it is ending.
        if (!d->ended) {
            HWND back = is_child_of(d->saved_focus, hwnd) ? d->saved_focus
                                                          : GetNextDlgTabItem(hwnd, nullptr, FALSE);
            d->saved_focus = nullptr;
            if (back)
                SetFocus(back);
        }
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

INT_PTR run_modal_dialog(const DialogCall &call)
{
    const DialogTemplate *t = find_dialog_template(call.template_id);
    if (!t) {
        dialog_failure("no dialog template " + std::to_string(call.template_id));
        return -1;
    }
    HWND dlg = create_dialog(*t, call);
    if (!dlg)
        return -1;
    open.push_back(dlg);
    bool owner_disabled = false;
    if (Window *o = live_window(call.owner))
        if (!(o->style & WS_DISABLED)) {
            EnableWindow(call.owner, FALSE);
            owner_disabled = true;
        }

    HWND first = GetNextDlgTabItem(dlg, nullptr, FALSE);
    LRESULT wants_focus = SendMessageA(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first),
                                       call.param);
    if (wants_focus && dialog_live(dlg))
        if (HWND f = GetNextDlgTabItem(dlg, nullptr, FALSE))
            give_focus(dlg, f);
    bool had_user = true;
    if (dialog_live(dlg))
        had_user = show_and_run(dlg, *t);

    INT_PTR result = -1;
    if (Window *d = live_window(dlg)) {
        if (d->ended)
            result = d->end_code;
        else if (!had_user)
            dialog_failure("dialog " + std::to_string(t->id) +
                           " opened but no user was set to act in it; it was destroyed");
        else
            dialog_failure("dialog " + std::to_string(t->id) +
                           " was still open when its user was done; it was destroyed");
    } else {
        dialog_failure("dialog " + std::to_string(t->id) + " was destroyed without EndDialog");
    }
    if (owner_disabled && live_window(call.owner))
        EnableWindow(call.owner, TRUE);
    if (live_window(dlg))
        DestroyWindow(dlg);
    // The owner is active again.
    if (live_window(call.owner) && IsWindowEnabled(call.owner))
        SetFocus(call.owner);
    return result;
}

}  // namespace emu

// Marks the dialog as ended; the modal loop stops before its next message. The focus leaves
// the controls for the dialog itself at once (the focused control hears it), as on Windows.
BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult)
{
    emu::Window *d = emu::live_window(hDlg);
    if (!d || !emu::is_class(*d, "#32770"))
        return FALSE;
    d->ended = true;
    d->end_code = nResult;
    if (emu::live_window(d->parent))
        EnableWindow(d->parent, TRUE);
    if (emu::is_child_of(GetFocus(), hDlg))
        SetFocus(hDlg);
    if ((d = emu::live_window(hDlg)) != nullptr) {
        d->style &= ~static_cast<DWORD>(WS_VISIBLE);
        d->show_state = SW_HIDE;
    }
    PostMessageA(hDlg, WM_NULL, 0, 0);
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    for (emu::Window *c : children(hDlg))
        if (c->id == nIDDlgItem)
            return c->hwnd;
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd)
{
    emu::Window *w = emu::live_window(hWnd);
    return w && (w->style & WS_CHILD) ? w->id : 0;
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                   LPARAM lParam)
{
    HWND c = GetDlgItem(hDlg, nIDDlgItem);
    return c ? SendMessageA(c, Msg, wParam, lParam) : 0;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax)
{
    if (lpString && cchMax > 0)
        *lpString = '\0';
    return static_cast<UINT>(SendDlgItemMessageA(hDlg, nIDDlgItem, WM_GETTEXT,
                                                 static_cast<WPARAM>(cchMax),
                                                 reinterpret_cast<LPARAM>(lpString)));
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString)
{
    return static_cast<BOOL>(
        SendDlgItemMessageA(hDlg, nIDDlgItem, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

BOOL WINAPI SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned)
{
    char text[16];
    if (bSigned)
        std::snprintf(text, sizeof text, "%d", static_cast<int>(uValue));
    else
        std::snprintf(text, sizeof text, "%u", uValue);
    return SetDlgItemTextA(hDlg, nIDDlgItem, text);
}

// Read as Wine reads it (tools/probes/README-dialog.md): strtoul, or strtol when signed, with
// 32-bit longs. White space, a sign, decimal digits, and whatever follows them is ignored; no
// digit, or a number out of range, gives 0 untranslated. Unsigned, a minus negates modulo 2^32.
UINT WINAPI GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL *lpTranslated, BOOL bSigned)
{
    if (lpTranslated)
        *lpTranslated = FALSE;
    HWND c = GetDlgItem(hDlg, nIDDlgItem);
    if (!c)
        return 0;
    std::string text(static_cast<size_t>(SendMessageA(c, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    text.resize(static_cast<size_t>(
        SendMessageA(c, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    const char *p = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return 0;
    // The digits are all read, as strtoul does, even past the point where the value overflows.
    const unsigned long long limit = !bSigned ? 0xFFFFFFFFull
                                     : negative ? 0x80000000ull
                                                : 0x7FFFFFFFull;
    unsigned long long magnitude = 0;
    bool overflow = false;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
        if (magnitude > limit) {
            overflow = true;
            magnitude = limit;
        }
    }
    if (overflow)
        return 0;
    if (lpTranslated)
        *lpTranslated = TRUE;
    UINT value = static_cast<UINT>(magnitude);
    return negative ? 0u - value : value;
}

// The next (or previous) enabled, visible tab stop after hCtl, wrapping round.
HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    std::vector<emu::Window *> kids = children(hDlg);
    int n = static_cast<int>(kids.size());
    int from = bPrevious ? n : -1;
    for (int i = 0; i < n; ++i)
        if (kids[static_cast<size_t>(i)]->hwnd == hCtl)
            from = i;
    for (int k = 1; k <= n; ++k) {
        int i = bPrevious ? ((from - k) % n + n) % n : (from + k) % n;
        if (takes_tab(*kids[static_cast<size_t>(i)]))
            return kids[static_cast<size_t>(i)]->hwnd;
    }
    return nullptr;
}

// Tab, Enter and Esc belong to the dialog unless the focused control asks for them.
BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG lpMsg)
{
    if (!lpMsg || (lpMsg->hwnd != hDlg && !emu::is_child_of(lpMsg->hwnd, hDlg)))
        return FALSE;
    if (lpMsg->message == WM_KEYDOWN) {
        LRESULT code = SendMessageA(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam,
                                    reinterpret_cast<LPARAM>(lpMsg));
        if (!(code & DLGC_WANTMESSAGE)) {
            switch (lpMsg->wParam) {
            case VK_TAB:
                if (code & DLGC_WANTTAB)
                    break;
                SendMessageA(hDlg, WM_NEXTDLGCTL, emu::shift_down, 0);
                return TRUE;
            case VK_ESCAPE:
                SendMessageA(hDlg, WM_COMMAND, IDCANCEL,
                             reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
                return TRUE;
            case VK_RETURN: {
                HWND f = GetFocus();
                if (emu::is_child_of(f, hDlg) &&
                    (SendMessageA(f, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
                    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(f), BN_CLICKED),
                                 reinterpret_cast<LPARAM>(f));
                } else {
                    LRESULT def = SendMessageA(hDlg, DM_GETDEFID, 0, 0);
                    int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
                    HWND button = GetDlgItem(hDlg, id);
                    if (!button || IsWindowEnabled(button))
                        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                     reinterpret_cast<LPARAM>(button));
                }
                return TRUE;
            }
            default:
                break;
            }
        }
    }
    DispatchMessageA(lpMsg);
    return TRUE;
}
