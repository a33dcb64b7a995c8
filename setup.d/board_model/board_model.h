// The board slots, the option lists the dialog offers, and the port numbering state.
#pragma once

#include <cstdint>

enum : uint32_t { BUS_NONE = 0, BUS_ISA = 1, BUS_PCI = 2 };

struct BoardConfig {
    uint32_t BusType;
    uint32_t IOAddr;
    uint32_t Interrupt;
    uint32_t NumPorts;
    uint32_t Enabled;
};

constexpr int Z4_SLOTS = 4;
// The most ports one board carries.
constexpr uint32_t Z4_MAX_PORTS = 64;

extern const BoardConfig DefaultZ4config[Z4_SLOTS];
extern BoardConfig RegistryZ4config[Z4_SLOTS];
extern BoardConfig CurrentZ4config[Z4_SLOTS];

// A fixed list of short texts, shown in a combo box in this order.
struct OptionList {
    const char *const *items;
    int count;
};

constexpr int BUS_TYPE_COUNT = 3;
extern const char *const busTypeNames[BUS_TYPE_COUNT];
extern const char *const ioAddrChoices[];
extern const int ioAddrChoiceCount;
extern const char *const irqChoices[];
extern const int irqChoiceCount;

OptionList addressZ4_choices(uint32_t busType);
OptionList interruptZ4_choices(uint32_t busType);

// True when the list holds exactly this text.
bool optionZ4_list_has(OptionList list, const char *text);

// The port numbering state. COMMaxNum and SerialMaxNum are each the number just below the first
// COM port and the first Serial device to assign, and mean at each stage of a run:
// - after the scan: the highest COM and Serial numbers in use on the machine (the driver's own
//   loaded ports taken off when they are the highest);
// - after the reader, when the driver has a configuration: the lowest numbers of its own ports,
//   minus one;
// - in the dialog: shown plus one in the two suffix fields (both the larger of the two when the
//   driver owns no loaded device);
// - after Ok: the suffixes entered minus one, from which the writer counts plus one.
// LoadedSerialMaxNum is the highest Serial number the driver as loaded owns, 0 for none.
extern uint32_t COMMaxNum;
extern uint32_t SerialMaxNum;
extern uint32_t LoadedSerialMaxNum;

// Every character is one hex digit position; a character that is no hex digit counts as 0.
uint32_t hex_to_int(const char *text);

// Puts the tables and numbers back to their start contents (a new process's state).
void resetZ4_model();
