// The user's part of a fuzz run: actions on the configuration dialog drawn from the bytes.
#pragma once

#include "fuzz_format.h"

namespace fuzz {

// Runs the dialog over the tables the reader left, with the actions the input holds, and
// returns true when it ended with an accepted Ok (the writer is to run).
bool run_user_session(Reader &in);

}  // namespace fuzz
