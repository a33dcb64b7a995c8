// The board file: the boards and the numbering as text, which "/s" applies and "/r" writes.
//
//   [Board1]            ; Board1 to Board4; a board without a section is None
//   BusType = ISA       ; ISA, PCI or None
//   Interrupt = 10      ; ISA only, one of the dialog's interrupts; optional
//   IOAddr = 308        ; ISA only, one of the dialog's addresses in hexadecimal; optional
//   Ports = 8
//   [Numbering]         ; optional
//   FirstDevice = 3     ; the Device Name Suffix; optional
//   FirstCOM = 3        ; the Logical Name Suffix; optional
//
// Comments start with ; or #; names of sections and keys are in any case; lines end in LF or
// CR LF.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board_model.h"

#define Z4_FILE_BOARD_FORMAT "Board%d"
#define Z4_FILE_NUMBERING "Numbering"
#define Z4_FILE_BUS_TYPE "BusType"
#define Z4_FILE_INTERRUPT "Interrupt"
#define Z4_FILE_IO_ADDR "IOAddr"
#define Z4_FILE_PORTS "Ports"
#define Z4_FILE_FIRST_DEVICE "FirstDevice"
#define Z4_FILE_FIRST_COM "FirstCOM"

constexpr size_t Z4_BOARD_FILE_MAX_BYTES = 65536;
constexpr size_t Z4_BOARD_FILE_MAX_LINE = 255;
// Room for a line's longest reason and a path, shortened from its start when it does not fit.
constexpr int Z4_BOARD_FILE_ERROR_CHARS = 1024;

// One key as the file gave it: `line` is 0 when the key is not given.
struct BoardFileValue {
    int line;
    uint32_t value;
};

// A [BoardN] section; `line` is 0 when the file has none (the board is None).
struct BoardFileSection {
    int line;
    BoardFileValue busType;  // BUS_NONE, BUS_ISA or BUS_PCI
    BoardFileValue interrupt;
    BoardFileValue ioAddr;
    BoardFileValue ports;
};

struct BoardFile {
    BoardFileSection boards[Z4_SLOTS];
    int numberingLine;
    BoardFileValue firstDevice;
    BoardFileValue firstCOM;
};

// "NAME:LINE: reason" into `error`; a name too long for the rest to fit loses its start to "...",
// never the line or the reason.
void formatZ4_file_error(char (&error)[Z4_BOARD_FILE_ERROR_CHARS], const char *name, int line,
                         const char *reason);

// The board file of `length` bytes, called `name` in messages: ANSI or UTF-8 (a byte-order mark
// passed over), or UTF-16 after its byte-order mark, little or big endian. False when it is
// malformed, with the first fault in `error` as one line "NAME:LINE: what is wrong". Nothing is
// guessed: every section and key must be known, given once and hold a value of its kind, a
// board section must give its BusType, and its Ports unless it is None, and the file must hold
// at least one board section.
bool parseZ4_board_file(const char *bytes, size_t length, const char *name, BoardFile *file,
                        char (&error)[Z4_BOARD_FILE_ERROR_CHARS]);

// The file at `path` read whole (at most Z4_BOARD_FILE_MAX_BYTES) and parsed.
bool readZ4_board_file(const char *path, BoardFile *file, char (&error)[Z4_BOARD_FILE_ERROR_CHARS]);
