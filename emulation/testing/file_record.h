// Test-facing controls of the emulated file calls: files another program holds, faults for the
// next calls, the calls made and the handles left open.
#pragma once

#include <string>
#include <vector>

#include "win32_api.h"

// Closes a file handle of the emulation; false for a handle that is not a file's.
bool emu_close_file_handle(HANDLE handle);

namespace emu {

// A file another program holds open, unshared, as an editor might: replacing, deleting or writing
// it is refused.
void hold_file(const std::string &path);

// Makes the next call of `call` ("CreateFileW", "ReadFile", "FlushFileBuffers", "MoveFileExW",
// "DeleteFileW") fail with `code`; given twice, the two next calls.
void file_inject(const std::string &call, DWORD code);

// A full disk: files created new are made, but what is written to them fails.
void file_fill_disk(bool on);

// The file calls made, with the path they named ("" for a call on a handle).
struct FileCall {
    std::string call;
    std::string path;
    DWORD flags = 0;  // CreateFileW: the flags and attributes asked for
};
const std::vector<FileCall> &file_calls();

// File handles not closed (a stream's own handle counts as closed with it).
int open_file_handles();

// What Windows keeps of a file beside its bytes: its security descriptor (opaque here; a folder's
// files get "" from it) and attributes other than read-only (the file's mode tells that).
// ReplaceFileW keeps the replaced file's; MoveFileExW gives the target the moved file's.
void set_file_security(const std::string &path, const std::string &descriptor);
std::string file_security(const std::string &path);
void set_file_attributes(const std::string &path, DWORD attributes);
DWORD file_attributes(const std::string &path);

// Whether kernel32 has ReplaceFileW (Windows 2000 and later, the default) or not (NT 4.0).
void set_replace_file_available(bool on);
bool replace_file_available();

// Clears all of the above; ui_reset calls it.
void files_reset();

}  // namespace emu
