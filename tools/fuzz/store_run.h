// One fuzz input through the tool's whole sequence, stopping the process when a check fails.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Builds the registry from the input, runs scan, reader, dialog, validation, writer, removal
// and a second reading of what was written, and aborts with a message on the first broken
// promise: a key left open, a change outside the driver's keys and the new Ports entries, a
// slot beyond the fourth, or a written configuration that does not read back the same.
void run_store_sequence(const uint8_t *data, size_t size);

// How far the checks of the runs so far went, to tell a corpus that tests from one that
// only passes through.
struct RunTally {
    unsigned runs = 0, accepted = 0, written = 0, read_back = 0, removal_complete = 0;
};
const RunTally &run_tally();

}  // namespace fuzz
