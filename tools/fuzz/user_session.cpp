// The user's part of a fuzz run, acted out on the tables the way the dialog edits them and
// checked the way Ok checks them, while the dialog itself cannot be opened on this platform.
#include "user_session.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board_model.h"

namespace fuzz {

namespace {

struct Entries {
    std::string logical, device;
};

// The unsigned decimal the dialog reads from a control text; 0 when it is not a number.
uint32_t text_number(const std::string &s)
{
    uint32_t n = 0;
    size_t i = 0;
    if (s.empty() || s[0] < '0' || s[0] > '9')
        return 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        n = n * 10 + static_cast<uint32_t>(s[i++] - '0');
    return n;
}

bool listed(const char *const *items, int count, const std::string &text)
{
    for (int i = 0; i < count; ++i)
        if (text == items[i])
            return true;
    return false;
}

// What Ok reads back: a value its combo box cannot show reads as 0.
void read_back(BoardConfig &slot)
{
    char text[16];
    if (slot.BusType > BUS_PCI)
        slot.BusType = BUS_NONE;
    std::snprintf(text, sizeof text, "%d", static_cast<int>(slot.Interrupt));
    if (slot.BusType != BUS_ISA || !listed(irqChoices, irqChoiceCount, text))
        slot.Interrupt = 0;
    std::snprintf(text, sizeof text, "%X", slot.IOAddr);
    if (slot.BusType != BUS_ISA || !listed(ioAddrChoices, ioAddrChoiceCount, text))
        slot.IOAddr = 0;
}

bool legal_ports(uint32_t n)
{
    return n >= 4 && n <= 64 && (n == 4 || n % 8 == 0);
}

bool press_ok(const Entries &e)
{
    for (BoardConfig &slot : CurrentZ4config) {
        read_back(slot);
        if (slot.BusType == BUS_NONE) {
            slot = BoardConfig{0, 0, 0, 0, 0};
            continue;
        }
        if (!legal_ports(slot.NumPorts))
            return false;
        slot.Enabled = 1;
    }
    int32_t v = static_cast<int32_t>(text_number(e.logical));
    if (v < 1 || v > 99)
        return false;
    COMMaxNum = static_cast<uint32_t>(v) - 1;
    int32_t w = static_cast<int32_t>(text_number(e.device));
    if (w < 0 || w > 99)
        return false;
    SerialMaxNum = static_cast<uint32_t>(w) - 1;
    for (int i = 0; i < Z4_SLOTS; ++i)
        for (int j = 0; j < Z4_SLOTS; ++j)
            if (i != j && CurrentZ4config[i].IOAddr == CurrentZ4config[j].IOAddr &&
                CurrentZ4config[j].BusType == BUS_ISA)
                return false;
    return true;
}

}  // namespace

bool run_user_session(Reader &in)
{
    uint32_t first = LoadedSerialMaxNum != 0 ? COMMaxNum + 1
                     : COMMaxNum < SerialMaxNum ? SerialMaxNum + 1
                                                : COMMaxNum + 1;
    Entries e{std::to_string(first),
              std::to_string(LoadedSerialMaxNum != 0 ? SerialMaxNum + 1 : first)};
    for (int actions = 0; actions < 64 && !in.done(); ++actions) {
        uint8_t kind = in.byte() % ACTION_KINDS;
        BoardConfig &slot = CurrentZ4config[in.byte() % Z4_SLOTS];
        switch (kind) {
        case ACT_BUS: {
            uint32_t bus = in.byte() % 3;
            slot = BoardConfig{bus, 0, 0, 0, bus != BUS_NONE ? 1u : 0u};
            if (bus == BUS_ISA)
                slot.Interrupt = 10;
            break;
        }
        case ACT_IRQ: {
            uint8_t i = in.byte();
            slot.Interrupt = i < irqChoiceCount ? text_number(irqChoices[i]) : 0;
            for (BoardConfig &other : CurrentZ4config)
                if (other.BusType == slot.BusType)
                    other.Interrupt = slot.Interrupt;
            break;
        }
        case ACT_ADDRESS: {
            uint8_t i = in.byte();
            slot.IOAddr = i < ioAddrChoiceCount ? hex_to_int(ioAddrChoices[i]) : 0;
            break;
        }
        case ACT_PORTS:
            slot.NumPorts = text_number(in.text().substr(0, 4));
            break;
        case ACT_SUFFIXES:
            e.logical = in.text().substr(0, 4);
            e.device = in.text().substr(0, 4);
            break;
        case ACT_OK:
            if (press_ok(e))
                return true;
            break;
        case ACT_CANCEL:
            return false;
        }
    }
    return press_ok(e);
}

}  // namespace fuzz
