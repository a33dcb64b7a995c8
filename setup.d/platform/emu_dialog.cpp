// Placeholder dialog manager until the dialog emulation is built: no dialog can be created.
#include "emu_window_internal.h"

namespace emu {
INT_PTR run_modal_dialog(const DialogCall &) { return -1; }
}  // namespace emu

BOOL WINAPI EndDialog(HWND, INT_PTR) { return FALSE; }
LRESULT WINAPI SendDlgItemMessageA(HWND, int, UINT, WPARAM, LPARAM) { return 0; }
UINT WINAPI GetDlgItemInt(HWND, int, BOOL *ok, BOOL) { if (ok) *ok = FALSE; return 0; }
BOOL WINAPI SetDlgItemInt(HWND, int, UINT, BOOL) { return FALSE; }
UINT WINAPI GetDlgItemTextA(HWND, int, LPSTR s, int n) { if (s && n > 0) *s = 0; return 0; }
BOOL WINAPI SetDlgItemTextA(HWND, int, LPCSTR) { return FALSE; }
HWND WINAPI GetDlgItem(HWND, int) { return nullptr; }
int WINAPI GetDlgCtrlID(HWND) { return 0; }
BOOL WINAPI EnableWindow(HWND, BOOL) { return FALSE; }
BOOL WINAPI IsWindowEnabled(HWND) { return FALSE; }
HWND WINAPI SetFocus(HWND) { return nullptr; }
HWND WINAPI GetFocus(void) { return nullptr; }
BOOL WINAPI InvalidateRect(HWND, LPCRECT, BOOL) { return FALSE; }
