// The dialog's rules over the board tables: bus type and interrupt changes, the suffixes the
// dialog opens with, and the checks of Ok.
#include "config_dialog_rules.h"

#include <cstdio>
#include <cstring>

#include "config_dialog_ids.h"
#include "z4setup_trace.h"

// busTypeNames has three entries; a code read from elsewhere may be any number.
uint32_t shownZ4_bus_type(uint32_t busType)
{
    return busType < BUS_TYPE_COUNT ? busType : BUS_NONE;
}

// Switching a slot to ISA: address and ports from the registry's ISA record for the slot, else
// the defaults; the interrupt of the first other ISA slot in the dialog, else of the first ISA
// board in the registry, else the default.
static void switchZ4_to_isa(int s)
{
    BoardConfig &rec = CurrentZ4config[s];
    const BoardConfig &reg = RegistryZ4config[s];
    rec.BusType = BUS_ISA;
    rec.Enabled = 1;
    if (reg.BusType == BUS_ISA) {
        rec.IOAddr = reg.IOAddr;
        rec.NumPorts = reg.NumPorts;
    } else {
        rec.IOAddr = DefaultZ4config[s].IOAddr;
        rec.NumPorts = DefaultZ4config[s].NumPorts;
    }
    rec.Interrupt = DefaultZ4config[s].Interrupt;
    for (int j = 0; j < Z4_SLOTS; ++j)
        if (RegistryZ4config[j].BusType == BUS_ISA) {
            rec.Interrupt = RegistryZ4config[j].Interrupt;
            break;
        }
    for (int j = 0; j < Z4_SLOTS; ++j)
        if (j != s && CurrentZ4config[j].BusType == BUS_ISA) {
            rec.Interrupt = CurrentZ4config[j].Interrupt;
            break;
        }
}

bool pickZ4_bus_type(int s, const char *name)
{
    BoardConfig &rec = CurrentZ4config[s];
    // Focus and drop-down notifications, and picking the type shown, change nothing.
    if (std::strcmp(name, busTypeNames[shownZ4_bus_type(rec.BusType)]) == 0)
        return false;
    traceZ4_line("Bustype changed to :%s:\n", name);
    if (std::strcmp(name, busTypeNames[BUS_NONE]) == 0) {
        rec = BoardConfig{BUS_NONE, 0, 0, 0, 0};
    } else if (std::strcmp(name, busTypeNames[BUS_PCI]) == 0) {
        rec.BusType = BUS_PCI;
        rec.IOAddr = 0;
        rec.Interrupt = 0;
        rec.Enabled = 1;
        rec.NumPorts = RegistryZ4config[s].BusType == BUS_PCI ? RegistryZ4config[s].NumPorts : 0;
    } else if (std::strcmp(name, busTypeNames[BUS_ISA]) == 0) {
        switchZ4_to_isa(s);
    }
    return true;
}

void chooseZ4_interrupt(int s, uint32_t interrupt)
{
    BoardConfig &rec = CurrentZ4config[s];
    rec.Interrupt = interrupt;
    for (int j = 0; j < Z4_SLOTS; ++j)
        if (j != s && CurrentZ4config[j].BusType == rec.BusType)
            CurrentZ4config[j].Interrupt = rec.Interrupt;
}

// With no Serial device of the driver loaded, both fields offer one number above the larger of
// the two in use.
void initialZ4_suffixes(uint32_t *logical, uint32_t *device)
{
    if (LoadedSerialMaxNum != 0) {
        *logical = COMMaxNum + 1;
        *device = SerialMaxNum + 1;
    } else if (COMMaxNum < SerialMaxNum) {
        *logical = *device = SerialMaxNum + 1;
    } else {
        *logical = *device = COMMaxNum + 1;
    }
}

void refreshedZ4_tables()
{
    for (BoardConfig &slot : CurrentZ4config)
        if (shownZ4_bus_type(slot.BusType) == BUS_NONE)
            slot.NumPorts = 0;
}

void shownZ4_entries(uint32_t logical, uint32_t device, Z4Entries *entries)
{
    for (int i = 0; i < Z4_SLOTS; ++i) {
        const BoardConfig &rec = CurrentZ4config[i];
        BoardConfig &read = entries->boards[i];
        // Formatted as the refresh formats them: it selects the item equal to the text, which
        // reads back as the same number.
        char interrupt[16], address[16];
        std::snprintf(interrupt, sizeof interrupt, "%d", static_cast<int>(rec.Interrupt));
        std::snprintf(address, sizeof address, "%X", static_cast<unsigned>(rec.IOAddr));
        read.BusType = shownZ4_bus_type(rec.BusType);
        read.Interrupt = optionZ4_list_has(interruptZ4_choices(rec.BusType), interrupt) ? rec.Interrupt : 0;
        read.IOAddr = optionZ4_list_has(addressZ4_choices(rec.BusType), address) ? rec.IOAddr : 0;
        read.NumPorts = read.BusType == BUS_NONE ? 0 : rec.NumPorts;
        read.Enabled = 0;
    }
    entries->logicalSuffix = logical;
    entries->deviceSuffix = device;
}

static bool legalZ4_port_count(uint32_t n) { return !(n < 4 || n > Z4_MAX_PORTS || (n > 4 && n % 8 != 0)); }

static Z4Check failZ4_check(Z4CheckResult *result, Z4Check check, int focusId)
{
    result->failed = check;
    result->focusId = focusId;
    return check;
}

Z4Check acceptZ4_entries(const Z4Entries &entries, Z4CheckResult *result)
{
    result->failed = Z4_CHECK_PASSED;
    result->message[0] = '\0';
    result->focusId = 0;
    for (int i = 0; i < Z4_SLOTS; ++i) {
        BoardConfig &rec = CurrentZ4config[i];
        const BoardConfig &read = entries.boards[i];
        rec.BusType = read.BusType;
        rec.Interrupt = read.Interrupt;
        rec.IOAddr = read.IOAddr;
        rec.NumPorts = read.NumPorts;
        if (rec.BusType == BUS_NONE) {
            rec.Enabled = 0;
            continue;
        }
        if (!legalZ4_port_count(rec.NumPorts)) {
            std::snprintf(result->message, sizeof result->message,
                          "ERROR: Number of Ports is out of legal range for board %d", i + 1);
            return failZ4_check(result, Z4_CHECK_PORT_COUNT, boardZ4_control_id(i, COL_NUM_PORTS));
        }
        rec.Enabled = 1;
    }

    // Both numbers are compared as signed: a typed "-1" reads as 4294967295.
    int logical = static_cast<int>(entries.logicalSuffix);
    if (logical < 1 || logical > 99) {
        std::strcpy(result->message, "ERROR: Logical name suffix is out of legal range");
        return failZ4_check(result, Z4_CHECK_LOGICAL_SUFFIX, IDC_LOGICAL_SUFFIX);
    }
    COMMaxNum = static_cast<uint32_t>(logical) - 1;

    // A suffix of 0 wraps to 0xFFFFFFFF: the writer counts from SerialMaxNum + 1.
    int device = static_cast<int>(entries.deviceSuffix);
    if (device < 0 || device > 99) {
        std::strcpy(result->message, "ERROR: Device name suffix is out of legal range");
        return failZ4_check(result, Z4_CHECK_DEVICE_SUFFIX, IDC_DEVICE_SUFFIX);
    }
    SerialMaxNum = static_cast<uint32_t>(device) - 1;

    for (int i = 0; i < Z4_SLOTS; ++i) {
        for (int j = 0; j < Z4_SLOTS; ++j) {
            if (j == i || CurrentZ4config[i].IOAddr != CurrentZ4config[j].IOAddr ||
                CurrentZ4config[j].BusType != BUS_ISA)
                continue;
            std::snprintf(result->message, sizeof result->message,
                          "ERROR: IOAddr:0x%x Board %d conflicts with Board%d",
                          static_cast<unsigned>(CurrentZ4config[i].IOAddr), i + 1, j + 1);
            return failZ4_check(result, Z4_CHECK_ADDRESS_CONFLICT, boardZ4_control_id(j, COL_IO_ADDR));
        }
        traceZ4_line("GUS bd=%d bustypesymbol=%d:", i, boardZ4_control_id(i, COL_BUS_TYPE));
    }
    return Z4_CHECK_PASSED;
}
