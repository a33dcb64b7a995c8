// The dialog's control identifiers and the table that maps board slots to their controls.
#pragma once

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
bool boardZ4_control_at(int id, int *slot, int *column);

// A per-board control's identifier as the dialog calls take it.
inline int boardZ4_control_id(int slot, int column)
{
    return static_cast<int>(boardControlIds[slot][column]);
}
#endif
