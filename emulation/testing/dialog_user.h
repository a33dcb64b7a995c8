// Test-facing driver of the emulated dialog manager: a test acts as the user of a modal dialog
// and looks at every control, from inside the dialog's modal loop.
//
// How a test runs a dialog. DialogBoxParamA creates the dialog from the program's template,
// sends WM_INITDIALOG, shows it (the focus goes to the first tab stop, as on Windows when
// WM_INITDIALOG returns 0) and then calls the user installed with set_dialog_user, once, with a
// DialogUser for that dialog. Inside that callback the test is the user: every action below
// is carried out synchronously, as the system's controls take the input, and the messages it
// posts are then run through the modal loop before the action returns. When the callback
// returns, the dialog must have been ended (EndDialog): DialogBoxParamA then destroys it and
// returns the end code. A dialog still open at that point (or with no user installed) cannot be
// waited for: it is destroyed, DialogBoxParamA returns -1 and dialog_failures() says why.
//
//     emu::set_dialog_user([](emu::DialogUser &u) {
//         u.pick(200, "PCI");          // Board 1's bus type, through the drop-down list
//         u.type(203, "16");           // one character at a time: "1", then "16"
//         u.key_enter();               // IDOK
//     });
//
// Actions return false, and add a line to dialog_failures(), when a user could not do them: the
// dialog is not open or is disabled (a message box is up), the control does not exist, is
// disabled or is of the wrong kind, the item is not in the list. The dialog's state is then
// unchanged. Message boxes are answered by emu::set_message_box_handler (ui_record.h; by default
// IDOK); while a box is up, open_dialog() gives the dialog to look at, e.g. to see that its
// controls have not yet moved the focus.
//
// What the actions send, as the system does (checked under Wine, tools/probes/README-dialog.md):
// - pick: a click on the combo box (the focus moves first: the old control's kill-focus
//   notifications, then CBN_SETFOCUS; then CBN_DROPDOWN), then a click on the item, which is
//   looked up by its text only now, after the drop-down notifications have been handled:
//   CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE (also when the item was already selected).
// - type: a click to the right of the edit's text (focus, EN_SETFOCUS, caret at the end), then
//   each character as WM_CHAR: EN_UPDATE, EN_CHANGE per character ('\b' deletes backwards).
// - erase: a click, the whole text selected, Delete: one EN_UPDATE, EN_CHANGE (none when the
//   edit is already empty).
// - focus: the focus as the dialog manager gives it (as Tab would: an edit selects all its
//   text); nothing else. tab/shift_tab: the next/previous enabled, visible WS_TABSTOP control,
//   wrapping; a push button reached this way becomes the default button while it has the focus.
// - press: a click on a push button: it takes the focus, then BN_CLICKED.
// - key_enter: BN_CLICKED of the focused push button if it is the default one, else command
//   IDOK (1) from the dialog manager. key_escape: IDCANCEL (2), sent. close_box: the system
//   menu's SC_CLOSE; WM_CLOSE then posts IDCANCEL. key_space on a push button clicks it.
// - key(VK_UP/VK_DOWN/VK_HOME/VK_END) on a closed drop-down list: CBN_SELENDOK, CBN_SELCHANGE
//   when the selection moves; keys(chars) on it selects the next item with that first letter.
// Programmatic changes: WM_SETTEXT (SetDlgItemTextA, SetDlgItemInt) on an edit sends EN_UPDATE
// and EN_CHANGE at once, nested in the call, even for an unchanged text or a disabled edit;
// filling or selecting combo box items by message sends nothing.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui_record.h"
#include "win32_api.h"

namespace emu {

// One WM_COMMAND the dialog procedure received.
struct Notification {
    int id = 0;          // low word of wParam: the control (or IDOK/IDCANCEL)
    int code = 0;        // high word: EN_CHANGE, CBN_SELCHANGE, BN_CLICKED, ...
    bool from_control = false;  // lParam held a control (false for the dialog manager's commands)
    int depth = 0;       // 1 when no other command was being handled, 2 inside one, ...
};

class DialogUser {
public:
    explicit DialogUser(HWND dialog = nullptr) : dlg_(dialog) {}
    HWND hwnd() const { return dlg_; }

    // ---- acting as the user
    bool pick(int id, const std::string &item);  // the item with exactly this text
    bool pick(int id, int index);
    bool click(int id);              // one click: combo box opens/closes its list, edit, button
    bool type(int id, const std::string &chars);
    bool keys(const std::string &chars);  // characters typed into whatever has the focus
    bool erase(int id);
    bool focus(int id);
    bool press(int id);
    bool tab();
    bool shift_tab();
    bool key_enter();
    bool key_escape();
    bool key_space();
    bool key(UINT vk, bool shift = false);  // WM_KEYDOWN + WM_KEYUP to the focus
    bool close_box();

    // ---- looking at the dialog
    bool dialog_open() const;        // created, shown and not yet ended
    bool exists(int id) const;
    std::string caption() const;
    std::string text(int id) const;  // a drop-down list's text is its selected item's
    std::vector<std::string> items(int id) const;
    int selection(int id) const;     // -1 when none
    bool enabled(int id) const;
    bool visible(int id) const;
    int focused() const;             // the focused control's id; 0 when no control has it
    int focus_to_restore() const;    // where the focus goes back when a box closes; 0 if none
    bool is_default_button(int id) const;
    bool redraw_on(int id) const;    // WM_SETREDRAW state
    int drawn_list_changes(int id) const;  // combo box list messages taken with redraw on
    std::pair<size_t, size_t> edit_selection(int id) const;
    RECT rect(int id) const;         // pixels; controls relative to the dialog's client area
    RECT dialog_rect() const;
    int invalidations() const;       // InvalidateRect calls on the dialog
    std::vector<MessageBoxRecord> boxes() const;  // shown since the dialog opened
    const std::vector<Notification> &notifications() const;  // since it was created

private:
    bool usable(const std::string &action) const;
    HWND control(int id, const std::string &action, const char *kind) const;
    HWND dlg_;
};

// The user of every modal dialog from now on (until replaced or ui_reset); null for none.
void set_dialog_user(std::function<void(DialogUser &)> user);

// The innermost open dialog (from anywhere, e.g. a message box handler); hwnd() is null and
// dialog_open() false when there is none.
DialogUser open_dialog();

// What a user could not do, and dialogs that could not be run or were left open, in order.
const std::vector<std::string> &dialog_failures();

}  // namespace emu
