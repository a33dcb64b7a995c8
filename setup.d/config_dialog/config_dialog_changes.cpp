// Keeps CurrentZ4config in step with the per-board controls while the user works.
#include "config_dialog.h"

#include "config_dialog_rules.h"

// Texts are read into 5 characters, so at most 4 are taken; a drop-down list gives the
// selected item's text, or "" with none.
static void onZ4_bus_type(HWND hdlg, int s, int id)
{
    char text[5];
    GetDlgItemTextA(hdlg, id, text, sizeof text);
    if (pickZ4_bus_type(s, text))
        refreshZ4_dialog(hdlg);
}

static void onZ4_interrupt(HWND hdlg, int s, int id)
{
    chooseZ4_interrupt(s, GetDlgItemInt(hdlg, id, nullptr, FALSE));
    refreshZ4_dialog(hdlg);
}

static void onZ4_address(HWND hdlg, int s, int id)
{
    char text[5];
    GetDlgItemTextA(hdlg, id, text, sizeof text);
    CurrentZ4config[s].IOAddr = hex_to_int(text);
}

static void onZ4_port_count(HWND hdlg, int s, int id)
{
    CurrentZ4config[s].NumPorts = GetDlgItemInt(hdlg, id, nullptr, FALSE);
}

void onZ4_board_control(HWND hdlg, WPARAM wParam)
{
    int id = LOWORD(wParam);
    int s, column;
    if (!boardZ4_control_at(id, &s, &column))
        return;
    switch (column) {
    case COL_BUS_TYPE:
        onZ4_bus_type(hdlg, s, id);
        break;
    case COL_IRQ:
        onZ4_interrupt(hdlg, s, id);
        break;
    case COL_IO_ADDR:
        onZ4_address(hdlg, s, id);
        break;
    case COL_NUM_PORTS:
        onZ4_port_count(hdlg, s, id);
        break;
    }
}
