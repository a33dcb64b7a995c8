// The difference between what Ok would leave in the registry and what it holds now: every change
// the writer would make, as a line. "/s" leaves a machine alone that holds the configuration
// already, and "/n" prints the lines. It only reads: no key is opened for writing.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board_model.h"
#include "reg_store_keys.h"
#include "reg_store.h"

namespace {

struct Plan {
    void (*each)(const char *line);
    unsigned count;
};

void change(Plan &p, const char *format, ...)
{
    ++p.count;
    if (!p.each)
        return;
    char line[1400];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    p.each(line);
}

// A value as the registry holds it; `length` past the buffer when it holds more.
struct Stored {
    bool present;
    DWORD type;
    DWORD length;
    BYTE data[64];
};

Stored storedZ4(HKEY key, const char *name)
{
    Stored s = {};
    s.length = sizeof s.data;
    LONG rc = RegQueryValueExA(key, name, nullptr, &s.type, s.data, &s.length);
    s.present = rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
    return s;
}

// A text as the writer writes it is stored with or without the NUL the registry may add.
bool sameZ4_value(const Stored &s, const ServiceValue &v)
{
    if (!s.present || s.type != v.type)
        return false;
    if (v.type == REG_DWORD)
        return s.length == 4 && std::memcmp(s.data, &v.number, 4) == 0;
    size_t length = strnlen(v.text, sizeof v.text - 1);
    return (s.length == length || (s.length == length + 1 && s.data[length] == 0)) &&
           s.length <= sizeof s.data && std::memcmp(s.data, v.text, length) == 0;
}

void describeZ4_stored(const Stored &s, char (&text)[120])
{
    if (!s.present)
        std::snprintf(text, sizeof text, "(none)");
    else if (s.type == REG_DWORD && s.length == 4)
        std::snprintf(text, sizeof text, "REG_DWORD 0x%x",
                      static_cast<unsigned>(s.data[0] | s.data[1] << 8 | s.data[2] << 16 |
                                            static_cast<uint32_t>(s.data[3]) << 24));
    else if ((s.type == REG_SZ || s.type == REG_EXPAND_SZ) && s.length <= sizeof s.data)
        std::snprintf(text, sizeof text, "%s \"%.*s\"", s.type == REG_SZ ? "REG_SZ" : "REG_EXPAND_SZ",
                      static_cast<int>(strnlen(reinterpret_cast<const char *>(s.data), s.length)),
                      reinterpret_cast<const char *>(s.data));
    else
        std::snprintf(text, sizeof text, "type %u, %u bytes", static_cast<unsigned>(s.type),
                      static_cast<unsigned>(s.length));
}

void describeZ4_value(const ServiceValue &v, char (&text)[120])
{
    if (v.type == REG_DWORD)
        std::snprintf(text, sizeof text, "REG_DWORD 0x%x", static_cast<unsigned>(v.number));
    else
        std::snprintf(text, sizeof text, "REG_SZ \"%s\"", v.text);
}

// One value compared; a line when the writer would set it.
void planZ4_value(Plan &p, HKEY key, const char *path, const ServiceValue &v)
{
    Stored s = key ? storedZ4(key, v.name) : Stored{};
    if (sameZ4_value(s, v))
        return;
    char was[120], now[120];
    describeZ4_stored(s, was);
    describeZ4_value(v, now);
    change(p, "set HKLM\\%s %s: %s -> %s", path, v.name, was, now);
}

// A key with all it holds, subkeys first, as the writer would delete it.
void planZ4_deletion(Plan &p, HKEY parent, const char *parentPath, const char *name)
{
    char path[1024];
    std::snprintf(path, sizeof path, "%s\\%s", parentPath, name);
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        SubkeyNames subkeys = collectZ4_subkey_names(key, queryZ4_key_counts(key).subkeys, Z4_SILENT);
        for (DWORD k = 0; k < subkeys.count; ++k)
            planZ4_deletion(p, key, path, subkeys.names[k].name);
        freeZ4_subkey_names(subkeys);
        RegCloseKey(key);
    }
    change(p, "delete key HKLM\\%s", path);
}

// Opens `name` below `parent` for reading, or says it would be created; null then.
HKEY openZ4_planned(Plan &p, HKEY parent, const char *name, const char *path)
{
    HKEY key;
    if (parent && RegOpenKeyExA(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS)
        return key;
    change(p, "create key HKLM\\%s", path);
    return nullptr;
}

// Every subkey of `key` but the expected ones goes; the names of those kept are marked.
void planZ4_other_subkeys(Plan &p, HKEY key, const char *path, const char *const *kept, DWORD keptCount)
{
    DWORD count = queryZ4_key_counts(key).subkeys;
    SubkeyNames subkeys = collectZ4_subkey_names(key, count, Z4_SILENT);
    // A subkey whose name cannot be read is one the writer cannot be sure of either.
    if (subkeys.count < count)
        change(p, "delete %u subkey(s) of HKLM\\%s, which cannot be read",
               static_cast<unsigned>(count - subkeys.count), path);
    for (DWORD k = 0; k < subkeys.count; ++k) {
        bool keep = false;
        for (DWORD i = 0; i < keptCount && !keep; ++i)
            keep = sameZ4_key_name(subkeys.names[k].name, kept[i]);
        if (!keep)
            planZ4_deletion(p, key, path, subkeys.names[k].name);
    }
    freeZ4_subkey_names(subkeys);
}

// Value `v` of a port key, which goes unless it is one of the two the writer writes. A name of
// any length is read; one that cannot be read at all is a difference too.
void planZ4_port_value(Plan &p, HKEY port, const char *path, DWORD v)
{
    char shortName[Z4_VALUE_NAME_CHARS + 1] = "";
    char *name = shortName;
    DWORD length = sizeof shortName;
    LONG rc = RegEnumValueA(port, v, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
        // The registry holds value names of up to 16383 characters.
        name = static_cast<char *>(std::malloc(Z4_VALUE_NAME_MAX_CHARS));
        length = Z4_VALUE_NAME_MAX_CHARS;
        rc = name ? RegEnumValueA(port, v, name, &length, nullptr, nullptr, nullptr, nullptr)
                  : ERROR_NOT_ENOUGH_MEMORY;
    }
    if (rc != ERROR_SUCCESS)
        change(p, "delete value %u of HKLM\\%s, which cannot be read (RegEnumValue = %d)",
               static_cast<unsigned>(v), path, static_cast<int>(rc));
    else if (!sameZ4_key_name(name, Z4_VALUE_DOSDEVICES) && !sameZ4_key_name(name, Z4_VALUE_PORTINDEX))
        change(p, "delete value HKLM\\%s %s", path, name);
    if (name != shortName)
        std::free(name);
}

// A port key as the writer writes it: DosDevices and PortIndex and nothing else.
void planZ4_port(Plan &p, HKEY board, const char *boardPath, uint32_t device, uint32_t com, uint32_t index)
{
    char name[32], path[1024];
    std::snprintf(name, sizeof name, "Serial%d", static_cast<int>(device));
    std::snprintf(path, sizeof path, "%s\\%s", boardPath, name);
    HKEY port = openZ4_planned(p, board, name, path);
    ServiceValue dosDevices = {Z4_VALUE_DOSDEVICES, REG_SZ, 0, ""};
    std::snprintf(dosDevices.text, sizeof dosDevices.text, Z4_DOSDEVICES_FORMAT, static_cast<int>(com));
    ServiceValue portIndex = {Z4_VALUE_PORTINDEX, REG_DWORD, index, ""};
    unsigned before = p.count;
    planZ4_value(p, port, path, dosDevices);
    planZ4_value(p, port, path, portIndex);
    if (!port)
        return;
    // The old port key goes before the new one is made: whatever else it holds goes with it.
    // Both values there and no more, which one query tells, is the common case.
    KeyCounts counts = queryZ4_key_counts(port);
    bool bothStored = p.count == before;
    for (DWORD v = 0; !(bothStored && counts.values == 2) && v < counts.values; ++v)
        planZ4_port_value(p, port, path, v);
    if (counts.subkeys)
        planZ4_other_subkeys(p, port, path, nullptr, 0);
    RegCloseKey(port);
}

void planZ4_board(Plan &p, HKEY parameters, int b, HKEY ports_key, bool portsOpen)
{
    const BoardConfig &slot = CurrentZ4config[b];
    char name[Z4_BOARD_NAME_CHARS], path[Z4_BOARD_PATH_CHARS];
    boardZ4_name(b, name);
    boardZ4_path(b, path);
    HKEY board = openZ4_planned(p, parameters, name, path);
    const ServiceValue values[] = {
        {Z4_VALUE_IOADDR, REG_DWORD, slot.IOAddr, ""},
        {Z4_VALUE_INTERRUPT, REG_DWORD, slot.Interrupt, ""},
        {Z4_VALUE_BUSTYPE, REG_DWORD, slot.BusType, ""},
    };
    for (const ServiceValue &v : values)
        planZ4_value(p, board, path, v);

    uint32_t device, com;
    firstZ4_port_numbers(b, &device, &com);
    // Ok has checked the count: at most 64 ports a board.
    const uint32_t ports = slot.NumPorts < Z4_MAX_PORTS ? slot.NumPorts : Z4_MAX_PORTS;
    char names[Z4_MAX_PORTS][16];
    const char *kept[Z4_MAX_PORTS];
    for (uint32_t i = 0; i < ports; ++i) {
        planZ4_port(p, board, path, device + i, com + i, i);
        char entry[32];
        std::snprintf(entry, sizeof entry, Z4_PORTS_ENTRY_FORMAT, static_cast<int>(com + i));
        Stored settings = portsOpen ? storedZ4(ports_key, entry) : Stored{};
        if (portsOpen && !settings.present)
            change(p, "add Ports entry %s = " Z4_PORTS_ENTRY_SETTINGS, entry);
        std::snprintf(names[i], sizeof names[i], "Serial%d", static_cast<int>(device + i));
        kept[i] = names[i];
    }
    if (board) {
        planZ4_other_subkeys(p, board, path, kept, ports);
        RegCloseKey(board);
    }
}

}  // namespace

unsigned planZ4_changes(void (*each)(const char *line))
{
    Plan p = {each, 0};
    HKEY service = openZ4_planned(p, HKEY_LOCAL_MACHINE, Z4_SERVICE_KEY, Z4_SERVICE_KEY);
    for (int v = 0; v < SERVICE_VALUE_COUNT; ++v) {
        ServiceValue value = ServiceValueTable[v];
        // A start mode of 4 bytes is kept as it is.
        Stored start = v == SERVICE_VALUE_START && service ? storedZ4(service, value.name) : Stored{};
        if (start.present && start.length == 4)
            std::memcpy(&value.number, start.data, 4);
        planZ4_value(p, service, Z4_SERVICE_KEY, value);
    }
    HKEY parameters = openZ4_planned(p, service, "Parameters", Z4_PARAMETERS_KEY);

    HKEY ports;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_PORTS_KEY, 0, KEY_READ, &ports);
    if (rc != ERROR_SUCCESS)
        change(p, "open key HKLM\\%s: RegOpenKeyEx = %d, no Ports entry could be added",
               Z4_PORTS_KEY, static_cast<int>(rc));

    const char *written[Z4_SLOTS];
    char names[Z4_SLOTS][Z4_BOARD_NAME_CHARS];
    DWORD writtenCount = 0;
    for (int b = 0; b < Z4_SLOTS; ++b) {
        if (!slotZ4_written(b))
            continue;
        boardZ4_name(b, names[writtenCount]);
        written[writtenCount] = names[writtenCount];
        ++writtenCount;
        planZ4_board(p, parameters, b, ports, rc == ERROR_SUCCESS);
    }
    if (parameters) {
        planZ4_other_subkeys(p, parameters, Z4_PARAMETERS_KEY, written, writtenCount);
        RegCloseKey(parameters);
    }
    if (rc == ERROR_SUCCESS)
        RegCloseKey(ports);
    if (service)
        RegCloseKey(service);
    p.count += planZ4_comdb(each);
    return p.count;
}
