// Resource lists as a 64-bit kernel writes them: scenarios give them in the 32-bit layout
// (16-byte partial descriptors), which a run under a 64-bit kernel must see with 20-byte ones.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "scenario.h"

namespace scenario {

namespace {

uint32_t u32(const std::vector<uint8_t> &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

// The same list with every partial descriptor's union grown by 4 bytes at its end (the affinity's
// upper half, a port's or memory range's padding); false for a list that does not parse.
bool widened(const std::vector<uint8_t> &in, std::vector<uint8_t> *out)
{
    out->clear();
    size_t p = 0;
    auto copy = [&](size_t n) {
        if (in.size() - p < n)
            return false;
        out->insert(out->end(), in.begin() + p, in.begin() + p + n);
        p += n;
        return true;
    };
    if (!copy(4))
        return false;
    for (uint32_t f = 0, fulls = u32(in, 0); f < fulls; ++f) {
        size_t header = p;
        if (!copy(16))
            return false;
        for (uint32_t k = 0, partials = u32(in, header + 12); k < partials; ++k) {
            size_t at = p;
            if (!copy(16))
                return false;
            out->insert(out->end(), 4, 0);
            if (in[at] == 5 && !copy(u32(in, at + 4)))
                return false;
        }
    }
    return copy(in.size() - p);
}

}  // namespace

std::string widen_resource_lists(const std::string &reg_text, std::string *)
{
    std::istringstream in(reg_text);
    std::string out, line;
    while (std::getline(in, line)) {
        size_t at = line.find("=hex(8):");
        if (at == std::string::npos) {
            out += line + "\n";
            continue;
        }
        // The bytes, over the lines that end in '\'.
        std::string bytes = line.substr(at + 8);
        while (!bytes.empty() && (bytes.back() == '\\' || bytes.back() == '\r')) {
            bool more = bytes.back() == '\\';
            bytes.pop_back();
            if (more && std::getline(in, line))
                bytes += line;
        }
        std::vector<uint8_t> data, wide;
        std::istringstream hex(bytes);
        std::string byte;
        while (std::getline(hex, byte, ','))
            if (byte.find_first_not_of(" \t\r") != std::string::npos)
                data.push_back((uint8_t)strtoul(byte.c_str(), nullptr, 16));
        // A value that is no whole list (as some scenarios give the driver's own map, whose
        // names alone count) stays as it is: no kernel layout to follow.
        if (!widened(data, &wide))
            wide = data;
        out += line.substr(0, at) + "=hex(8):";
        for (size_t i = 0; i < wide.size(); ++i) {
            char b[4];
            snprintf(b, sizeof b, "%02x", wide[i]);
            out += (i ? "," : "") + std::string(b);
        }
        out += "\n";
    }
    return out;
}

}  // namespace scenario
