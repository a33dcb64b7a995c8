// The byte format a fuzz input is read in: registry set-up records, then user actions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Record kinds of the registry part; a byte picks one modulo RECORD_KINDS.
enum Record : uint8_t {
    REC_KEY = 0,        // base, path
    REC_VALUE = 1,      // base, path, name, type, data
    REC_DENY = 2,       // base, path
    REC_INJECT = 3,     // api, base, path, name, code, nth
    REC_BOARD = 4,      // slot name, bus, io, irq, port count, first device, first COM
    REC_DEVICE_MAP = 5, // count, first device, first COM
    REC_RESOURCE_MAP = 6,  // device count, first device, values per device
    REC_USER = 7,       // end of the registry part: the user's actions follow
    RECORD_KINDS = 8,
};

// Action kinds of the user part; a byte picks one modulo ACTION_KINDS.
enum Action : uint8_t {
    ACT_BUS = 0,       // slot, bus type index
    ACT_IRQ = 1,       // slot, interrupt choice index (beyond the list: none selected)
    ACT_ADDRESS = 2,   // slot, address choice index (beyond the list: none selected)
    ACT_PORTS = 3,     // slot, port count text
    ACT_SUFFIXES = 4,  // Logical suffix text, Device suffix text
    ACT_OK = 5,        // press Ok (may be refused by validation)
    ACT_CANCEL = 6,    // press Cancel: nothing is written
    ACTION_KINDS = 7,
};

// Keys a path is given relative to; a byte picks one modulo the count.
extern const char *const BASE_KEYS[];
extern const size_t BASE_KEY_COUNT;

// Value types a byte picks from; the last entry stands for "any other number".
extern const uint32_t VALUE_TYPES[];
extern const size_t VALUE_TYPE_COUNT;

// Registry calls a fault can be injected into (RegCloseKey is left out: a close that fails
// leaves a handle open through no fault of the caller).
extern const char *const FAULT_CALLS[];
extern const size_t FAULT_CALL_COUNT;

// Result codes a fault returns.
extern const int32_t FAULT_CODES[];
extern const size_t FAULT_CODE_COUNT;

// Reads the input front to back; past the end every read gives 0 or the empty text.
struct Reader {
    const uint8_t *data;
    size_t size;
    size_t at = 0;

    bool done() const { return at >= size; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint16_t word()
    {
        uint16_t low = byte();
        return static_cast<uint16_t>(low | byte() << 8);
    }
    uint32_t dword()
    {
        uint32_t low = word();
        return low | static_cast<uint32_t>(word()) << 16;
    }
    // A length byte, 255 meaning a 16-bit length follows, then that many bytes.
    std::string text()
    {
        size_t length = byte();
        if (length == 255)
            length = word();
        std::string s;
        while (length-- > 0 && !done())
            s.push_back(static_cast<char>(byte()));
        return s;
    }
};

// Writes what Reader reads, for building seed inputs.
struct Writer {
    std::vector<uint8_t> out;

    void byte(uint8_t b) { out.push_back(b); }
    void word(uint16_t w)
    {
        byte(static_cast<uint8_t>(w));
        byte(static_cast<uint8_t>(w >> 8));
    }
    void dword(uint32_t d)
    {
        word(static_cast<uint16_t>(d));
        word(static_cast<uint16_t>(d >> 16));
    }
    void text(const std::string &s)
    {
        if (s.size() >= 255) {
            byte(255);
            word(static_cast<uint16_t>(s.size()));
        } else {
            byte(static_cast<uint8_t>(s.size()));
        }
        out.insert(out.end(), s.begin(), s.end());
    }
};

}  // namespace fuzz
