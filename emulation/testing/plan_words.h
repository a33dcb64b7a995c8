// The driver's keys, the Ports list's COM entries and the COM port database as a picture, and
// what changed between two pictures in the words of the plan's lines: what "/n" said against
// what "/s" then did.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "win32_api.h"

namespace emu {

// Key paths, and "path|name" of values, in lower case, with each value's type and data.
struct PlanPicture {
    std::set<std::string> keys;
    std::map<std::string, std::pair<DWORD, std::vector<uint8_t>>> values;
};

PlanPicture plan_picture();

// "create key <path>", "delete key <path>", "set <path> <value>", "delete value <path> <value>",
// "add ports entry <com>:", "comdb": what changed from `a` to `b`.
std::set<std::string> plan_difference(const PlanPicture &a, const PlanPicture &b);

// The plan's lines (as "/n" prints them) in the same words; lines of other kinds are left out.
std::set<std::string> plan_items(const std::string &lines);

}  // namespace emu
