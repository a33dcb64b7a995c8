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
#include "reg_store_result.h"

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

void noteZ4_change(Plan &p, const char *format, ...)
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
Stored storedZ4_value(HKEY key, const char *name, LONG *result = nullptr)
{
    Stored value;
    LONG rc = queryZ4_value(key, name, sizeof value.data, &value);
    if (result)
        *result = rc;
    return value;
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
    Stored s = key ? storedZ4_value(key, v.name) : Stored{};
    if (sameZ4_value(s, v))
        return;
    char was[120], now[120];
    describeZ4_stored(s, was);
    describeZ4_value(v, now);
    noteZ4_change(p, "set HKLM\\%s %s: %s -> %s", path, v.name, was, now);
}

// A key with all it holds, subkeys first, as the writer would delete it.
void planZ4_deletion(Plan &p, HKEY parent, const char *parentPath, const char *name)
{
    char path[1024];
    std::snprintf(path, sizeof path, "%s\\%s", parentPath, name);
    inZ4_key(parent, name, [&p, &path](HKEY key) {
        eachZ4_subkey(key, Z4_SILENT,
                      [&](const SubkeyName &sub) { planZ4_deletion(p, key, path, sub.name); });
    });
    noteZ4_change(p, "delete key HKLM\\%s", path);
}

// Opens `name` below `parent` for reading, or says it would be created; null then.
HKEY openZ4_planned(Plan &p, HKEY parent, const char *name, const char *path)
{
    HKEY key;
    if (parent && RegOpenKeyExA(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS)
        return key;
    noteZ4_change(p, "create key HKLM\\%s", path);
    return nullptr;
}

// Every subkey of `key` but the expected ones goes; the names of those kept are marked.
void planZ4_other_subkeys(Plan &p, HKEY key, const char *path, const char *const *kept, DWORD keptCount)
{
    KeyCounts counts = queryZ4_key_counts(key);
    if (counts.rc != ERROR_SUCCESS) {
        // Subkeys that cannot be counted may be any: the writer cannot be sure of them either.
        noteZ4_change(p, "delete the subkeys of HKLM\\%s, which cannot be counted (RegQueryInfoKey = %d)",
               path, static_cast<int>(counts.rc));
        return;
    }
    SubkeyNames subkeys = collectZ4_subkey_names(key, counts.subkeys, Z4_SILENT);
    // A subkey whose name cannot be read is one the writer cannot be sure of either.
    if (!subkeys.whole || subkeys.count < counts.subkeys)
        noteZ4_change(p, "delete %u subkey(s) of HKLM\\%s, which cannot be read",
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
        noteZ4_change(p, "delete value %u of HKLM\\%s, which cannot be read (RegEnumValue = %d)",
               static_cast<unsigned>(v), path, static_cast<int>(rc));
    else if (!sameZ4_key_name(name, written[0].name) && !sameZ4_key_name(name, written[1].name))
        noteZ4_change(p, "delete value HKLM\\%s %s", path, name);
    if (name != shortName)
        std::free(name);
}

// A port key as the writer writes it: DosDevices and PortIndex and nothing else.
void planZ4_port(Plan &p, HKEY board, const Z4PortStep &step)
{
    const char *path = step.path;
    const ServiceValue (&values)[PORT_VALUE_COUNT] = step.values;
    HKEY port = openZ4_planned(p, board, step.name, path);
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
        noteZ4_change(p, "delete what else HKLM\\%s holds, which cannot be counted (RegQueryInfoKey = %d)",
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

// The steps compared with the registry as it stands, or with the reader's kept reads where they
// show a part as written.
class Z4Comparer final : public Z4ResultSink {
public:
    Z4Comparer(void (*each)(const char *line), bool marked) : p_{each, 0, marked} {}

    LONG service(ServiceValue (&table)[SERVICE_VALUE_COUNT]) override
    {
        service_ = openZ4_planned(p_, HKEY_LOCAL_MACHINE, Z4_SERVICE_KEY, Z4_SERVICE_KEY);
        for (int v = 0; v < SERVICE_VALUE_COUNT; ++v) {
            ServiceValue value = table[v];
            // A start mode of 4 bytes is kept as it is.
            if (v == SERVICE_VALUE_START && p_.marked && Z4Marks.startKnown) {
                value.number = Z4Marks.start;
            } else if (v == SERVICE_VALUE_START) {
                LONG rc = ERROR_FILE_NOT_FOUND;
                Stored start = service_ ? storedZ4_value(service_, value.name, &rc) : Stored{};
                // A start mode that could not be read is no start mode to keep.
                bool known = keptZ4_start(rc, start.length, start.data, &value.number);
                if (!p_.marked) {
                    Z4Marks.startKnown = known;
                    Z4Marks.start = value.number;
                }
            }
            planZ4_value(p_, service_, Z4_SERVICE_KEY, value);
        }
        return ERROR_SUCCESS;
    }

    LONG parameters() override
    {
        parameters_ = openZ4_planned(p_, service_, "Parameters", Z4_PARAMETERS_KEY);
        portsRc_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_PORTS_KEY, 0, KEY_READ, &ports_);
        if (portsRc_ != ERROR_SUCCESS)
            noteZ4_change(p_, "open key HKLM\\%s: RegOpenKeyEx = %d, no Ports entry could be added",
                   Z4_PORTS_KEY, static_cast<int>(portsRc_));
        return ERROR_SUCCESS;
    }

    LONG board(const Z4BoardStep &step) override
    {
        const int b = step.slot;
        kept_ = Z4Kept.on ? keptZ4_board(step.name) : nullptr;
        board_ = {parameters_, step.name, step.path, nullptr, false};
        unsigned before = p_.count;
        // boardZ4_values gives IOAddr, Interrupt and BusType, in the writer's order.
        bool known = kept_ && sameZ4_value(kept_->ioAddr, step.values[0]) &&
                     sameZ4_value(kept_->interrupt, step.values[1]) &&
                     sameZ4_value(kept_->busType, step.values[2]);
        if (readZ4_part(p_, Z4Marks.board[b], known)) {
            HKEY key = openedZ4_board(p_, board_);
            for (const ServiceValue &v : step.values)
                planZ4_value(p_, key, step.path, v);
        }
        markZ4_part(p_, Z4Marks.board[b], before);
        entriesThere_ = portsOpen() && !p_.marked &&
                        allZ4_entries_present(ports_, step.firstCom, step.named);
        return ERROR_SUCCESS;
    }

    LONG port(const Z4BoardStep &board, const Z4PortStep &step) override
    {
        // Ok has checked the count: at most 64 ports a board.
        const uint32_t i = step.index;
        if (i >= board.named)
            return ERROR_SUCCESS;
        const int b = board.slot;
        unsigned before = p_.count;
        bool known = kept_ && keptZ4_as_written(keptZ4_port(*kept_, step.name), step.values);
        if (readZ4_part(p_, Z4Marks.port[b][i], known))
            planZ4_port(p_, openedZ4_board(p_, board_), step);
        markZ4_part(p_, Z4Marks.port[b][i], before);

        before = p_.count;
        if (portsOpen() && readZ4_part(p_, Z4Marks.entry[b][i], entriesThere_)) {
            if (!storedZ4_value(ports_, step.entry.name).present)
                noteZ4_change(p_, "add Ports entry %s = %s", step.entry.name, step.entry.text);
        }
        markZ4_part(p_, Z4Marks.entry[b][i], before);
        return ERROR_SUCCESS;
    }

    LONG boardDone(const Z4BoardStep &step) override
    {
        const int b = step.slot;
        unsigned before = p_.count;
        if (p_.marked ? Z4Marks.others[b] : true) {
            if (!p_.marked && kept_ && kept_->whole) {
                for (DWORD k = 0; k < kept_->portCount; ++k)
                    if (!isZ4_one_of(kept_->ports[k].name, step.portName, step.named))
                        planZ4_deletion(p_, openedZ4_board(p_, board_), step.path, kept_->ports[k].name);
            } else if (HKEY key = openedZ4_board(p_, board_)) {
                planZ4_other_subkeys(p_, key, step.path, step.portName, step.named);
            }
        }
        markZ4_part(p_, Z4Marks.others[b], before);
        if (board_.key)
            RegCloseKey(board_.key);
        return ERROR_SUCCESS;
    }

    LONG done(const char *const *boards, DWORD count) override
    {
        if (parameters_) {
            planZ4_other_boards(p_, parameters_, boards, count);
            RegCloseKey(parameters_);
        }
        if (portsOpen())
            RegCloseKey(ports_);
        if (service_)
            RegCloseKey(service_);
        return ERROR_SUCCESS;
    }

    Plan &plan() { return p_; }

private:
    bool portsOpen() const { return portsRc_ == ERROR_SUCCESS; }

    Plan p_;
    HKEY service_ = nullptr, parameters_ = nullptr, ports_ = nullptr;
    LONG portsRc_ = ERROR_FILE_NOT_FOUND;
    const KeptBoard *kept_ = nullptr;
    BoardKey board_ = {};
    bool entriesThere_ = false;
};

}  // namespace

static unsigned planZ4_steps(void (*each)(const char *line), bool marked)
{
    Z4Comparer comparer(each, marked);
    describeZ4_result(comparer);
    Plan &p = comparer.plan();
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
    return planZ4_steps(each, false);
}

unsigned planZ4_still_needed(void (*each)(const char *line))
{
    bool marked = Z4Marks.valid;
    Z4Marks.valid = false;
    return planZ4_steps(each, marked);
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
