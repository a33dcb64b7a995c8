// The i686 exes' look-ups of USER32, at the first call of each function.
#include "platform.h"

#if defined(_WIN32) && defined(Z4_LATE_USER32_BUILD)

#include <cstdio>

static FARPROC Z4User32Procs[Z4_USER32_COUNT];
static HMODULE Z4User32;

FARPROC lateZ4_user32_proc(int slot, const char *name)
{
    if (FARPROC known = Z4User32Procs[slot])
        return known;
    if (!Z4User32)
        Z4User32 = loadZ4_system_dll("user32.dll");
    FARPROC found = Z4User32 ? GetProcAddress(Z4User32, name) : nullptr;
    if (!found) {
        std::printf("z4setup: USER32.dll in the system folder has no %s\n", name);
        std::fflush(stdout);
        ExitProcess(ERROR_PROC_NOT_FOUND);
    }
    Z4User32Procs[slot] = found;
    return found;
}

#endif
