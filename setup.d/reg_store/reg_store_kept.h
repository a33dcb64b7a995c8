// What a run without a window keeps of what it read, so that the checks and the plan after the
// reader read no key a second time: the board and port keys as the reader found them, the two
// maps as the scan found them, and the COM port database as first read. The dialog keeps
// nothing: its checks come at Ok, long after its reads.
#pragma once

#include <cstdint>

#include "platform.h"
#include "reg_store_keys.h"

struct KeptPort {
    char name[Z4_SUBKEY_NAME_MAX_CHARS];
    bool read;       // opened, both values asked for
    bool counted;    // its values and subkeys counted
    Stored portIndex, dosDevices;
    DWORD values, subkeys;
};

// One board key the reader opened, with every subkey it enumerated.
struct KeptBoard {
    char name[Z4_SUBKEY_NAME_MAX_CHARS];
    bool read;
    Stored ioAddr, interrupt, busType;
    bool whole;  // every subkey's name was read
    KeptPort *ports;
    DWORD portCount;
};

struct KeptReads {
    bool on;
    // The Parameters key's board keys as the reader enumerated them (it looks at four at most).
    bool parametersRead;
    bool parametersWhole;  // it holds no more, and every name was read
    KeptBoard boards[4];
    DWORD boardCount;
    // The device map (every value read whole, else not kept) and the driver's loaded devices.
    bool deviceMapRead, deviceMapOpened;
    MapValue *deviceMap;
    DWORD deviceMapCount;
    bool loadedRead;
    uint32_t *loaded;
    DWORD loadedCount;
    // The COM port database's first reading: a copy, or the fault that ended it.
    bool comdbRead;
    void *comdb;
    size_t comdbBytes;
    const char *comdbCall;
    LONG comdbRc;
};
extern KeptReads Z4Kept;

// On: what is read from now on is kept. Off: all that was kept is let go, and every check reads
// the registry again (before a write, whose changes no kept read shows).
void keepZ4_reads(bool on);

// Moves each board the reader read to the slot its key's name gives ("Board1" to "Board4", as
// the writer names them) when every key it read has such a name; otherwise the slots stay in
// the order the keys were found.
void placeZ4_boards_by_name();

// Whether the reader read a port key of the driver: its numbers then come from the driver's ports.
bool keptZ4_any_port();

// The kept board whose key has `name`; null when there is none.
const KeptBoard *keptZ4_board(const char *name);
// The kept port of `board` named `name`; null when there is none.
const KeptPort *keptZ4_port(const KeptBoard &board, const char *name);
