// The configuration reader: the driver's board and port keys back into the tables and numbers.
#include <cstdlib>
#include <cstring>

#include "board_model.h"
#include "config_dialog_ids.h"
#include "reg_store_keys.h"
#include "reg_store_kept.h"
#include "reg_store.h"
#include "z4setup_trace.h"

static bool readZ4_ok(LONG rc)
{
    return rc == ERROR_SUCCESS || rc == ERROR_INSUFFICIENT_BUFFER;
}

// A number read as 4 bytes whatever its stored type; 0 where fewer bytes were stored. `kept`,
// when not null, gets the value as the query found it.
static LONG readZ4_number(HKEY key, const char *name, uint32_t &number, Stored *kept = nullptr)
{
    Stored value;
    LONG rc = queryZ4_value(key, name, 4, &value);
    std::memcpy(&number, value.data, sizeof number);
    if (kept)
        *kept = value;
    return rc;
}

static void setZ4_both(int slot, uint32_t BoardConfig::*field, uint32_t value)
{
    RegistryZ4config[slot].*field = value;
    CurrentZ4config[slot].*field = value;
}

// Board key values; a value that cannot be read leaves the slot's field as it was.
static void readZ4_board_values(HKEY board, int i, int32_t oldStyleInterrupt, KeptBoard *kept)
{
    uint32_t value;
    LONG rc = readZ4_number(board, Z4_VALUE_IOADDR, value, kept ? &kept->ioAddr : nullptr);
    if (readZ4_ok(rc))
        setZ4_both(i, &BoardConfig::IOAddr, value);
    else
        showZ4_read_error("Line:%d 0 based index = %d, retValue = %d", 1606, i, rc);
    traceZ4_line("getZ4_reg_params:ioaddr:%x\n", RegistryZ4config[i].IOAddr);

    rc = readZ4_number(board, Z4_VALUE_INTERRUPT, value, kept ? &kept->interrupt : nullptr);
    if (readZ4_ok(rc))
        setZ4_both(i, &BoardConfig::Interrupt, value);
    else if (oldStyleInterrupt >= 0)
        setZ4_both(i, &BoardConfig::Interrupt, static_cast<uint32_t>(oldStyleInterrupt));
    else
        showZ4_read_error("Line:%d 0 based index = %d, retValue = %d", 1644, i, rc);
    traceZ4_line("getZ4_reg_params:interrupt:%d\n", RegistryZ4config[i].Interrupt);

    rc = readZ4_number(board, Z4_VALUE_BUSTYPE, value, kept ? &kept->busType : nullptr);
    setZ4_both(i, &BoardConfig::BusType, readZ4_ok(rc) ? value : BUS_ISA);
    traceZ4_line("getZ4_reg_params:bustype:%d\n", RegistryZ4config[i].BusType);
}

// One port key: raises the board's port count and lowers the numbering state.
static void readZ4_port(HKEY port, const char *portName, int i, DWORD j, KeptPort *kept)
{
    uint32_t portIndex;
    LONG rc = readZ4_number(port, Z4_VALUE_PORTINDEX, portIndex, kept ? &kept->portIndex : nullptr);
    if (readZ4_ok(rc)) {
        uint32_t p = portIndex + 1;
        if (j == 0 || RegistryZ4config[i].NumPorts < p)
            setZ4_both(i, &BoardConfig::NumPorts, p);
    } else {
        // Without its index the port says nothing about the board's size.
        showZ4_read_error("Line:%d 0 based index = %d, retValue = %d", 1741, j, rc);
    }

    constexpr DWORD DOSDEVICES_ROOM = 50;
    Stored stored;
    rc = queryZ4_value(port, Z4_VALUE_DOSDEVICES, DOSDEVICES_ROOM, &stored);
    const char *dosDevices = reinterpret_cast<const char *>(stored.data);
    const DWORD length = stored.length;
    if (kept) {
        kept->dosDevices = stored;
        // Whether the key holds anything besides its two values, for the plan.
        KeyCounts counts = queryZ4_key_counts(port);
        kept->values = counts.values;
        kept->subkeys = counts.subkeys;
        // Counts that could not be read say nothing: the plan reads such a port key again.
        kept->counted = counts.rc == ERROR_SUCCESS;
        kept->read = true;
    }
    // The text is stored without its NUL; it ends at the first zero byte or the bytes read.
    size_t textLength = 0;
    if (readZ4_ok(rc)) {
        textLength = strnlen(dosDevices, length < DOSDEVICES_ROOM ? length : DOSDEVICES_ROOM);
        noteZ4_driver_com(dosDevices, textLength);
    } else
        showZ4_read_error("Line:%d 0 based index = %d, retValue = %d", 1770, j, rc);

    uint32_t com = numberZ4_at(dosDevices, textLength, 3);
    uint32_t device = portZ4_device_number(portName);
    if (i == 0 && j == 0) {
        COMMaxNum = com;
        SerialMaxNum = device;
    } else {
        if (com < COMMaxNum)
            COMMaxNum = com;
        if (device < SerialMaxNum)
            SerialMaxNum = device;
    }
    traceZ4_line("getZ4_reg_params:COMMaxNum:%d SerialMaxNum:%d\n", COMMaxNum, SerialMaxNum);
}

// The names a kept board's key holds, each port's reads with it; a name that cannot be read
// leaves the list short of whole.
static KeptPort *keepZ4_port_name(KeptBoard *kept, SubkeyOpen opened, const char *name)
{
    if (!kept)
        return nullptr;
    if (!kept->ports || opened == Z4_SUBKEY_SKIPPED || opened == Z4_SUBKEY_END) {
        kept->whole = false;
        return nullptr;
    }
    KeptPort *port = &kept->ports[kept->portCount++];
    std::strcpy(port->name, name);
    return port;
}

static void readZ4_ports(HKEY board, int i, KeptBoard *kept)
{
    KeyCounts counts = queryZ4_key_counts(board);
    traceZ4_line("getZ4_reg_params:num dwcSubKey:%d Max data %d\n", counts.subkeys,
            counts.longestSubkey);
    if (kept) {
        kept->ports = counts.subkeys
                          ? static_cast<KeptPort *>(std::calloc(counts.subkeys, sizeof(KeptPort)))
                          : nullptr;
        // A board whose subkeys could not be counted may hold any: the plan reads it again.
        kept->whole = counts.rc == ERROR_SUCCESS && (kept->ports || counts.subkeys == 0);
    }
    for (DWORD j = 0; j < counts.subkeys; ++j) {
        char portName[Z4_SUBKEY_NAME_MAX_CHARS];
        HKEY port;
        SubkeyOpen opened = openZ4_subkey_at(board, j, portName, &port, 1718);
        KeptPort *keptPort = keepZ4_port_name(kept, opened, portName);
        if (opened == Z4_SUBKEY_END)
            break;
        if (opened == Z4_SUBKEY_OPENED) {
            readZ4_port(port, portName, i, j, keptPort);
            RegCloseKey(port);
        }
    }
}

// Board loop over the Parameters key's subkeys, slot by slot in enumeration order.
static void readZ4_boards(HKEY parameters, DWORD subkeys, int32_t oldStyleInterrupt)
{
    // The tables have four slots; board keys beyond the fourth are not looked at.
    DWORD boards = subkeys < Z4_SLOTS ? subkeys : Z4_SLOTS;
    for (DWORD i = 0; i < boards; ++i) {
        int slot = static_cast<int>(i);
        setZ4_both(slot, &BoardConfig::Enabled, 1);
        traceZ4_line("GRP2 bd=%d bustypesymbol=%d:", slot, boardZ4_control_id(slot, COL_BUS_TYPE));
        char boardName[Z4_SUBKEY_NAME_MAX_CHARS];
        HKEY board;
        SubkeyOpen opened = openZ4_subkey_at(parameters, i, boardName, &board, 1582);
        KeptBoard *kept = Z4Kept.on ? &Z4Kept.boards[Z4Kept.boardCount++] : nullptr;
        if (kept && (opened == Z4_SUBKEY_SKIPPED || opened == Z4_SUBKEY_END))
            Z4Kept.parametersWhole = false;
        if (opened == Z4_SUBKEY_END)
            return;
        if (kept)
            std::strcpy(kept->name, boardName);
        if (opened != Z4_SUBKEY_OPENED)
            continue;
        readZ4_board_values(board, slot, oldStyleInterrupt, kept);
        readZ4_ports(board, slot, kept);
        if (kept)
            kept->read = true;
        RegCloseKey(board);
        const BoardConfig &read = RegistryZ4config[slot];
        traceZ4_line("getZ4_reg_params:RegistryZ4config[%d]:ioaddr:%x interrupt:%d numports:%d\n",
                slot, read.IOAddr, read.Interrupt, read.NumPorts);
    }
}

void getZ4_reg_params()
{
    traceZ4_line("GRP1 bd=%d bustypesymbol=%d:", 1, boardZ4_control_id(1, COL_BUS_TYPE));
    HKEY parameters;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_PARAMETERS_KEY, 0, KEY_READ, &parameters) ==
        ERROR_SUCCESS) {
        KeyCounts counts = queryZ4_key_counts(parameters);
        traceZ4_line("getZ4_reg_params:num dwcSubKeys:%d Max data %d dwcValues=%d\n", counts.subkeys,
                counts.longestSubkey, counts.values);

        // The interrupt once kept for all boards together, used where a board has none.
        int32_t oldStyleInterrupt = -1;
        if (counts.values != 0) {
            uint32_t value;
            if (readZ4_number(parameters, Z4_VALUE_INTERRUPT, value) == ERROR_SUCCESS)
                oldStyleInterrupt = static_cast<int32_t>(value);
            traceZ4_line("getZ4_reg_params:old_style_interrupt:%d\n", oldStyleInterrupt);
        }

        Z4Kept.parametersRead = Z4Kept.on;
        Z4Kept.parametersWhole = Z4Kept.on && counts.rc == ERROR_SUCCESS && counts.subkeys <= Z4_SLOTS;
        if (counts.subkeys != 0) {
            readZ4_boards(parameters, counts.subkeys, oldStyleInterrupt);
            // The numbers name the ports just below the driver's lowest ones.
            COMMaxNum -= 1;
            SerialMaxNum -= 1;
        }
        RegCloseKey(parameters);
    }
    traceZ4_line("GRP3 bd=%d bustypesymbol=%d:", 1, boardZ4_control_id(1, COL_BUS_TYPE));
}
