// The emulated window manager's own model, shared by its source files (not by tests).
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "dialog_user.h"
#include "window_record.h"

namespace emu {

// A dialog template as the program's resources hold it (dialog units, template order).
struct DialogItemTemplate {
    int id;
    const char *class_name;
    DWORD style;
    int x, y, width, height;
    const char *text;
};
struct DialogTemplate {
    int id;
    DWORD style;
    int x, y, width, height;
    const char *caption;
    int font_points;
    const char *font_name;
    int item_count;  // as the template header states it
    std::vector<DialogItemTemplate> items;
};
const DialogTemplate *find_dialog_template(int id);

struct Window {
    HWND hwnd = nullptr;
    std::string class_name;
    std::string text;
    DWORD style = 0;
    DWORD ex_style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parent = nullptr;   // the parent of a child, the owner of a popup
    int id = 0;              // child control identifier (the hMenu argument)
    WNDPROC proc = nullptr;
    int show_state = -1;
    bool destroyed = false;

    // Controls: a combo box's list and selection, an edit's selection, a button held down.
    std::vector<std::string> items;
    int selection = -1;
    bool dropped = false;
    size_t sel_start = 0, sel_end = 0;  // the caret sits at sel_end
    bool redraw = true;
    int drawn_list_changes = 0;  // list messages a combo box took while drawing (WM_SETREDRAW on)
    bool pushed = false;

    // Dialogs.
    DLGPROC dlg_proc = nullptr;
    bool ended = false;
    INT_PTR end_code = 0;
    HWND saved_focus = nullptr;  // where the focus goes back when the dialog is active again
    int def_id = IDOK;           // the dialog's default command (DM_GETDEFID)
    int invalidations = 0;
    size_t first_box = 0;        // message boxes shown before the dialog opened
};

// Windows in creation order; a handle stays valid (as a destroyed record) until window_reset.
Window *find_window(HWND hwnd);
Window &new_window();
const std::vector<std::unique_ptr<Window>> &all_windows();

// Synchronous delivery to the window's procedure; 0 for a missing or destroyed window.
LRESULT deliver(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Takes the oldest posted message off the queue; false when there is none.
bool take_posted(MSG &msg);

// The system's window classes (button, edit, combo box, static, dialog): their procedures.
WNDPROC system_class(const std::string &name, std::string *canonical_name);
LRESULT CALLBACK button_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK edit_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK combo_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK static_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK dialog_proc(HWND, UINT, WPARAM, LPARAM);

// A live (not destroyed) window of the given class (case-insensitive), else null.
Window *live_window(HWND hwnd);
bool is_class(const Window &w, const char *name);
bool is_push_button(const Window &w);
bool is_child_of(HWND child, HWND parent);

// A control tells its parent: WM_COMMAND with its identifier and the code, sent at once.
void notify_parent(const Window &control, int code);

// The keyboard focus as the platform keeps it; the focus a message box holds is no window
// of this thread's dialogs.
HWND focus_window();
void forget_focus(HWND destroyed);
void focus_reset();
extern const HWND BOX_FOCUS;

// The modal dialog's loop: posted messages through IsDialogMessageA until it ends.
void pump_dialog(HWND dlg);
// Open dialogs, innermost last.
std::vector<HWND> &open_dialogs();
// The shift key as the dialog manager reads it for Tab.
extern bool shift_down;

// User input the driver produces, as the controls take it from the mouse.
void click_combo(HWND combo);                 // toggles the list (focus first)
void click_combo_item(HWND combo, int index); // picks from the dropped list
void click_edit(HWND edit);                   // focus, caret to the right of the text
void click_button(HWND button);               // focus, then BN_CLICKED

// A message box takes the activation from the dialog and gives it back when it closes.
struct BoxActivation {
    HWND dialog = nullptr;
    HWND owner = nullptr;
    bool owner_was_enabled = false;
    HWND previous_focus = nullptr;
};
BoxActivation message_box_opens(HWND owner);
void message_box_closes(const BoxActivation &held);

// Clears the dialog manager's own state (called by window_reset).
void dialog_reset();
void dialog_failure(const std::string &what);
const std::vector<Notification> &notifications_of(HWND dlg);

}  // namespace emu
