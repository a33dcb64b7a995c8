// The emulated window manager's own model, shared by its source files (not by tests).
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "emu_window.h"

namespace emu {

struct Window {
    HWND hwnd = nullptr;
    std::string class_name;
    std::string text;
    DWORD style = 0;
    DWORD ex_style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parent = nullptr;
    int id = 0;              // child control identifier (the hMenu argument)
    WNDPROC proc = nullptr;
    int show_state = -1;
    bool destroyed = false;
};

// Windows in creation order; a handle stays valid (as a destroyed record) until window_reset.
Window *find_window(HWND hwnd);
Window &new_window();
const std::vector<std::unique_ptr<Window>> &all_windows();

// Synchronous delivery to the window's procedure; 0 for a missing or destroyed window.
LRESULT deliver(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace emu
