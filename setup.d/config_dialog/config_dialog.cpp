// The dialog procedure, its initialisation and the refresh of the four board columns.
#include "config_dialog.h"

#include <cstdio>
#include <cstring>

#include "board_model.h"
#include "config_dialog_rules.h"
#include "z4setup_trace.h"

// Empties a combo box and fills it from the list, selecting the entry equal to `value`.
// Drawing stays off meanwhile: the address list has 79 entries.
static void fillZ4_choices(HWND hdlg, int id, OptionList list, const char *value, bool traceEntries)
{
    SendDlgItemMessageA(hdlg, id, WM_SETREDRAW, FALSE, 0);
    SendDlgItemMessageA(hdlg, id, CB_RESETCONTENT, 0, 0);
    for (int k = 0; k < list.count; ++k) {
        const char *s = list.items[k];
        if (traceEntries)
            traceZ4_line("adding 0x%x :%s:\n",
                    static_cast<unsigned>(reinterpret_cast<uintptr_t>(&list.items[k])), s);
        LRESULT index = SendDlgItemMessageA(hdlg, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
        if (std::strcmp(s, value) == 0)
            SendDlgItemMessageA(hdlg, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    SendDlgItemMessageA(hdlg, id, WM_SETREDRAW, TRUE, 0);
}

// A control the dialog does not hold is passed over.
static void enableZ4_control(HWND hdlg, int id, bool on)
{
    HWND control = GetDlgItem(hdlg, id);
    if (!control)
        return;
    EnableWindow(control, on);
    traceZ4_line("Enable combo box %d\n", id);
}

int refreshZ4_dialog(HWND hdlg)
{
    char value[16];
    for (int i = 0; i < Z4_SLOTS; ++i) {
        const BoardConfig &rec = CurrentZ4config[i];
        uint32_t t = rec.BusType;
        uint32_t shown = shownZ4_bus_type(t);
        traceZ4_line("CurrentZ4config[%d].BusType=%d\n", i, static_cast<int>(t));
        SendDlgItemMessageA(hdlg, boardZ4_control_id(i, COL_BUS_TYPE), CB_SETCURSEL, shown, 0);

        traceZ4_line("tmpsym=%d bdindex=%d", boardZ4_control_id(i, COL_IRQ), i);
        std::snprintf(value, sizeof value, "%d", static_cast<int>(rec.Interrupt));
        fillZ4_choices(hdlg, boardZ4_control_id(i, COL_IRQ), interruptZ4_choices(t), value, true);

        traceZ4_line("tmpsym=%d bdindex=%d", boardZ4_control_id(i, COL_IO_ADDR), i);
        std::snprintf(value, sizeof value, "%X", static_cast<unsigned>(rec.IOAddr));
        fillZ4_choices(hdlg, boardZ4_control_id(i, COL_IO_ADDR), addressZ4_choices(t), value, false);

        // Showing a number makes the edit notify at once: the handler stores it back, nested.
        if (shown == BUS_NONE)
            SetDlgItemTextA(hdlg, boardZ4_control_id(i, COL_NUM_PORTS), "");
        else
            SetDlgItemInt(hdlg, boardZ4_control_id(i, COL_NUM_PORTS), rec.NumPorts, FALSE);
        traceZ4_line("CurrentZ4config[%d].BusType=%d\n", i, static_cast<int>(t));

        enableZ4_control(hdlg, boardZ4_control_id(i, COL_IRQ), shown == BUS_ISA);
        enableZ4_control(hdlg, boardZ4_control_id(i, COL_IO_ADDR), shown == BUS_ISA);
        enableZ4_control(hdlg, boardZ4_control_id(i, COL_NUM_PORTS), shown != BUS_NONE);
    }
    InvalidateRect(hdlg, nullptr, TRUE);
    return 0;
}

// WM_INITDIALOG: the bus type lists, the two numbering fields, then the board columns.
static void initZ4_dialog(HWND hdlg)
{
    for (int i = 0; i < Z4_SLOTS; ++i) {
        int c = boardZ4_control_id(i, COL_BUS_TYPE);
        SendDlgItemMessageA(hdlg, c, CB_RESETCONTENT, 0, 0);
        traceZ4_line("bustypesymbol=%d bdindex=%d:", c, i);
        for (int j = 0; j < BUS_TYPE_COUNT; ++j) {
            traceZ4_line("i=%d :%s:", j, busTypeNames[j]);
            SendDlgItemMessageA(hdlg, c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(busTypeNames[j]));
        }
        const char *name = busTypeNames[shownZ4_bus_type(CurrentZ4config[i].BusType)];
        traceZ4_line("def name index=%d name=%s:", static_cast<int>(CurrentZ4config[i].BusType), name);
        SendDlgItemMessageA(hdlg, c, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(name));
    }

    uint32_t logical, device;
    initialZ4_suffixes(&logical, &device);
    SetDlgItemInt(hdlg, IDC_LOGICAL_SUFFIX, logical, FALSE);
    SetDlgItemInt(hdlg, IDC_DEVICE_SUFFIX, device, FALSE);

    refreshZ4_dialog(hdlg);
}

// WM_COMMAND: the notification code is never looked at.
static INT_PTR onZ4_command(HWND hdlg, WPARAM wParam)
{
    int id = LOWORD(wParam);
    int slot, column;
    switch (id) {
    case IDOK:
    case IDC_OK:
        if (checkZ4_dialog(hdlg) >= 0) {
            EndDialog(hdlg, 1);
            return 1;
        }
        return 0;
    case IDCANCEL:
    case IDC_CANCEL:
        EndDialog(hdlg, 0);
        return 1;
    case IDC_HELP:
        showZ4_help(hdlg);
        return 0;
    default:
        if (boardZ4_control_at(id, &slot, &column))
            onZ4_board_control(hdlg, wParam);
        return 0;
    }
}

INT_PTR CALLBACK Z4DlgProc(HWND hdlg, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        initZ4_dialog(hdlg);
        return 0;
    case WM_COMMAND:
        return onZ4_command(hdlg, wParam);
    default:
        return 0;
    }
}
