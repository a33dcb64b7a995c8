// The pilot: plays the user of z4setup.exe under Wine and writes down what it sees.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../scenario/words.h"

// One line of the pilot's script: a verb and its arguments (quoted texts already unquoted).
using Words = std::vector<std::string>;

// Everything the pilot knows about the run it drives.
struct PilotState {
    DWORD wait_ms = 20000;  // the bound on every wait
    PROCESS_INFORMATION tool{};
    bool started = false;
    bool ended = false;
    DWORD exit_code = 0;
    FILE *log = nullptr;
    // A second instance of the tool, started while the first runs.
    PROCESS_INFORMATION second{};
    bool second_started = false;
    std::string second_stdout;
};
extern PilotState pilot;

inline std::string quoted(const std::string &text) { return words::quote(text); }

// A line of the transcript the runner compares; also echoed to stderr.
void log_line(const std::string &line);
// A failure of the pilot itself or of an action: goes into the transcript as "error ...".
void log_error(const std::string &what);

// CreateProcessA, tried up to three times a second apart: under load Wine now and then fails to
// start a process at all (seen as 1359 for regedit in a CI run), which says nothing of the run.
BOOL start_process(char *command_line, BOOL inherit, const char *folder, STARTUPINFOA *si,
                   PROCESS_INFORMATION *process);

// Windows of the tool.
HWND find_dialog();          // the configuration dialog, once it is visible
HWND find_message_box();     // a visible message box of the tool, if any
HWND find_main_window();
HWND dialog_item(HWND dialog, const std::string &item);  // "203", "#6" (template position)
int control_id(HWND control);
// Whether a window is of the named class (compared as Windows compares class names).
bool is_class(HWND hwnd, const char *name);

// Lets the tool's thread work off what was posted to it; false when it stops answering.
bool settle(int rounds);
// Lets the tool work until done() holds. A sent message can overtake what was posted before
// it, so a result that posted input should bring about is waited for, within the wait bound.
template <class Done> bool settle_until(Done done)
{
    for (DWORD waited = 0;; waited += 20) {
        if (!settle(1))
            return false;
        if (done())
            return true;
        if (waited > pilot.wait_ms)
            return false;
        Sleep(20);
    }
}
// A mouse click posted as the mouse driver posts it, at a point in the window's client area.
void post_click(HWND hwnd, int x, int y);
// The dropped-down list of a combo box: a visible "ComboLBox" window of the tool, if any.
HWND dropped_list();
// A click at a combo box's centre, as a user drops its list down; the list once it is down, or
// nullptr when it did not drop within the wait.
HWND drop_down(HWND combo);
// Another click at its centre closes the list again; false when it stayed down.
bool close_up(HWND combo);
// Waits for the dialog, answering (and logging) any message box shown before it.
HWND wait_for_dialog();
// Logs and answers a message box that is up although nobody asked for one.
void answer_stray_boxes();
// Reads a box's caption and text, logs them, presses the button `button` (IDOK, IDYES, IDNO;
// 0 for Ok, or No where the box has no Ok).
bool answer_box(HWND box, int button = 0);
// The control that has the keyboard focus in the tool's thread.
HWND focused_control();

// A message sent to a window of the tool, bounded by the pilot's wait; 0 when unanswered.
LRESULT ask(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Text of a window of the tool (WM_GETTEXT goes across the process boundary).
std::string window_text(HWND hwnd);
std::vector<std::string> combo_items(HWND combo);

// The verbs.
void run_start(const Words &w);
void run_exit(const Words &w);
void run_second(const Words &w);
void run_second_exit(const Words &w);
void run_answer(const Words &w);
void run_pick(const Words &w);
void run_type(const Words &w);
void run_erase(const Words &w);
void run_focus(const Words &w);
void run_tab(const Words &w);
void run_key(const Words &w);
void run_press(const Words &w);
void run_close(const Words &w);
void run_query(const Words &w);
void run_rect(const Words &w);
void run_dpi(const Words &w);
void run_shot(const Words &w);
void run_reset(const Words &w);
void run_volatile(const Words &w);
void run_import(const Words &w);
void run_export(const Words &w);
void run_hold(const Words &w);
void run_logpixels(const Words &w);
void run_unclipped(const Words &w);
