// Validation on Ok: every board column and both suffix fields read back from the controls, then
// the checks; the first failure is reported in a box owned by the dialog.
#include "config_dialog.h"

#include <cstdio>

#include "config_dialog_rules.h"
#include "reg_store.h"
#include "z4setup_report.h"

// The controls' values as Ok takes them: the selected bus type's index, texts read as unsigned
// numbers, the address at most 4 characters through hex_to_int.
static void readZ4_dialog_entries(HWND hdlg, Z4Entries *entries)
{
    char text[5];
    for (int i = 0; i < Z4_SLOTS; ++i) {
        BoardConfig &read = entries->boards[i];
        read.BusType =
            LOWORD(SendDlgItemMessageA(hdlg, boardZ4_control_id(i, COL_BUS_TYPE), CB_GETCURSEL, 0, 0));
        read.Interrupt = GetDlgItemInt(hdlg, boardZ4_control_id(i, COL_IRQ), nullptr, FALSE);
        GetDlgItemTextA(hdlg, boardZ4_control_id(i, COL_IO_ADDR), text, sizeof text);
        read.IOAddr = hex_to_int(text);
        read.NumPorts = GetDlgItemInt(hdlg, boardZ4_control_id(i, COL_NUM_PORTS), nullptr, FALSE);
        read.Enabled = 0;
    }
    entries->logicalSuffix = GetDlgItemInt(hdlg, IDC_LOGICAL_SUFFIX, nullptr, FALSE);
    entries->deviceSuffix = GetDlgItemInt(hdlg, IDC_DEVICE_SUFFIX, nullptr, FALSE);
}

// Numbers another driver's port already has, then an interrupt or I/O ports another driver
// holds: the user decides each; No goes back to the field concerned.
static bool acceptedZ4_question(HWND hdlg, const Z4Collision &found, const char *them)
{
    char question[sizeof found.text + 40];
    std::snprintf(question, sizeof question, "%s Use %s anyway?", found.text, them);
    if (reportZ4_text(hdlg, question, "CONFIGURATION WARNING", MB_YESNO | MB_ICONWARNING) == IDYES)
        return true;
    int focus = found.slot >= 0
                    ? boardZ4_control_id(found.slot, found.isInterrupt ? COL_IRQ : COL_IO_ADDR)
                : found.isCom ? IDC_LOGICAL_SUFFIX
                              : IDC_DEVICE_SUFFIX;
    SetFocus(GetDlgItem(hdlg, focus));
    return false;
}

static bool acceptedZ4_collision(HWND hdlg)
{
    Z4Collision found;
    if (findZ4_collision(&found) && !acceptedZ4_question(hdlg, found, "these numbers"))
        return false;
    return !findZ4_resource_conflict(&found) || acceptedZ4_question(hdlg, found, "these settings");
}

int checkZ4_dialog(HWND hdlg)
{
    Z4Entries entries;
    readZ4_dialog_entries(hdlg, &entries);
    Z4CheckResult result;
    if (acceptZ4_entries(entries, &result) != Z4_CHECK_PASSED) {
        // The focus moves once the user has closed the box.
        reportZ4_text(hdlg, result.message, "CONFIGURATION ERROR", MB_OK);
        SetFocus(GetDlgItem(hdlg, result.focusId));
        return -1;
    }
    return acceptedZ4_collision(hdlg) ? 1 : -1;
}
