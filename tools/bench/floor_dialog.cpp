// The start-up floor: the least a Win32 program does to show a modal dialog, to time the
// tool's start against. With "/main" it first makes and shows a main window that opens the
// dialog from its message loop, as the tool does; built with the tool's template
// (z4floor_template.exe) it tells the dialog's own cost from the tool's.
#include <windows.h>

#include <cstring>

static HINSTANCE floorInstance;
static const UINT FLOOR_OPEN = 40001;

static INT_PTR CALLBACK FloorDlgProc(HWND hdlg, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hdlg, LOWORD(wParam));
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

static LRESULT CALLBACK FloorWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        PostMessageA(hwnd, WM_COMMAND, FLOOR_OPEN, 0);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == FLOOR_OPEN) {
            DialogBoxParamA(floorInstance, MAKEINTRESOURCEA(100), hwnd, FloorDlgProc, 0);
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int show_state)
{
    floorInstance = instance;
    if (!strstr(arguments, "/main"))
        return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(100), nullptr, FloorDlgProc, 0));
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_PARENTDC;
    wc.lpfnWndProc = FloorWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = "Z4FloorClass";
    if (!RegisterClassA(&wc))
        return 0;
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Zentrix IV Floor", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, instance, nullptr);
    if (!hwnd)
        return 0;
    ShowWindow(hwnd, show_state);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
