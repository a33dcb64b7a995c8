// The test-facing dialog user: mouse and keyboard input to an open dialog, and what it shows.
#include <algorithm>

#include "window_internal.h"

namespace emu {

namespace {

const char *kind_name(const Window &w)
{
    if (is_class(w, "ComboBox"))
        return "combo box";
    if (is_class(w, "Edit"))
        return "edit";
    if (is_push_button(w))
        return "push button";
    return w.class_name.c_str();
}

bool of_kind(const Window &w, const char *kind)
{
    if (!kind)
        return true;
    std::string k = kind;
    if (k == "push button")
        return is_push_button(w);
    if (k == "combo box")
        return is_class(w, "ComboBox");
    if (k == "edit")
        return is_class(w, "Edit");
    return false;
}

void post_to_focus(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HWND f = GetFocus();
    PostMessageA(is_child_of(f, dlg) ? f : dlg, msg, wParam, lParam);
}

}  // namespace

bool DialogUser::usable(const std::string &action) const
{
    Window *d = live_window(dlg_);
    if (!d || d->ended) {
        dialog_failure(action + ": the dialog is not open");
        return false;
    }
    if (d->style & WS_DISABLED) {
        dialog_failure(action + ": the dialog is disabled (a message box is up)");
        return false;
    }
    return true;
}

// The control a user can reach: present, visible, enabled and of the wanted kind.
HWND DialogUser::control(int id, const std::string &action, const char *kind) const
{
    if (!usable(action))
        return nullptr;
    HWND c = GetDlgItem(dlg_, id);
    Window *w = live_window(c);
    std::string what = action + ": control " + std::to_string(id);
    if (!w) {
        dialog_failure(what + " does not exist");
        return nullptr;
    }
    if (!of_kind(*w, kind)) {
        dialog_failure(what + " is a " + kind_name(*w) + ", not a " + kind);
        return nullptr;
    }
    if (!(w->style & WS_VISIBLE) || (w->style & WS_DISABLED)) {
        dialog_failure(what + " is disabled or hidden");
        return nullptr;
    }
    return c;
}

bool DialogUser::pick(int id, const std::string &item)
{
    std::string action = "pick(" + std::to_string(id) + ", \"" + item + "\")";
    HWND c = control(id, action, "combo box");
    if (!c)
        return false;
    click_combo(c);
    pump_dialog(dlg_);
    Window *w = live_window(c);
    if (!w || !w->dropped) {
        dialog_failure(action + ": the list did not open");
        return false;
    }
    auto it = std::find(w->items.begin(), w->items.end(), item);
    if (it == w->items.end()) {
        click_combo(c);  // the user gives up and closes the list
        pump_dialog(dlg_);
        dialog_failure(action + ": no such item in the list");
        return false;
    }
    click_combo_item(c, static_cast<int>(it - w->items.begin()));
    pump_dialog(dlg_);
    return true;
}

bool DialogUser::pick(int id, int index)
{
    std::string action = "pick(" + std::to_string(id) + ", " + std::to_string(index) + ")";
    HWND c = control(id, action, "combo box");
    if (!c)
        return false;
    click_combo(c);
    pump_dialog(dlg_);
    Window *w = live_window(c);
    if (!w || !w->dropped) {
        dialog_failure(action + ": the list did not open");
        return false;
    }
    if (index < 0 || index >= static_cast<int>(w->items.size())) {
        click_combo(c);
        pump_dialog(dlg_);
        dialog_failure(action + ": the list has " + std::to_string(w->items.size()) + " items");
        return false;
    }
    click_combo_item(c, index);
    pump_dialog(dlg_);
    return true;
}

bool DialogUser::click(int id)
{
    HWND c = control(id, "click(" + std::to_string(id) + ")", nullptr);
    if (!c)
        return false;
    Window *w = live_window(c);
    if (is_class(*w, "ComboBox"))
        click_combo(c);
    else if (is_class(*w, "Edit"))
        click_edit(c);
    else if (is_push_button(*w))
        click_button(c);
    // A click on a static text or a group box does nothing.
    pump_dialog(dlg_);
    return true;
}

bool DialogUser::type(int id, const std::string &chars)
{
    std::string action = "type(" + std::to_string(id) + ", \"" + chars + "\")";
    HWND c = control(id, action, "edit");
    if (!c)
        return false;
    click_edit(c);
    pump_dialog(dlg_);
    if (GetFocus() != c) {
        dialog_failure(action + ": the edit did not keep the focus");
        return false;
    }
    return keys(chars);
}

bool DialogUser::keys(const std::string &chars)
{
    for (char ch : chars) {
        if (!usable("keys(\"" + chars + "\")"))
            return false;
        post_to_focus(dlg_, WM_CHAR, static_cast<unsigned char>(ch), 1);
        pump_dialog(dlg_);
    }
    return true;
}

bool DialogUser::erase(int id)
{
    std::string action = "erase(" + std::to_string(id) + ")";
    HWND c = control(id, action, "edit");
    if (!c)
        return false;
    click_edit(c);
    pump_dialog(dlg_);
    if (GetFocus() != c) {
        dialog_failure(action + ": the edit did not keep the focus");
        return false;
    }
    SendMessageA(c, EM_SETSEL, 0, -1);
    return key(VK_DELETE);
}

bool DialogUser::focus(int id)
{
    std::string action = "focus(" + std::to_string(id) + ")";
    HWND c = control(id, action, nullptr);
    if (!c)
        return false;
    SendMessageA(dlg_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c), TRUE);
    pump_dialog(dlg_);
    if (GetFocus() != c) {
        dialog_failure(action + ": the control did not keep the focus");
        return false;
    }
    return true;
}

bool DialogUser::press(int id)
{
    HWND c = control(id, "press(" + std::to_string(id) + ")", "push button");
    if (!c)
        return false;
    click_button(c);
    pump_dialog(dlg_);
    return true;
}

bool DialogUser::key(UINT vk, bool shift)
{
    if (!usable("key(" + std::to_string(vk) + ")"))
        return false;
    shift_down = shift;
    post_to_focus(dlg_, WM_KEYDOWN, vk, 1);
    post_to_focus(dlg_, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
    pump_dialog(dlg_);
    shift_down = false;
    return true;
}

bool DialogUser::tab() { return key(VK_TAB); }
bool DialogUser::shift_tab() { return key(VK_TAB, true); }
bool DialogUser::key_enter() { return key(VK_RETURN); }
bool DialogUser::key_escape() { return key(VK_ESCAPE); }
bool DialogUser::key_space() { return key(VK_SPACE); }

bool DialogUser::close_box()
{
    if (!usable("close_box()"))
        return false;
    Window *d = live_window(dlg_);
    if ((d->style & (WS_CAPTION | WS_SYSMENU)) != (WS_CAPTION | WS_SYSMENU)) {
        dialog_failure("close_box(): the dialog has no close box");
        return false;
    }
    PostMessageA(dlg_, WM_SYSCOMMAND, SC_CLOSE, 0);
    pump_dialog(dlg_);
    return true;
}

bool DialogUser::dialog_open() const
{
    Window *d = live_window(dlg_);
    return d && !d->ended;
}

bool DialogUser::exists(int id) const { return GetDlgItem(dlg_, id) != nullptr; }

std::string DialogUser::caption() const
{
    Window *d = live_window(dlg_);
    return d ? d->text : "";
}

std::string DialogUser::text(int id) const
{
    HWND c = GetDlgItem(dlg_, id);
    if (!c)
        return "";
    std::string t(static_cast<size_t>(SendMessageA(c, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    t.resize(static_cast<size_t>(
        SendMessageA(c, WM_GETTEXT, t.size(), reinterpret_cast<LPARAM>(&t[0]))));
    return t;
}

std::vector<std::string> DialogUser::items(int id) const
{
    Window *w = live_window(GetDlgItem(dlg_, id));
    return w ? w->items : std::vector<std::string>{};
}

int DialogUser::selection(int id) const
{
    Window *w = live_window(GetDlgItem(dlg_, id));
    return w ? w->selection : -1;
}

bool DialogUser::enabled(int id) const { return IsWindowEnabled(GetDlgItem(dlg_, id)) != 0; }

bool DialogUser::visible(int id) const
{
    Window *w = live_window(GetDlgItem(dlg_, id));
    return w && (w->style & WS_VISIBLE);
}

int DialogUser::focused() const
{
    HWND f = GetFocus();
    return is_child_of(f, dlg_) ? GetDlgCtrlID(f) : 0;
}

int DialogUser::focus_to_restore() const
{
    Window *d = live_window(dlg_);
    return d && is_child_of(d->saved_focus, dlg_) ? GetDlgCtrlID(d->saved_focus) : 0;
}

bool DialogUser::is_default_button(int id) const
{
    Window *w = live_window(GetDlgItem(dlg_, id));
    return w && is_push_button(*w) && (w->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

bool DialogUser::redraw_on(int id) const
{
    Window *w = live_window(GetDlgItem(dlg_, id));
    return w && w->redraw;
}

int DialogUser::drawn_list_changes(int id) const
{
    Window *w = live_window(GetDlgItem(dlg_, id));
    return w ? w->drawn_list_changes : 0;
}

std::pair<size_t, size_t> DialogUser::edit_selection(int id) const
{
    Window *w = live_window(GetDlgItem(dlg_, id));
    return w ? std::make_pair(w->sel_start, w->sel_end) : std::make_pair(size_t{0}, size_t{0});
}

RECT DialogUser::rect(int id) const
{
    Window *w = live_window(GetDlgItem(dlg_, id));
    RECT r = {};
    if (w)
        r = {w->x, w->y, w->x + w->width, w->y + w->height};
    return r;
}

RECT DialogUser::dialog_rect() const
{
    Window *d = find_window(dlg_);
    RECT r = {};
    if (d)
        r = {d->x, d->y, d->x + d->width, d->y + d->height};
    return r;
}

int DialogUser::invalidations() const
{
    Window *d = find_window(dlg_);
    return d ? d->invalidations : 0;
}

std::vector<MessageBoxRecord> DialogUser::boxes() const
{
    Window *d = find_window(dlg_);
    const auto &all = message_boxes();
    size_t first = d ? std::min(d->first_box, all.size()) : all.size();
    return std::vector<MessageBoxRecord>(all.begin() + static_cast<long>(first), all.end());
}

const std::vector<Notification> &DialogUser::notifications() const
{
    return notifications_of(dlg_);
}

}  // namespace emu
