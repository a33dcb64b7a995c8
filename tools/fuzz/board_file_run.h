// One fuzz input through "/s": a registry, then the bytes of a board file, run through the
// tool's whole unattended sequence; the process stops when a promise is broken.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Builds the registry from the input's registry part, writes the rest as the board file (as
// UTF-16 LE with its mark for inputs of odd length, as PowerShell writes it), runs "/n FILE"
// (which must change nothing, and exit 0 exactly when "/s" then writes nothing and exits 0; 2
// and 3 as "/s"; 6 when "/s" writes or fails to), then
// "z4setup /s FILE" and aborts with a message on the first broken promise: an exit code other
// than 0, 2, 3 and 4; a window or a box; a key left open; a change outside the driver's keys
// and new default Ports entries; a change at all without exit code 0 or 4; a file the reader
// refuses that is not exit code 2, or one it takes that is; a plain ASCII file that reads
// otherwise as UTF-16 (LE or BE, with the mark).
void run_board_file(const uint8_t *data, size_t size);

struct BoardFileTally {
    unsigned runs = 0, malformed = 0, refused = 0, written = 0, write_failed = 0;
};
const BoardFileTally &board_file_tally();

}  // namespace fuzz
