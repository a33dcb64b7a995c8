// The .reg file reader and writer over the emulated registry, for tests, the scenario runner,
// the fuzz target and the probes.
#pragma once

#include <string>
#include <vector>

namespace emu {

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
