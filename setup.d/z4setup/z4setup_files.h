// The files the tool reads and writes, named as Windows holds them: the board file "/s" and "/n"
// read, and the report "/r FILE" puts in place. Every file call of the tool is here.
#pragma once

#include <cstddef>
#include <cstdio>

#include "platform.h"

// A FILE of the command line holds at most this many UTF-16 units with its NUL.
constexpr int Z4_FILE_NAME_CHARS = 1024;
// Room for that many units as UTF-8 (three bytes at most each) in the tool's own texts.
constexpr int Z4_FILE_ARGUMENT_CHARS = 3 * Z4_FILE_NAME_CHARS;

// A file named on the command line: as the system opens it (UTF-16), and as lines show it (what
// is not ASCII as '?': a console's code page could not show it anyway, and no line may claim a
// name that is not the one used).
struct Z4FileName {
    WCHAR wide[Z4_FILE_NAME_CHARS];
    char shown[Z4_FILE_NAME_CHARS];
};

// The command line's text in UTF-8, every UTF-16 unit kept (an unpaired surrogate too, as three
// bytes), so that the name given comes back unchanged. `out` holds 3 bytes a unit and the NUL.
void utf8Z4_of_wide(const WCHAR *wide, char *out);
// The UTF-16 units a UTF-8 text of the command line takes.
size_t unitsZ4_of_utf8(const char *text);
// The name of `utf8` for the system and for lines; false when it takes more units than it may.
bool nameZ4_file(const char *utf8, Z4FileName *name);

// Whether a name is one of the system's devices (NUL, CON, PRN, AUX, COMn, LPTn, CONIN$, CONOUT$,
// CLOCK$) whatever its folder or extension, or a "\\.\" device path: such a name is refused before
// it is opened, so that no serial port or printer is even opened.
bool isZ4_device_name(const WCHAR *name);

// What became of a file call: done, refused as a device, or failed with the system's code.
enum Z4FileResult { Z4_FILE_DONE, Z4_FILE_DEVICE, Z4_FILE_FAILED };

// `name` followed by `tail` into `out` of `size` bytes; a name too long for both to fit gives way
// from its start ("..."), never the tail.
void joinZ4_name(char *out, size_t size, const char *name, const char *tail);

// "FILE: is a device, not a file", or "FILE: <what>: <the system's reason> (error <n>)", into
// `text`, the name shortened from its start where it would not fit.
constexpr int Z4_FILE_MESSAGE_CHARS = 1024;
void messageZ4_file(char (&text)[Z4_FILE_MESSAGE_CHARS], const char *shown, Z4FileResult result,
                    const char *what, DWORD error);

// The file at `name` read whole into `bytes` (at most `room` bytes; *length tells how many came).
// A device or pipe is refused before anything is read. *what says which step failed: "cannot be
// opened" or "cannot be read".
Z4FileResult readZ4_file(const Z4FileName &name, char *bytes, size_t room, size_t *length,
                         DWORD *error, const char **what);

// A report written beside its target under a name of its own, created new (never opened where a
// file or link stands), then flushed and moved over the target in one step.
struct Z4NewFile {
    WCHAR temp[Z4_FILE_NAME_CHARS + 24];
    HANDLE handle;
    std::FILE *stream;  // text mode: lines end in CR LF
    bool replaces;      // the target exists: the report takes its place, keeping what it had
};

// Creates the report's file beside `target`: "<target>.z4setup.tmp", or, where that name is
// taken, "<target>.z4setup-2.tmp" up to "-8". A target that is a device is refused, and so is a
// created name that turns out to be one; a target that is read-only is refused before anything
// is made (ERROR_ACCESS_DENIED).
Z4FileResult createZ4_beside(const Z4FileName &target, Z4NewFile *file, DWORD *error);
// Flushes and closes the report, then puts it in `target`'s place: where the target exists, with
// ReplaceFileW (Windows 2000 and later), which keeps the target's security, owner, attributes
// and streams; else, and on Windows NT 4.0, with MoveFileExW. `complete` false (the report could
// not be made) or any failure deletes the file it made and leaves the target as it was.
Z4FileResult finishZ4_beside(Z4NewFile *file, const Z4FileName &target, bool complete,
                             DWORD *error);
