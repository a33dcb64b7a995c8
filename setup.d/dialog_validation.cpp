// Validation on Ok: every board column read back, then port counts, suffixes and addresses.
#include <cstdio>

#include "board_model.h"
#include "config_dialog.h"
#include "trace.h"

// The first error found: one box owned by the dialog, then the focus on the control to mend.
static int reportZ4_error(HWND hdlg, const char *message, int focusId)
{
    MessageBoxA(hdlg, message, "CONFIGURATION ERROR", MB_OK);
    SetFocus(GetDlgItem(hdlg, focusId));
    return -1;
}

static bool legalPortCount(uint32_t n) { return !(n < 4 || n > 64 || (n > 4 && n % 8 != 0)); }

int checkZ4_dialog(HWND hdlg)
{
    char text[5];
    char message[96];
    for (int i = 0; i < Z4_SLOTS; ++i) {
        BoardConfig &rec = CurrentZ4config[i];
        const uint32_t *ids = boardControlIds[i];
        rec.BusType = LOWORD(SendDlgItemMessageA(hdlg, static_cast<int>(ids[COL_BUS_TYPE]),
                                                 CB_GETCURSEL, 0, 0));
        rec.Interrupt = GetDlgItemInt(hdlg, static_cast<int>(ids[COL_IRQ]), nullptr, FALSE);
        GetDlgItemTextA(hdlg, static_cast<int>(ids[COL_IO_ADDR]), text, sizeof text);
        rec.IOAddr = hex_to_int(text);
        rec.NumPorts = GetDlgItemInt(hdlg, static_cast<int>(ids[COL_NUM_PORTS]), nullptr, FALSE);
        if (rec.BusType == BUS_NONE) {
            rec.Enabled = 0;
            continue;
        }
        if (!legalPortCount(rec.NumPorts)) {
            std::snprintf(message, sizeof message,
                          "ERROR: Number of Ports is out of legal range for board %d", i + 1);
            return reportZ4_error(hdlg, message, static_cast<int>(ids[COL_NUM_PORTS]));
        }
        rec.Enabled = 1;
    }

    int logical = static_cast<int>(GetDlgItemInt(hdlg, IDC_LOGICAL_SUFFIX, nullptr, FALSE));
    if (logical < 1 || logical > 99)
        return reportZ4_error(hdlg, "ERROR: Logical name suffix is out of legal range",
                              IDC_LOGICAL_SUFFIX);
    COMMaxNum = static_cast<uint32_t>(logical) - 1;

    // A suffix of 0 wraps to 0xFFFFFFFF: the writer counts from SerialMaxNum + 1.
    int device = static_cast<int>(GetDlgItemInt(hdlg, IDC_DEVICE_SUFFIX, nullptr, FALSE));
    if (device < 0 || device > 99)
        return reportZ4_error(hdlg, "ERROR: Device name suffix is out of legal range",
                              IDC_DEVICE_SUFFIX);
    SerialMaxNum = static_cast<uint32_t>(device) - 1;

    for (int i = 0; i < Z4_SLOTS; ++i) {
        for (int j = 0; j < Z4_SLOTS; ++j) {
            if (j == i || CurrentZ4config[i].IOAddr != CurrentZ4config[j].IOAddr ||
                CurrentZ4config[j].BusType != BUS_ISA)
                continue;
            std::snprintf(message, sizeof message,
                          "ERROR: IOAddr:0x%x Board %d conflicts with Board%d",
                          static_cast<unsigned>(CurrentZ4config[i].IOAddr), i + 1, j + 1);
            return reportZ4_error(hdlg, message, static_cast<int>(boardControlIds[j][COL_IO_ADDR]));
        }
        z4trace("GUS bd=%d bustypesymbol=%d:", i, static_cast<int>(boardControlIds[i][COL_BUS_TYPE]));
    }
    return 1;
}
