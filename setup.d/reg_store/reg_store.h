// The driver's registry layout, and the procedures that scan, read, write and remove it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform.h"

// Keys, all below HKEY_LOCAL_MACHINE.
#define Z4_PORTS_KEY "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports"
#define Z4_SERVICES_KEY "SYSTEM\\CurrentControlSet\\Services"
#define Z4_SERVICE_KEY Z4_SERVICES_KEY "\\Serialz4"
#define Z4_PARAMETERS_KEY Z4_SERVICE_KEY "\\Parameters"
#define Z4_BOARD_KEY_PREFIX Z4_PARAMETERS_KEY "\\Board"
#define Z4_BOARD_NAME_FORMAT "Board%d"
#define Z4_RESOURCE_MAP_KEY "HARDWARE\\RESOURCEMAP\\LOADED SERIAL DRIVER RESOURCES\\serialz4"
#define Z4_DEVICE_MAP_KEY "HARDWARE\\DEVICEMAP\\SERIALCOMM"
#define Z4_SERVICE_PARAMETERS_NAME "Serialz4\\Parameters"
#define Z4_SERVICE_NAME "Serialz4"

// Value names.
#define Z4_VALUE_ERROR_CONTROL "ErrorControl"
#define Z4_VALUE_GROUP "Group"
#define Z4_VALUE_TYPE "Type"
#define Z4_VALUE_INTERRUPT "Interrupt"
#define Z4_VALUE_IOADDR "IOAddr"
#define Z4_VALUE_BUSTYPE "BusType"
#define Z4_VALUE_DOSDEVICES "DosDevices"
#define Z4_VALUE_PORTINDEX "PortIndex"
#define Z4_VALUE_START "Start"
#define Z4_PORTS_ENTRY_FORMAT "COM%d:"
#define Z4_PORTS_ENTRY_SETTINGS "9600,n,8,1"
#define Z4_DOSDEVICES_FORMAT "COM%d "

// One value the tool writes: a number for REG_DWORD, a text otherwise.
struct ServiceValue {
    char name[20];
    uint32_t type;
    uint32_t number;
    char text[20];
};

constexpr int SERVICE_VALUE_COUNT = 4;
constexpr int SERVICE_VALUE_START = 2;
extern ServiceValue ServiceValueTable[SERVICE_VALUE_COUNT];

constexpr int PORT_VALUE_COUNT = 2;
constexpr int PORT_VALUE_DOSDEVICES = 0;
constexpr int PORT_VALUE_PORTINDEX = 1;
extern ServiceValue PortValueTable[PORT_VALUE_COUNT];

// A DWORD entry is its 4 bytes; any other entry is its text without the terminating NUL.
LONG setZ4_value(HKEY key, const ServiceValue &value);

// The decimal number at position p of the first `length` bytes of a text: white space skipped,
// one optional sign, digits up to the first non-digit; 0 when there is none.
uint32_t numberZ4_at(const char *text, size_t length, size_t p);

// The board key of a slot, "...\Parameters\Board<slot + 1>", and its name below Parameters.
constexpr int Z4_BOARD_PATH_CHARS = 128;
void boardZ4_path(int slot, char (&path)[Z4_BOARD_PATH_CHARS]);
constexpr int Z4_BOARD_NAME_CHARS = 32;
void boardZ4_name(int slot, char (&name)[Z4_BOARD_NAME_CHARS]);
// The slot whose board key the writer names `name` (as the registry compares names); -1 for
// any other name.
int boardZ4_slot(const char *name);

// What Ok leaves, described once for the writer, the plan and the look after the write.
// The board key's values, in the order the writer sets them.
constexpr int Z4_BOARD_VALUE_COUNT = 3;
void boardZ4_values(int slot, ServiceValue (&values)[Z4_BOARD_VALUE_COUNT]);
// The port key of device number `device` below its board key: "Serial<device>".
constexpr int Z4_PORT_NAME_CHARS = 24;
void portZ4_name(uint32_t device, char (&name)[Z4_PORT_NAME_CHARS]);
// The device number a port key's name gives: the number after the prefix portZ4_name writes,
// whatever the name holds there (numberZ4_at's rule).
uint32_t portZ4_device_number(const char *name);
// A port key's two values, in the order the writer sets them: "DosDevices" "COM<com> " and
// "PortIndex" `index`.
void portZ4_values(uint32_t com, uint32_t index, ServiceValue (&values)[PORT_VALUE_COUNT]);
// The Ports list's entry of COM number `com` ("COM<com>:"), with the settings it is added with.
void portsZ4_entry(uint32_t com, ServiceValue *entry);
// The start mode kept from what a read of "Start" answered (`rc`, `length` bytes at `data`):
// a value of exactly 4 bytes as it is, 2 where there is none or it has another size. False
// where the read failed otherwise: there is a start mode, but no telling which.
bool keptZ4_start(LONG rc, DWORD length, const BYTE *data, uint32_t *start);

// A slot the writer writes: enabled, with at least one port.
bool slotZ4_written(int slot);
// The device and COM numbers the writer gives the first port of `slot`, counting on from
// SerialMaxNum + 1 and COMMaxNum + 1 across the written slots before it; false when the slot is
// not written.
bool firstZ4_port_numbers(int slot, uint32_t *device, uint32_t *com);

// A number the writer would give that the device map already names for another driver: a COM
// number (isCom) or a Serial device number, and the text that says so, e.g. "COM1 is already
// used by Serial0.".
struct Z4Collision {
    bool isCom;
    char text[400];
    int slot;  // for a resource another driver holds (findZ4_resource_conflict): the board, else -1
    bool isInterrupt;
};

// The first such number in the writer's order, from the tables as they stand; false when there
// is none, when nothing is written, or when the device map cannot be read. A COM port database
// that cannot be read is one too: what it holds cannot be checked. Devices of this driver
// as loaded (in the resource map) are not counted: the writer replaces them.
bool findZ4_collision(Z4Collision *collision);

// What the ISA boards Ok is about to write take: their one shared interrupt and the I/O window of
// each (the 8 ports from its IOAddr); false when no ISA board is written.
struct Z4IsaUse {
    bool any;
    uint32_t interrupt;
    int firstSlot;  // the first ISA board's slot
    int boards;     // of ioAddr and slot
    uint32_t ioAddr[4];
    int slot[4];
};
bool usedZ4_by_isa_boards(Z4IsaUse *use);

// The first descriptor of a CM_RESOURCE_LIST of `length` bytes that conflicts with `use`: an
// interrupt at its level, or I/O ports overlapping a window. `wide`: the 64-bit kernel's layout
// (20-byte partial descriptors) instead of the 32-bit one (16). A list whose counts or sizes run
// past `length` is read as far as it is whole, never past it.
struct Z4ResourceHit {
    bool isInterrupt;
    uint32_t interrupt;
    uint32_t ioAddr, first, last;  // the board's address, the other device's ports
    int slot;                      // the board's slot
};
bool findZ4_list_conflict(const BYTE *data, size_t length, bool wide, const Z4IsaUse &use,
                          Z4ResourceHit *hit);
// Whether the running kernel is 64-bit (so are its resource lists), also under WOW64.
bool kernelZ4_is_64bit();

// The first interrupt or I/O port of the written ISA boards that another driver holds, from the
// ".Raw" values of every driver key under HKLM\HARDWARE\RESOURCEMAP but this driver's own, e.g.
// "Interrupt 10 is already used by \Device\Sound0 (OtherDrivers\sndz)."; false when there is none.
bool findZ4_resource_conflict(Z4Collision *conflict);

// The COM port database of Windows 2000 and later (msports.dll, loaded at run time): numbers 1
// to Z4_COMDB_MAX_PORTS, each marked in use or free. Where the DLL is missing (Windows NT 4.0)
// or the database cannot be opened, these do nothing and find nothing.
constexpr uint32_t Z4_COMDB_MAX_PORTS = 4096;

// A COM number the driver's configuration holds, from a port's DosDevices text ("COM3 "), noted
// by the reader and the removal; the driver's own numbers never count as another's.
void noteZ4_driver_com(const char *dosDevices, size_t length);
void forgetZ4_driver_coms();

// What the database marks in use: inUse[n - 1] for COMn, n up to `ports`. Null where there is no
// database; freed by the caller.
struct ComDBUsage {
    DWORD ports;
    BYTE inUse[1];
};
// Where msports.dll is there but the database cannot be opened or read, null with `fault` naming
// the call and its code ("ComDBOpen", 5); `fault->call` is null otherwise.
struct ComDBFault {
    const char *call;
    LONG rc;
};
ComDBUsage *readZ4_comdb_usage(ComDBFault *fault = nullptr);
// Whether the database holds `com` for something other than this driver's configuration.
bool reservedZ4_elsewhere(const ComDBUsage *usage, uint32_t com);

// After a successful write: every COM number written claimed (the database grown first where a
// number lies beyond it), the driver's old numbers the new configuration does not hold released.
// Failures are reported as the writer's are, and make it false.
bool claimZ4_written_coms();
// After a removal: the numbers of the configuration removed released; false as above.
bool releaseZ4_driver_coms();
// What claimZ4_written_coms would change in the database, a line each to `each` (when not
// null); the number of changes.
unsigned planZ4_comdb(void (*each)(const char *line));

// What the writer would change, from the tables as Ok leaves them and the registry as it stands:
// a line each to `each` (when not null), children before parents, old data before new; the
// number of changes, 0 when the registry holds this configuration already. Only reads.
unsigned planZ4_changes(void (*each)(const char *line));
// After a write: what still differs, reading again only the parts the last plan found different
// (the whole configuration where no plan came before the write, as in the dialog).
unsigned planZ4_still_needed(void (*each)(const char *line));
// No plan before the next write.
void forgetZ4_plan();
// The start mode the last plan found to keep; false where no plan came before the write.
bool plannedZ4_start(uint32_t *start);

// The tables as a new process has them: the writer fills them in as it goes.
void resetZ4_value_tables();

// Run sequence steps. The number after "Line" in the texts of their reports identifies the place
// of the report.
void getZ4_port_numbers();
void getZ4_reg_params();
// The removal of the board keys; false when one was left or could not be listed (reported).
bool delZ4_reg_boards();
// The writer: the code of the step that stopped it, 0 when it went to the end. `whole`, where
// given: no failure passed over on the way (the Ports list not opened, an old key left; reported).
LONG setZ4_reg_params(bool *whole = nullptr);
// The removal; true when none of the driver's keys is left afterwards.
bool removeZ4_config();
// False when a key could not be deleted (reported).
bool delZ4_reg_service();
