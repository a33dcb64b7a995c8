// The start-up floor: the least a Win32 program does to show a modal dialog, to time the
// tool's start against.
#include <windows.h>

static INT_PTR CALLBACK FloorDlgProc(HWND hdlg, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hdlg, LOWORD(wParam));
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(100), nullptr, FloorDlgProc, 0));
}
