// A registry made from the registry part of a fuzz input, and what was done to make it.
#pragma once

#include <string>
#include <vector>

#include "fuzz_format.h"

namespace fuzz {

struct InjectedFault {
    std::string call, key, name;
    int32_t code;
    int nth;
};

struct Setup {
    bool recursive_delete = false;
    std::vector<std::string> denied;
    std::vector<InjectedFault> faults;
    size_t longest_key_name = 0;  // of every key part laid out
};

// Fills the (reset) emulated registry from the input up to the REC_USER record or the end.
Setup build_registry(Reader &in);

// The path `rel` below base key `base` (an index into BASE_KEYS, taken modulo the count):
// empty parts dropped, NULs replaced, so that every part is a name a key can have.
std::string key_path(uint8_t base, const std::string &rel);

}  // namespace fuzz
