// Keeps CurrentZ4config in step with the per-board controls while the user works.
#include <cstring>

#include "board_model.h"
#include "config_dialog.h"
#include "trace.h"

// Switching a slot to ISA: address and ports from the registry's ISA record for the slot, else
// the defaults; the interrupt of the first other ISA slot in the dialog, else of the first ISA
// board in the registry, else the default.
static void switchToIsa(int s)
{
    BoardConfig &rec = CurrentZ4config[s];
    const BoardConfig &reg = RegistryZ4config[s];
    rec.BusType = BUS_ISA;
    rec.Enabled = 1;
    if (reg.BusType == BUS_ISA) {
        rec.IOAddr = reg.IOAddr;
        rec.NumPorts = reg.NumPorts;
    } else {
        rec.IOAddr = DefaultZ4config[s].IOAddr;
        rec.NumPorts = DefaultZ4config[s].NumPorts;
    }
    rec.Interrupt = DefaultZ4config[s].Interrupt;
    for (int j = 0; j < Z4_SLOTS; ++j)
        if (RegistryZ4config[j].BusType == BUS_ISA) {
            rec.Interrupt = RegistryZ4config[j].Interrupt;
            break;
        }
    for (int j = 0; j < Z4_SLOTS; ++j)
        if (j != s && CurrentZ4config[j].BusType == BUS_ISA) {
            rec.Interrupt = CurrentZ4config[j].Interrupt;
            break;
        }
}

static void onBusType(HWND hdlg, int s, int id)
{
    char text[5];
    GetDlgItemTextA(hdlg, id, text, sizeof text);
    BoardConfig &rec = CurrentZ4config[s];
    // Focus and drop-down notifications, and picking the type shown, change nothing.
    if (std::strcmp(text, busTypeNames[shownBusType(rec.BusType)]) == 0)
        return;
    z4trace("Bustype changed to :%s:\n", text);
    if (std::strcmp(text, busTypeNames[BUS_NONE]) == 0) {
        rec = BoardConfig{BUS_NONE, 0, 0, 0, 0};
    } else if (std::strcmp(text, busTypeNames[BUS_PCI]) == 0) {
        rec.BusType = BUS_PCI;
        rec.IOAddr = 0;
        rec.Interrupt = 0;
        rec.Enabled = 1;
        rec.NumPorts = RegistryZ4config[s].BusType == BUS_PCI ? RegistryZ4config[s].NumPorts : 0;
    } else if (std::strcmp(text, busTypeNames[BUS_ISA]) == 0) {
        switchToIsa(s);
    }
    refreshZ4_dialog(hdlg);
}

// Every slot of the same bus type shares the interrupt just read.
static void onInterrupt(HWND hdlg, int s, int id)
{
    BoardConfig &rec = CurrentZ4config[s];
    rec.Interrupt = GetDlgItemInt(hdlg, id, nullptr, FALSE);
    for (int j = 0; j < Z4_SLOTS; ++j)
        if (j != s && CurrentZ4config[j].BusType == rec.BusType)
            CurrentZ4config[j].Interrupt = rec.Interrupt;
    refreshZ4_dialog(hdlg);
}

static void onAddress(HWND hdlg, int s, int id)
{
    char text[5];
    GetDlgItemTextA(hdlg, id, text, sizeof text);
    CurrentZ4config[s].IOAddr = hex_to_int(text);
}

static void onPortCount(HWND hdlg, int s, int id)
{
    CurrentZ4config[s].NumPorts = GetDlgItemInt(hdlg, id, nullptr, FALSE);
}

void onZ4_board_control(HWND hdlg, WPARAM wParam)
{
    int id = LOWORD(wParam);
    int s, column;
    if (!boardControlAt(id, &s, &column))
        return;
    switch (column) {
    case COL_BUS_TYPE:
        onBusType(hdlg, s, id);
        break;
    case COL_IRQ:
        onInterrupt(hdlg, s, id);
        break;
    case COL_IO_ADDR:
        onAddress(hdlg, s, id);
        break;
    case COL_NUM_PORTS:
        onPortCount(hdlg, s, id);
        break;
    }
}
