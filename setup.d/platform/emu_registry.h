// Test-facing controls of the emulated registry: set it up, look at it, make it fail.
// Paths are below HKEY_LOCAL_MACHINE, backslash-separated, matched case-insensitively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "win32_api.h"

namespace emu {

struct RegValue {
    std::string name;           // as stored (case preserved)
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;  // exactly the bytes stored
};

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

// Whole-registry state.
void reg_reset();                         // empty registry, no faults, no log, no open handles
void reg_set_recursive_delete(bool on);   // RegDeleteKeyA removes subkeys too (default off, as NT)

// Direct set-up and inspection, bypassing the API (not logged, no handles).
void reg_put_key(const std::string &path);
void reg_put_value(const std::string &key, const std::string &name, DWORD type,
                   const std::vector<uint8_t> &data);
void reg_put_sz(const std::string &key, const std::string &name, const std::string &text);  // stores text + NUL
void reg_put_dword(const std::string &key, const std::string &name, DWORD value);
bool reg_has_key(const std::string &path);
std::optional<RegValue> reg_get_value(const std::string &key, const std::string &name);
std::vector<std::string> reg_subkeys(const std::string &path);      // in enumeration order
std::vector<RegValue> reg_values(const std::string &path);          // in enumeration order
void reg_remove_key(const std::string &path);                       // with its subtree
void reg_remove_value(const std::string &key, const std::string &name);
std::string reg_key_name(const std::string &path);  // stored spelling of the path, "" if absent

// Values enumerate in creation order, as NT keeps them; Wine keeps them sorted by name like
// subkeys. Switch on for tests that must see what a run under Wine sees.
void reg_set_sorted_values(bool on);

// A key that denies access: opening or creating it (or a key below it) returns 5.
void reg_deny(const std::string &path);

// Open-handle accounting.
int reg_open_handle_count();
std::vector<std::string> reg_open_handle_paths();

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

// Every API call made since the last reset, in order.
const std::vector<RegCall> &reg_calls();
void reg_clear_calls();

// .reg files: "Windows Registry Editor Version 5.00" (UTF-16LE with BOM, or 8-bit) and "REGEDIT4".
// Load adds to the registry only when the whole file parses; on error the registry is unchanged
// and *error holds "file:line: reason". Text data in hex (hex(1), hex(2), hex(7)) is UTF-16LE in a
// UTF-16 file and 8-bit in an 8-bit one, as Wine's regedit reads them. Bytes are kept exactly:
// Wine's regedit instead adds a NUL to such text data that lacks one. Saving writes a REG_SZ as
// "text" only when it holds exactly one NUL, at its end; otherwise as hex(1), so nothing is lost.
bool reg_load_file(const std::string &file, std::string *error);
bool reg_load_text(const std::string &text, const std::string &origin, std::string *error);
enum class RegFileFormat { Unicode5, Unicode5Ansi, Regedit4 };
// Save the subtrees below the given key paths (all of HKEY_LOCAL_MACHINE when empty).
bool reg_save_file(const std::string &file, RegFileFormat format,
                   const std::vector<std::string> &roots, std::string *error);
std::string reg_save_text(const std::vector<std::string> &roots);  // REGEDIT5 text, 8-bit

}  // namespace emu
