// The Help button. A help file a driver package ships beside the exe opens at its contents; without
// one the dialog shows its own help in a box, since no Windows after XP has a WinHelp viewer and
// asking for a file that is not there only brings up an error.
#include <cstring>

#include "config_dialog.h"

static const char Z4_HELP_FILE[] = "z4setup.hlp";

static const char Z4_HELP_TEXT[] =
    "Each column is one board, Board 1 to Board 4:\n"
    "Bus Type: ISA, PCI, or None where the slot holds no board.\n"
    "IRQ and IO Addr: the interrupt and I/O address an ISA board is set to; all ISA boards share "
    "one interrupt. A PCI board gets both from the system.\n"
    "Number of Ports: the ports on the board, 4 or 8 to 64 in steps of 8.\n"
    "\n"
    "The ports of all boards are numbered on, board by board, from the two fields below: "
    "Device Name Suffix gives the first port's device name (Serial<n>, 0 to 99), Logical Name "
    "Suffix its COM name (COM<n>, 1 to 99).\n"
    "\n"
    "Ok checks the port counts, the two suffixes and that no two ISA boards share an address, "
    "and asks first where another driver already uses a number, an interrupt or an I/O port. It "
    "then writes the boards and their ports to the driver's key in the registry, adds a Ports "
    "entry for each new COM port and claims its number; the driver takes them when it next "
    "starts. Cancel writes nothing.\n"
    "\n"
    "z4setup /? lists the runs without a window: apply a board file (/s), show what it would "
    "change (/n), write a report (/r), remove the configuration (/d). The read-me says the rest.";

// Whether the help file stands beside the program's own file.
static bool helpZ4_file_beside_exe()
{
    WCHAR path[MAX_PATH + sizeof Z4_HELP_FILE];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    DWORD folder = length;
    while (folder > 0 && path[folder - 1] != L'\\' && path[folder - 1] != L'/')
        --folder;
    for (size_t i = 0; i < sizeof Z4_HELP_FILE; ++i)
        path[folder + i] = static_cast<WCHAR>(Z4_HELP_FILE[i]);
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void showZ4_help(HWND hdlg)
{
    if (helpZ4_file_beside_exe())
        WinHelpA(hdlg, Z4_HELP_FILE, HELP_CONTENTS, 0);
    else
        MessageBoxA(hdlg, Z4_HELP_TEXT, "Help", MB_OK);
}
