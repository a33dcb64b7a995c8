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

#include <cstdio>

// Function `name` of `dll` as the type it is called through; false, and *call null, where the
// DLL has none.
template <class Call> bool boundZ4(HMODULE dll, const char *name, Call *call)
{
    *call = reinterpret_cast<Call>(reinterpret_cast<void *>(GetProcAddress(dll, name)));
    return *call != nullptr;
}

// A DLL of the system's own, by its full name in the system folder (SysWOW64 for a 32-bit
// program on 64-bit Windows, through the same call): a bare name would first find one planted in
// the program's folder, and the DLLs it needs are looked for beside it, not there either.
inline HMODULE loadZ4_system_dll(const char *name)
{
    char path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::snprintf(path + length, sizeof path - length, "\\%s", name);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

#if defined(_WIN32) && defined(Z4_LATE_USER32_BUILD)
#include "platform_user32.h"
#endif

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
