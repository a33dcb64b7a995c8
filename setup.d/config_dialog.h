// The configuration dialog: identifiers, the per-board control table and its procedures.
#pragma once

#include "platform.h"

#define IDD_CONFIG 100
#define IDC_OK 101
#define IDC_CANCEL 102
#define IDC_HELP 110
#define IDC_DEVICE_SUFFIX 240
#define IDC_LOGICAL_SUFFIX 250

#ifndef RC_INVOKED
#include <cstdint>

enum { COL_BUS_TYPE = 0, COL_IRQ = 1, COL_IO_ADDR = 2, COL_NUM_PORTS = 3 };

// Row = board slot, column = control kind; identifier = 200 + 10 * slot + column.
extern const uint32_t boardControlIds[4][4];

// Slot and column of one of the sixteen per-board controls; false for any other identifier.
bool boardControlAt(int id, int *slot, int *column);

// The bus type a slot is shown with: codes other than ISA and PCI show as None.
uint32_t shownBusType(uint32_t busType);

INT_PTR CALLBACK Z4DlgProc(HWND hdlg, UINT msg, WPARAM wParam, LPARAM lParam);
int refreshZ4_dialog(HWND hdlg);
void onZ4_board_control(HWND hdlg, WPARAM wParam);
int checkZ4_dialog(HWND hdlg);
#endif
