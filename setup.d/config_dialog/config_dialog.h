// The configuration dialog's procedures: the dialog procedure, the refresh, the change handler
// and the validation on Ok.
#pragma once

#include "platform.h"

#include "config_dialog_ids.h"

INT_PTR CALLBACK Z4DlgProc(HWND hdlg, UINT msg, WPARAM wParam, LPARAM lParam);
int refreshZ4_dialog(HWND hdlg);
void onZ4_board_control(HWND hdlg, WPARAM wParam);
int checkZ4_dialog(HWND hdlg);
// The Help button: the help file beside the exe at its contents, or the dialog's own help.
void showZ4_help(HWND hdlg);
