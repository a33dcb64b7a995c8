// Helpers every test layer needs over the emulation (host tests, fuzz target, scenario runner,
// benchmarks): bytes of a text, stored numbers and texts, the call log by kind, the keys left
// open, and the trace lines sent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "registry_faults.h"
#include "registry_setup.h"
#include "ui_record.h"

namespace emu {

inline std::vector<uint8_t> bytes(const std::string &text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// A text as PowerShell 5.1 redirects it and Notepad saves "Unicode" (little endian) or "Unicode
// big endian": UTF-16 after its byte-order mark, each byte one character.
inline std::string utf16_marked(const std::string &text, bool little)
{
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : text) {
        out += little ? c : '\0';
        out += little ? '\0' : c;
    }
    return out;
}

// Four little-endian bytes as a number; nullopt for any other length.
inline std::optional<uint32_t> dword_of(const std::vector<uint8_t> &data)
{
    if (data.size() != 4)
        return std::nullopt;
    return data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24;
}

// The number stored under `name`: nullopt when absent or not four bytes.
inline std::optional<uint32_t> reg_dword(const std::string &key, const std::string &name)
{
    auto v = reg_get_value(key, name);
    return v ? dword_of(v->data) : std::nullopt;
}

// The text stored under `name`, up to its first NUL: nullopt when absent.
inline std::optional<std::string> reg_text(const std::string &key, const std::string &name)
{
    auto v = reg_get_value(key, name);
    if (!v)
        return std::nullopt;
    std::string s(v->data.begin(), v->data.end());
    return s.substr(0, s.find('\0'));
}

// The calls of one kind since the log was last cleared, in order.
inline std::vector<RegCall> calls_of(const std::string &op)
{
    std::vector<RegCall> out;
    for (const auto &c : reg_calls())
        if (c.op == op)
            out.push_back(c);
    return out;
}

// A call that changes the registry: the emulation changes it through these three only.
inline bool changes_registry(const RegCall &c)
{
    return c.op == "RegSetValueExA" || c.op == "RegCreateKeyExA" || c.op == "RegDeleteKeyA";
}

// The keys still open, as " [path] [path]"; empty when none is.
inline std::string open_keys()
{
    std::string open;
    for (const auto &p : reg_open_handle_paths())
        open += " [" + p + "]";
    return open;
}

// How often exactly this line was sent to the debugger output.
inline size_t traced_count(const std::string &line)
{
    size_t n = 0;
    for (const auto &t : debug_output())
        n += t == line;
    return n;
}

inline bool traced(const std::string &line) { return traced_count(line) != 0; }

}  // namespace emu
