// Placeholder until the dialog is built.
#include "config_dialog.h"

const uint32_t boardControlIds[4][4] = {
    {200, 201, 202, 203},
    {210, 211, 212, 213},
    {220, 221, 222, 223},
    {230, 231, 232, 233},
};

INT_PTR CALLBACK Z4DlgProc(HWND hdlg, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDC_OK)) {
        EndDialog(hdlg, 1);
        return 1;
    }
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_CANCEL)) {
        EndDialog(hdlg, 0);
        return 1;
    }
    return 0;
}
