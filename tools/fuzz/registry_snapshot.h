// Pictures of the emulated registry taken between the steps of a run, and their comparison.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "registry_setup.h"

namespace fuzz {

// Every key below HKEY_LOCAL_MACHINE by its upper-cased path: stored name and values.
struct KeyPicture {
    std::string stored;
    std::vector<emu::RegValue> values;
};
using Picture = std::map<std::string, KeyPicture>;

Picture take_picture();

// True for the driver's service key and everything below it.
bool in_driver_keys(const std::string &upper_path);

// Describes the first difference outside the driver's keys and the Ports key's values, ""
// when there is none. Keys on the way to the service key may appear (created on the way).
std::string outside_difference(const Picture &before, const Picture &after);

// True when both hold the same keys, spelt alike, with the same values in the same order.
bool same_picture(const Picture &a, const Picture &b);

// The Ports key's values by upper-cased name.
std::map<std::string, emu::RegValue> ports_values(const Picture &p);

// Puts a picture back into a reset registry (no faults, no denials).
void restore_picture(const Picture &p);

std::string upper(const std::string &s);

}  // namespace fuzz
