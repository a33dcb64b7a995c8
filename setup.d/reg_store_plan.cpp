// The difference between what Ok would leave in the registry and what it holds now: every change
// the writer would make, as a line. "/s" leaves a machine alone that holds the configuration
// already, and "/n" prints the lines. It only reads: no key is opened for writing.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board_model.h"
#include "reg_store_keys.h"
#include "reg_store_kept.h"
#include "reg_store.h"

namespace {

struct Plan {
    void (*each)(const char *line);
    unsigned count;
    bool marked;  // only the parts the last plan found different are read again
};

// The parts of the configuration the last plan found different: after a write only these are
// read again.
struct PlanMarks {
    bool valid;
    bool parameters;  // the Parameters key's other subkeys
    bool board[Z4_SLOTS];   // a board key and its values
    bool others[Z4_SLOTS];  // a board key's other subkeys
    bool port[Z4_SLOTS][Z4_MAX_PORTS];
    bool entry[Z4_SLOTS][Z4_MAX_PORTS];
    bool comdb;
    // The start mode the writer was to keep: after the write it is what the service must hold,
    // whatever the writer could read of it then.
    bool startKnown;
    uint32_t start;
};
PlanMarks Z4Marks;

// Whether a part is read: always in a plan of its own, after a write only where it was marked.
// `known`: what was kept shows it as the writer writes it.
bool readZ4_part(const Plan &p, bool mark, bool known)
{
    return p.marked ? mark : !known;
}

// A part's mark, from the count before it, in a plan of its own.
void markZ4_part(const Plan &p, bool &mark, unsigned before)
{
    if (!p.marked)
        mark = p.count != before;
}

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

// Whether `name` is one of `count` names, as the registry compares key names.
bool isZ4_one_of(const char *name, const char *const *names, DWORD count)
{
    for (DWORD i = 0; i < count; ++i)
        if (sameZ4_key_name(name, names[i]))
            return true;
    return false;
}

// A value as the registry holds it; `length` past the buffer when it holds more.
Stored storedZ4(HKEY key, const char *name, LONG *result = nullptr)
{
    BYTE data[sizeof(Stored::data)];
    DWORD type = REG_NONE, length = sizeof data;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, data, &length);
    if (result)
        *result = rc;
    return storedZ4_from(rc, type, length, data, sizeof data);
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
           s.length <= s.capacity && std::memcmp(s.data, v.text, length) == 0;
}

void describeZ4_stored(const Stored &s, char (&text)[120])
{
    if (!s.present)
        std::snprintf(text, sizeof text, "(none)");
    else if (s.type == REG_DWORD && s.length == 4)
        std::snprintf(text, sizeof text, "REG_DWORD 0x%x",
                      static_cast<unsigned>(s.data[0] | s.data[1] << 8 | s.data[2] << 16 |
                                            static_cast<uint32_t>(s.data[3]) << 24));
    else if ((s.type == REG_SZ || s.type == REG_EXPAND_SZ) && s.length <= s.capacity)
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
        SubkeyNames subkeys = collectZ4_subkeys(key, Z4_SILENT);
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
    KeyCounts counts = queryZ4_key_counts(key);
    if (counts.rc != ERROR_SUCCESS) {
        // Subkeys that cannot be counted may be any: the writer cannot be sure of them either.
        change(p, "delete the subkeys of HKLM\\%s, which cannot be counted (RegQueryInfoKey = %d)",
               path, static_cast<int>(counts.rc));
        return;
    }
    SubkeyNames subkeys = collectZ4_subkey_names(key, counts.subkeys, Z4_SILENT);
    // A subkey whose name cannot be read is one the writer cannot be sure of either.
    if (!subkeys.whole || subkeys.count < counts.subkeys)
        change(p, "delete %u subkey(s) of HKLM\\%s, which cannot be read",
               static_cast<unsigned>(counts.subkeys - subkeys.count), path);
    for (DWORD k = 0; k < subkeys.count; ++k)
        if (!isZ4_one_of(subkeys.names[k].name, kept, keptCount))
            planZ4_deletion(p, key, path, subkeys.names[k].name);
    freeZ4_subkey_names(subkeys);
}

// Value `v` of a port key, which goes unless it is one of the two the writer writes. A name of
// any length is read; one that cannot be read at all is a difference too.
void planZ4_port_value(Plan &p, HKEY port, const char *path, DWORD v,
                       const ServiceValue (&written)[PORT_VALUE_COUNT])
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
    else if (!sameZ4_key_name(name, written[0].name) && !sameZ4_key_name(name, written[1].name))
        change(p, "delete value HKLM\\%s %s", path, name);
    if (name != shortName)
        std::free(name);
}

// A port key as the writer writes it: DosDevices and PortIndex and nothing else.
void planZ4_port(Plan &p, HKEY board, const char *boardPath, uint32_t device, uint32_t com, uint32_t index)
{
    char name[Z4_PORT_NAME_CHARS], path[1024];
    portZ4_name(device, name);
    std::snprintf(path, sizeof path, "%s\\%s", boardPath, name);
    HKEY port = openZ4_planned(p, board, name, path);
    ServiceValue values[PORT_VALUE_COUNT];
    portZ4_values(com, index, values);
    unsigned before = p.count;
    for (const ServiceValue &v : values)
        planZ4_value(p, port, path, v);
    if (!port)
        return;
    // The old port key goes before the new one is made: whatever else it holds goes with it.
    // Both values there and no more, which one query tells, is the common case.
    KeyCounts counts = queryZ4_key_counts(port);
    bool bothStored = p.count == before;
    if (counts.rc != ERROR_SUCCESS)
        change(p, "delete what else HKLM\\%s holds, which cannot be counted (RegQueryInfoKey = %d)",
               path, static_cast<int>(counts.rc));
    for (DWORD v = 0; !(bothStored && counts.values == 2) && v < counts.values; ++v)
        planZ4_port_value(p, port, path, v, values);
    if (counts.subkeys)
        planZ4_other_subkeys(p, port, path, nullptr, 0);
    RegCloseKey(port);
}

// A board key opened for reading the first time a part needs it, or said to be created.
struct BoardKey {
    HKEY parent;
    const char *name, *path;
    HKEY key;
    bool tried;
};

HKEY openedZ4_board(Plan &p, BoardKey &board)
{
    if (!board.tried) {
        board.tried = true;
        board.key = openZ4_planned(p, board.parent, board.name, board.path);
    }
    return board.key;
}

typedef LONG(WINAPI *QueryMultipleCall)(HKEY, VALENTA *, DWORD, LPSTR, LPDWORD);

// Whether the Ports list holds an entry for each of `count` COM numbers from `com`, in one call
// where advapi32 has it (it fails when any entry is missing); false when that cannot be told.
bool allZ4_entries_present(HKEY ports, uint32_t com, uint32_t count)
{
    QueryMultipleCall query = lateZ4_function<QueryMultipleCall>("advapi32.dll", "RegQueryMultipleValuesA");
    if (!query || count == 0 || count > Z4_MAX_PORTS)
        return false;
    ServiceValue entries[Z4_MAX_PORTS];
    VALENTA list[Z4_MAX_PORTS];
    for (uint32_t i = 0; i < count; ++i) {
        portsZ4_entry(com + i, &entries[i]);
        list[i] = {};
        list[i].ve_valuename = entries[i].name;
    }
    char room[1024];
    DWORD size = sizeof room;
    LONG rc = query(ports, list, count, room, &size);
    // Entries longer than the usual settings: once more with the room they need (the call
    // refuses more than a megabyte in all).
    if (rc == ERROR_MORE_DATA && size > sizeof room && size <= 1024 * 1024) {
        char *more = static_cast<char *>(std::malloc(size));
        rc = more ? query(ports, list, count, more, &size) : ERROR_NOT_ENOUGH_MEMORY;
        std::free(more);
    }
    return rc == ERROR_SUCCESS;
}

// A kept port key holds its two values as the writer writes them, and nothing else.
bool keptZ4_as_written(const KeptPort *kept, const ServiceValue (&values)[PORT_VALUE_COUNT])
{
    return kept && kept->read && kept->counted && kept->values == PORT_VALUE_COUNT && kept->subkeys == 0 &&
           sameZ4_value(kept->dosDevices, values[PORT_VALUE_DOSDEVICES]) &&
           sameZ4_value(kept->portIndex, values[PORT_VALUE_PORTINDEX]);
}

void planZ4_board(Plan &p, HKEY parameters, int b, HKEY ports_key, bool portsOpen)
{
    const BoardConfig &slot = CurrentZ4config[b];
    char name[Z4_BOARD_NAME_CHARS], path[Z4_BOARD_PATH_CHARS];
    boardZ4_name(b, name);
    boardZ4_path(b, path);
    ServiceValue values[Z4_BOARD_VALUE_COUNT];
    boardZ4_values(b, values);
    const KeptBoard *kept = Z4Kept.on ? keptZ4_board(name) : nullptr;
    BoardKey board = {parameters, name, path, nullptr, false};
    unsigned before = p.count;
    // boardZ4_values gives IOAddr, Interrupt and BusType, in the writer's order.
    bool known = kept && sameZ4_value(kept->ioAddr, values[0]) &&
                 sameZ4_value(kept->interrupt, values[1]) && sameZ4_value(kept->busType, values[2]);
    if (readZ4_part(p, Z4Marks.board[b], known)) {
        HKEY key = openedZ4_board(p, board);
        for (const ServiceValue &v : values)
            planZ4_value(p, key, path, v);
    }
    markZ4_part(p, Z4Marks.board[b], before);

    uint32_t device, com;
    firstZ4_port_numbers(b, &device, &com);
    // Ok has checked the count: at most 64 ports a board.
    const uint32_t ports = slot.NumPorts < Z4_MAX_PORTS ? slot.NumPorts : Z4_MAX_PORTS;
    const bool entriesThere = portsOpen && !p.marked && allZ4_entries_present(ports_key, com, ports);
    char names[Z4_MAX_PORTS][Z4_PORT_NAME_CHARS];
    const char *written[Z4_MAX_PORTS];
    for (uint32_t i = 0; i < ports; ++i) {
        portZ4_name(device + i, names[i]);
        written[i] = names[i];
        ServiceValue portValues[PORT_VALUE_COUNT];
        portZ4_values(com + i, i, portValues);
        before = p.count;
        known = kept && keptZ4_as_written(keptZ4_port(*kept, names[i]), portValues);
        if (readZ4_part(p, Z4Marks.port[b][i], known))
            planZ4_port(p, openedZ4_board(p, board), path, device + i, com + i, i);
        markZ4_part(p, Z4Marks.port[b][i], before);

        before = p.count;
        if (portsOpen && readZ4_part(p, Z4Marks.entry[b][i], entriesThere)) {
            ServiceValue entry;
            portsZ4_entry(com + i, &entry);
            if (!storedZ4(ports_key, entry.name).present)
                change(p, "add Ports entry %s = %s", entry.name, entry.text);
        }
        markZ4_part(p, Z4Marks.entry[b][i], before);
    }

    before = p.count;
    if (p.marked ? Z4Marks.others[b] : true) {
        if (!p.marked && kept && kept->whole) {
            for (DWORD k = 0; k < kept->portCount; ++k)
                if (!isZ4_one_of(kept->ports[k].name, written, ports))
                    planZ4_deletion(p, openedZ4_board(p, board), path, kept->ports[k].name);
        } else if (HKEY key = openedZ4_board(p, board)) {
            planZ4_other_subkeys(p, key, path, written, ports);
        }
    }
    markZ4_part(p, Z4Marks.others[b], before);
    if (board.key)
        RegCloseKey(board.key);
}

// The Parameters key's subkeys that are not written boards, from the reader's names where it
// read them all.
void planZ4_other_boards(Plan &p, HKEY parameters, const char *const *written, DWORD count)
{
    unsigned before = p.count;
    if (p.marked && !Z4Marks.parameters)
        return;
    if (!p.marked && Z4Kept.on && Z4Kept.parametersRead && Z4Kept.parametersWhole) {
        for (DWORD k = 0; k < Z4Kept.boardCount; ++k)
            if (!isZ4_one_of(Z4Kept.boards[k].name, written, count))
                planZ4_deletion(p, parameters, Z4_PARAMETERS_KEY, Z4Kept.boards[k].name);
    } else {
        planZ4_other_subkeys(p, parameters, Z4_PARAMETERS_KEY, written, count);
    }
    markZ4_part(p, Z4Marks.parameters, before);
}

}  // namespace

static unsigned planZ4(void (*each)(const char *line), bool marked)
{
    Plan p = {each, 0, marked};
    HKEY service = openZ4_planned(p, HKEY_LOCAL_MACHINE, Z4_SERVICE_KEY, Z4_SERVICE_KEY);
    for (int v = 0; v < SERVICE_VALUE_COUNT; ++v) {
        ServiceValue value = ServiceValueTable[v];
        // A start mode of 4 bytes is kept as it is.
        if (v == SERVICE_VALUE_START && marked && Z4Marks.startKnown) {
            value.number = Z4Marks.start;
        } else if (v == SERVICE_VALUE_START) {
            LONG rc = ERROR_FILE_NOT_FOUND;
            Stored start = service ? storedZ4(service, value.name, &rc) : Stored{};
            // A start mode that could not be read is no start mode to keep.
            bool known = keptZ4_start(rc, start.length, start.data, &value.number);
            if (!marked) {
                Z4Marks.startKnown = known;
                Z4Marks.start = value.number;
            }
        }
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
        planZ4_other_boards(p, parameters, written, writtenCount);
        RegCloseKey(parameters);
    }
    if (rc == ERROR_SUCCESS)
        RegCloseKey(ports);
    if (service)
        RegCloseKey(service);
    if (!marked || Z4Marks.comdb) {
        unsigned comdb = planZ4_comdb(each);
        p.count += comdb;
        if (!marked)
            Z4Marks.comdb = comdb != 0;
    }
    Z4Marks.valid = !marked;
    return p.count;
}

unsigned planZ4_changes(void (*each)(const char *line))
{
    return planZ4(each, false);
}

unsigned planZ4_still_needed(void (*each)(const char *line))
{
    bool marked = Z4Marks.valid;
    Z4Marks.valid = false;
    return planZ4(each, marked);
}

bool plannedZ4_start(uint32_t *start)
{
    *start = Z4Marks.start;
    return Z4Marks.valid && Z4Marks.startKnown;
}

void forgetZ4_plan()
{
    std::memset(&Z4Marks, 0, sizeof Z4Marks);
}
