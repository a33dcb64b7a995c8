// Test-facing controls of the emulated window manager: classes, windows, the dialog call.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32_api.h"

namespace emu {

// Clears classes, windows and the message queue (called by ui_reset).
void window_reset();

// Every window created (main window, dialogs and their controls), in creation order.
struct WindowRecord {
    HWND hwnd = nullptr;
    std::string class_name;
    std::string title;
    DWORD style = 0;
    DWORD ex_style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parent = nullptr;
    int show_state = -1;  // last ShowWindow argument, -1 before any
    bool destroyed = false;
    int id = 0;           // a control's identifier (0xFFFF for the template's -1)
};
std::vector<WindowRecord> windows();

struct ClassRecord {
    std::string name;
    UINT style = 0;
    int cls_extra = 0, wnd_extra = 0;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    const char *menu = nullptr;
};
std::vector<ClassRecord> window_classes();

// Fail RegisterClassA or CreateWindowExA, to test the start-up's exits.
void fail_register_class(bool on);
void fail_create_window(bool on);

// Every DialogBoxParamA call.
struct DialogCall {
    HWND owner = nullptr;
    int template_id = -1;
    DLGPROC proc = nullptr;
    LPARAM param = 0;
};
const std::vector<DialogCall> &dialog_calls();

// When set, DialogBoxParamA calls this instead of running the dialog and returns its result.
// Without it the emulated dialog manager runs the dialog (dialog_user.h).
void set_dialog_stand_in(std::function<INT_PTR(const DialogCall &)> stand_in);

}  // namespace emu
