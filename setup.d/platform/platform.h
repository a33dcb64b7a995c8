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

// Function `name` of `dll` as the type it is called through; false, and *call null, where the
// DLL has none.
template <class Call> bool boundZ4(HMODULE dll, const char *name, Call *call)
{
    *call = reinterpret_cast<Call>(reinterpret_cast<void *>(GetProcAddress(dll, name)));
    return *call != nullptr;
}

// A function of a DLL loaded with every process (kernel32) or with the program (advapi32, which
// it imports), looked up by name rather than imported: null where this Windows has none, so no
// import keeps the exe from loading on an older Windows. Naming a loaded module loads no file.
template <class Call> Call lateZ4_function(const char *module, const char *name)
{
    HMODULE loaded = GetModuleHandleA(module);
    Call call = nullptr;
    if (loaded)
        boundZ4(loaded, name, &call);
    return call;
}
