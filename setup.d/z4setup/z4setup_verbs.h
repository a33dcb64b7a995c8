// The verbs of the command line besides the dialog and the removal; each returns the process's
// exit code.
#pragma once

#include <cstdint>

// Exit codes of the runs without a window.
enum {
    Z4_EXIT_DONE = 0,
    Z4_EXIT_REMOVED = 1,   // "/d": none of the driver's keys is left
    Z4_EXIT_BAD_FILE = 2,  // the board file is missing, unreadable or malformed, or cannot be written
    Z4_EXIT_REFUSED = 3,   // the configuration is refused
    Z4_EXIT_WRITE_FAILED = 4,  // the registry does not hold what was asked (the reason is reported)
    Z4_EXIT_RUNNING = 5,   // another z4setup is running
    Z4_EXIT_CHANGES = 6,   // "/n": the registry differs from what "/s" would leave
    Z4_EXIT_INTERRUPTED = 7,  // the console's interrupt ended the run before anything was written
};

// The run is the console companion's: its verbs say in a line what they did.
extern bool Z4AtConsole;

// The tool's named mutex, held from the start of a run to its end; false when another z4setup
// holds it. A mutex that cannot be made at all holds nobody back.
bool holdZ4_instance();
void releaseZ4_instance();

// Ok's write: the old board keys deleted, the configuration written and its COM numbers claimed,
// the console's interrupts held meanwhile. True only when the registry then holds the
// configuration: nothing reported, and a look afterwards finds nothing left to change (what it
// finds is listed in one "Debug" box, or a line each).
bool writeZ4_configuration();

// The boards the configuration writes, a line each ("Board1: ISA, Interrupt 5, IOAddr 310, Ports
// 8: Serial3-Serial10, COM3-COM10"): printed, or only kept for the run's event.
void sayZ4_written_boards(bool print);
// Whether this run's write began (the registry may have changed).
extern bool Z4WriteBegun;
// "/s FILE": the board file applied as a user would enter it in the dialog, then Ok.
int applyZ4_file(const char *file);
// "/n FILE": everything "/s FILE" does up to the write, then the changes the write would make,
// a line each, and their count; exit 0 when there is none, 6 otherwise. Writes nothing.
int planZ4_file(const char *file);
// "/r [FILE]": the configuration as the dialog would show it, as a board file, to FILE or to
// standard output when FILE is empty.
int showZ4_file(const char *file);
// "/?": the switches, the exit codes and the board file, in a box or, where reports are lines,
// as lines on standard output.
int showZ4_usage();

// The start of a run without a window: reports go by `route` (boxes only for the exe's "/d" and
// "/?", lines, or comment lines), and the system shows no error box of its own, nor its crash
// dialog: a crash ends the process with a code of its own instead of waiting for a person.
void startZ4_unattended(int route);

// The dialog's first state without the dialog: the scan and the reader run, the suffix fields
// are taken as they would open (into `logical` and `device`; where the reader read the driver's
// ports, as those ports are numbered), and the first refresh is applied.
void openZ4_unattended(uint32_t *logical, uint32_t *device);

// "Serial3-Serial10, COM3-COM10": the names the writer gives the ports of a written slot, from
// the tables as they stand.
void namesZ4_of_ports(int slot, char (&text)[96]);
