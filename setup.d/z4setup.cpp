// Process entry: removal with "/d", otherwise the main window that runs scan, read,
// dialog and write from its own message handling.
#include "z4setup.h"

#include "board_model.h"
#include "config_dialog.h"
#include "reg_store.h"
#include "z4setup_trace.h"

HINSTANCE Z4Instance;

static const char Z4WndClass[] = "Z4WndClass";
static const char Z4Title[] = "Korvana Zentrix IV Configuration";

const char *z4_argument_text(const char *command_line)
{
    const char *p = command_line;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (static_cast<unsigned char>(*p) > ' ')
            ++p;
    }
    while (*p && static_cast<unsigned char>(*p) < 33)
        ++p;
    return p;
}

bool z4_is_removal(const char *argument_text)
{
    return argument_text[0] == '/' && (argument_text[1] == 'd' || argument_text[1] == 'D');
}

// WM_CREATE: find the numbers in use and the existing configuration before the window shows,
// then let the message loop open the dialog.
static LRESULT onCreate(HWND hwnd)
{
    getZ4_port_numbers();
    getZ4_reg_params();
    PostMessageA(hwnd, WM_COMMAND, IDM_CONFIG, 0);
    return 0;
}

// The configure command: the dialog, and on Ok the old boards out and the new ones in.
static LRESULT onConfigure(HWND hwnd)
{
    INT_PTR end = DialogBoxParamA(Z4Instance, MAKEINTRESOURCEA(IDD_CONFIG), hwnd, Z4DlgProc, 0);
    z4trace("Z4WndProc:after CONFIG ret:%d \n", static_cast<int>(end));
    if (end != 1) {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return 1;
    }
    delZ4_reg_boards();
    setZ4_reg_params();
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CALLBACK Z4WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        return onCreate(hwnd);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_CONFIG)
            return onConfigure(hwnd);
        return 0;
    case WM_DESTROY:
        z4trace("Z4WndProc:DESTROY \n");
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void resetZ4_process()
{
    resetZ4_model();
    resetZ4_value_tables();
}

int z4_run(HINSTANCE instance, const char *command_line, int show_state)
{
    Z4Instance = instance;
    if (z4_is_removal(z4_argument_text(command_line))) {
        removeZ4_config();
        return 1;
    }

    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_PARENTDC;
    wc.lpfnWndProc = Z4WndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(32512));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = Z4WndClass;
    if (!RegisterClassA(&wc))
        return 0;

    HWND hwnd = CreateWindowExA(0, Z4WndClass, Z4Title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd)
        return 0;
    ShowWindow(hwnd, show_state);
    UpdateWindow(hwnd);

    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

#ifdef _WIN32
// The argument text is taken from the full command line, not from the runtime's own cut of it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_state)
{
    return z4_run(instance, GetCommandLineA(), show_state);
}
#endif
