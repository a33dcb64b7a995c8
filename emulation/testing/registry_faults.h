// Test-facing fault injection into the emulated registry, and the log of every call the tool
// made.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32_api.h"

namespace emu {

// One registry call as the tool made it, for tests that check what was asked for.
struct RegCall {
    std::string op;       // "RegOpenKeyExA", "RegSetValueExA", ...
    std::string key;      // full path of the key the call acted on (after joining sub key)
    std::string name;     // value name or sub key name, "" when none
    DWORD type = 0;       // RegSetValueExA: type passed
    DWORD length = 0;     // RegSetValueExA: length passed; RegEnum*/RegQuery*: length passed in
    REGSAM access = 0;    // RegOpenKeyExA / RegCreateKeyExA: access asked for
    LONG result = 0;
    DWORD index = 0;        // RegEnumKeyExA / RegEnumValueA: index asked for
    DWORD name_length = 0;  // RegEnumValueA: name buffer length passed in (length: data buffer)
};

// Fault injection: make `op` (an API name, "" for any) on `key` (full path, "" for any) and
// value or sub key `name` ("" for any) return `code`. nth = 0 fails every matching call;
// nth = N fails only the Nth matching call (1-based). Faults stay until reg_reset().
// What a call is matched on (case-insensitive, the same fields the call log shows):
//   RegOpenKeyExA, RegCreateKeyExA, RegDeleteKeyA: key = full path of the key opened, created
//     or deleted (parent path joined with the sub key as passed); name = the sub key as passed.
//   RegSetValueExA, RegQueryValueExA: key = path of the handle's key; name = the value name.
//   RegEnumKeyExA, RegEnumValueA: key = path of the handle's key; name = the name at that
//     index ("" past the last one).
//   RegQueryInfoKeyA, RegCloseKey: key = path of the handle's key; name = "".
// op "" matches every call but RegCloseKey, which fails only when named (the handle then stays
// open). HKEY_LOCAL_MACHINE itself has the path "", so it is matched only by key "". Every fault
// counts each call it matches; an injected call has no effect (nothing opened, created,
// stored or deleted, out-buffers untouched, *phkResult NULL) and is logged with the code.
// Invalid handles and parameters are answered before faults are looked at.
void reg_inject(const std::string &op, const std::string &key, const std::string &name, LONG code,
                int nth = 0);

// Told of every registry call once it is made (with its result), until reg_reset(): for tests
// that act at a given point of a run, as a person pressing Ctrl+C would.
void reg_observe(std::function<void(const RegCall &)> observer);

// Every API call made since the last reset, in order.
const std::vector<RegCall> &reg_calls();
void reg_clear_calls();

}  // namespace emu
