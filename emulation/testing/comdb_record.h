// Test-facing controls of the emulated msports.dll and its COM port database (the value "ComDB"
// of the COM Name Arbiter key, which tests set up and read as any registry value).
#pragma once

#include <string>
#include <vector>

#include "win32_api.h"

namespace emu {

// Whether LoadLibraryA finds msports.dll (off: Windows NT 4.0, where it does not exist).
// Cleared, with faults and calls, by ui_reset.
void comdb_install(bool on);

// A msports.dll planted in the program's folder: a load by the bare name finds it (and is
// recorded, never run); a load by the system folder's full name does not.
void comdb_plant_beside_program(bool on);
const std::vector<std::string> &planted_dll_loads();

// What kernel32's IsWow64Process answers: 1 (a 32-bit program on a 64-bit kernel), 0, or -1 for
// a kernel32 without it (Windows NT 4.0 and 2000; the default).
void set_wow64(int answer);
// What kernel32's IsDebuggerPresent answers (false by default).
void set_debugger_present(bool on);

// Makes the named database call ("ComDBOpen", "ComDBClaimPort", ...) return `code`: every such
// call (nth 0) or only the nth (1-based). A failed call changes nothing.
void comdb_inject(const std::string &call, LONG code, int nth = 0);

// The database calls made: the call, the number or size it was given (0 for none), its result.
struct ComDBCall {
    std::string call;
    DWORD number;
    LONG result;
};
const std::vector<ComDBCall> &comdb_calls();

// True while the DLL is loaded or the database open: every run must close and free both.
bool comdb_left_open();

void comdb_reset();

}  // namespace emu
