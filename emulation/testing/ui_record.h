// Test-facing controls of the emulated message boxes, trace output, command line and help.
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "file_record.h"
#include "win32_api.h"

namespace emu {

struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string caption;
    std::string text;
    UINT style = 0;
};

// Clears message boxes, traces and handlers, and the window state (window_record.h).
void ui_reset();

// Message boxes shown so far, in order. The handler answers each (default: IDOK).
const std::vector<MessageBoxRecord> &message_boxes();
void set_message_box_handler(std::function<int(const MessageBoxRecord &)> handler);

// Lines sent with OutputDebugStringA, in order.
const std::vector<std::string> &debug_output();

// The process's command line as GetCommandLineA returns it.
void set_command_line(const std::string &line);
// The program's file as GetModuleFileNameW names it (UTF-8); "/opt/z4setup/z4setup.exe", in a
// folder that does not exist, unless a test gives another.
void set_module_path(const std::string &path);

// Every WinHelpA call.
struct HelpRequest {
    HWND owner = nullptr;
    std::string file;
    UINT command = 0;
    ULONG_PTR data = 0;
};
const std::vector<HelpRequest> &help_requests();

// The mode last given to SetErrorMode (0 before any).
UINT error_mode();

// Named mutexes (cleared by ui_reset): one that another process holds, names with a backslash
// refused as Windows NT 4.0 refuses them, the names asked for in order, the handles still open.
void mutex_reset();
void hold_mutex(const std::string &name);
void reject_global_names(bool on);
const std::vector<std::string> &mutexes_created();
int open_mutex_handles();


// The console control handler the tool set (null when none; cleared by ui_reset), and a control
// event raised as the system raises it: the handler runs on a thread of its own, which the caller
// joins; `answered` gets what it returned. A handler that calls ExitProcess ends the process.
PHANDLER_ROUTINE console_handler();
std::thread raise_console_event(DWORD type, std::function<void(BOOL)> answered = nullptr);
// Clears the console's handler and the file calls' state (file_record.h).
void console_reset();

}  // namespace emu
