// Test-facing set-up of the emulated registry: put keys and values in, look at them, deny keys,
// count open handles. Paths are below HKEY_LOCAL_MACHINE, backslash-separated, matched
// case-insensitively.
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

// The keys along `path` that do not exist yet are made volatile, as RegCreateKeyExA with
// REG_OPTION_VOLATILE makes them: no key can then be made below them but a volatile one (1021).
void reg_put_volatile_key(const std::string &path);

// A key that denies access: opening or creating it (or a key below it) returns 5.
void reg_deny(const std::string &path);
// A key whose ACL lets everybody read it and nobody write it (nor a key below it): opening it
// for reading works; asking to set values, make subkeys or delete, making a key or deleting one
// there returns 5.
void reg_read_only(const std::string &path);

// Open-handle accounting.
int reg_open_handle_count();
std::vector<std::string> reg_open_handle_paths();

}  // namespace emu
