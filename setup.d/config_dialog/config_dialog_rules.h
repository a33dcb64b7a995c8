// The dialog's rules over the board tables, apart from its controls: what picking a bus type or
// choosing an interrupt does to the slots, what the suffix fields start from, and the checks of
// Ok. The dialog applies them to what its controls hold; another front end to what it was given.
#pragma once

#include <cstdint>

#include "board_model.h"

// The bus type a slot is shown with: codes other than ISA and PCI show as None.
uint32_t shownZ4_bus_type(uint32_t busType);

// The bus type named `name` picked for `slot`. False when the name is the one the slot shows,
// which changes nothing; true otherwise (a name that is none of the three changes no field).
bool pickZ4_bus_type(int slot, const char *name);

// The interrupt chosen for `slot`, shared by every other slot of the same bus type.
void chooseZ4_interrupt(int slot, uint32_t interrupt);

// The numbers the Logical and Device Name Suffix fields show when the dialog opens.
void initialZ4_suffixes(uint32_t *logical, uint32_t *device);

// What a refresh of the dialog leaves in the tables: the port count edit of a slot shown as None
// is emptied, and its change notification stores the empty text back as 0 ports.
void refreshedZ4_tables();

// What Ok reads back: each slot's bus type (its index in the list), interrupt, address and port
// count, and the two suffix fields, as unsigned numbers.
struct Z4Entries {
    BoardConfig boards[Z4_SLOTS];  // Enabled is not read
    uint32_t logicalSuffix;
    uint32_t deviceSuffix;
};

// What Ok reads from controls that show the tables as they are, with the two suffix fields
// holding `logical` and `device`: an interrupt or address that is not in the slot's list (or a
// slot shown as None or PCI) reads as 0, as does the empty port count of a None slot.
void shownZ4_entries(uint32_t logical, uint32_t device, Z4Entries *entries);

enum Z4Check {
    Z4_CHECK_PASSED,
    Z4_CHECK_PORT_COUNT,
    Z4_CHECK_LOGICAL_SUFFIX,
    Z4_CHECK_DEVICE_SUFFIX,
    Z4_CHECK_ADDRESS_CONFLICT,
};

// The first check that failed, its message and the control that gets the focus.
struct Z4CheckResult {
    Z4Check failed;
    char message[96];
    int focusId;
};

// Ok's checks in their order. Each slot's entries go into CurrentZ4config, and its Enabled is
// decided, just before its port count is checked; COMMaxNum and SerialMaxNum are set from the
// suffixes as each passes. The first failure stops the checks and leaves what was set so far.
Z4Check acceptZ4_entries(const Z4Entries &entries, Z4CheckResult *result);
