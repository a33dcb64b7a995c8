// The registry, window and dialog operations the tool relies on.
// On Windows these are the system's own; elsewhere an emulation supplies the same names.
#pragma once

#ifdef _WIN32
#include <windows.h>
// winuser.h names a help cursor IDC_HELP; the tool uses that name for its Help button.
#undef IDC_HELP
#else
#include "win32_api.h"
#endif
