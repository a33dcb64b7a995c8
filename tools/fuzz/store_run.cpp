// The checked run of one fuzz input: the tool's sequence with its promises checked after
// every step.
#include "test_support.h"
#include "z4setup.h"
#include "store_run.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "board_model.h"
#include "registry_setup.h"
#include "reg_file.h"
#include "registry_faults.h"
#include "ui_record.h"
#include "reg_store.h"
#include "registry_builder.h"
#include "registry_snapshot.h"
#include "user_session.h"

namespace fuzz {

namespace {

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "\n*** broken promise: %s\n", what.c_str());
    std::fprintf(stderr, "tables: COMMaxNum %u SerialMaxNum %u\n", COMMaxNum, SerialMaxNum);
    for (const BoardConfig &s : CurrentZ4config)
        std::fprintf(stderr, "  {bus %u io 0x%x irq %u ports %u enabled %u}\n", s.BusType, s.IOAddr,
                     s.Interrupt, s.NumPorts, s.Enabled);
    std::fprintf(stderr, "the driver's keys now:\n%s\n", emu::reg_save_text({Z4_SERVICE_KEY}).c_str());
    std::fflush(stderr);
    std::abort();
}

void check_closed(const char *step)
{
    if (emu::reg_open_handle_count() == 0)
        return;
    fail(std::string(step) + " left keys open:" + emu::open_keys());
}

// A step that only reads makes no call that changes the registry (the emulation changes
// nothing but through these three).
void check_read_only(size_t first_call, const char *step)
{
    const auto &calls = emu::reg_calls();
    for (size_t i = first_call; i < calls.size(); ++i)
        if (emu::changes_registry(calls[i]))
            fail(std::string(step) + " called " + calls[i].op + " on " + calls[i].key +
                 ", though it only reads");
}

// A new process: the tables and the writer's value tables at their start contents.
void new_process_state()
{
    resetZ4_process();
}

std::string formatted(const char *format, uint32_t n)
{
    char s[64];
    std::snprintf(s, sizeof s, format, static_cast<int>(n));
    return s;
}

bool same_slot(const BoardConfig &a, const BoardConfig &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string slot_text(const BoardConfig &s)
{
    char t[128];
    std::snprintf(t, sizeof t, "{bus %u io 0x%x irq %u ports %u enabled %u}", s.BusType, s.IOAddr,
                  s.Interrupt, s.NumPorts, s.Enabled);
    return t;
}

bool slot_written(const BoardConfig &s)
{
    return s.Enabled != 0 && s.NumPorts > 0;
}

// What the writer was given: the accepted tables and numbers.
struct Accepted {
    BoardConfig slots[Z4_SLOTS];
    uint32_t com, serial;
    uint32_t ports() const
    {
        uint32_t n = 0;
        for (const BoardConfig &s : slots)
            if (slot_written(s))
                n += s.NumPorts;
        return n;
    }
};

// The driver keys the writer may create: service, Parameters, the written boards and ports.
std::set<std::string> writable_keys(const Accepted &a)
{
    std::set<std::string> keys{upper(Z4_SERVICE_KEY), upper(Z4_PARAMETERS_KEY)};
    uint32_t serial = a.serial + 1;
    for (int b = 0; b < Z4_SLOTS; ++b) {
        if (!slot_written(a.slots[b]))
            continue;
        char path[Z4_BOARD_PATH_CHARS];
        boardZ4_path(b, path);
        std::string board = path;
        keys.insert(upper(board));
        for (uint32_t p = 0; p < a.slots[b].NumPorts; ++p)
            keys.insert(upper(board + formatted("\\Serial%d", serial++)));
    }
    return keys;
}

bool query_fault_on_ports(const Setup &setup)
{
    for (const InjectedFault &f : setup.faults)
        if (f.call == "RegQueryValueExA" && (f.key.empty() || upper(f.key) == upper(Z4_PORTS_KEY)))
            return true;
    return false;
}

const std::vector<uint8_t> DEFAULT_SETTINGS = {'9', '6', '0', '0', ',', 'n', ',', '8', ',', '1', 0};

bool is_default_entry(const emu::RegValue &v)
{
    return v.type == REG_SZ && v.data == DEFAULT_SETTINGS;
}

// The Ports key keeps every entry it had and gains only default entries for written COMs.
void check_ports(const Picture &before, const Picture &after, const Accepted &a, const Setup &setup)
{
    std::set<std::string> coms;
    for (uint32_t i = 0; i < a.ports(); ++i)
        coms.insert(upper(formatted(Z4_PORTS_ENTRY_FORMAT, a.com + 1 + i)));
    auto old = ports_values(before), now = ports_values(after);
    for (const auto &[name, v] : old) {
        auto it = now.find(name);
        if (it == now.end())
            fail("writer removed the Ports entry " + v.name);
        bool same = it->second.type == v.type && it->second.data == v.data;
        // Only a failed read of the entry lets the writer take it for missing.
        if (!same && !(query_fault_on_ports(setup) && coms.count(name) && is_default_entry(it->second)))
            fail("writer changed the existing Ports entry " + v.name);
    }
    for (const auto &[name, v] : now) {
        if (old.count(name))
            continue;
        if (!coms.count(name))
            fail("writer added the Ports entry " + v.name + " for no port it wrote");
        if (!is_default_entry(v))
            fail("writer added the Ports entry " + v.name + " without the default settings");
    }
}

void check_writer_keys(const Picture &before, const Picture &after, const Accepted &a)
{
    std::set<std::string> allowed = writable_keys(a);
    for (const auto &[path, key] : after)
        if (in_driver_keys(path) && !before.count(path) && !allowed.count(path))
            fail("writer created a key it has no slot or port for: " + key.stored);
}

// The driver's keys below Parameters are exactly the written boards and their ports: ""
// when so, else the first key found or missed.
std::string written_difference(const Picture &after, const Accepted &a)
{
    std::set<std::string> expected = writable_keys(a);
    std::string parameters = upper(Z4_PARAMETERS_KEY);
    for (const auto &[path, key] : after) {
        if (path.size() <= parameters.size() || path.compare(0, parameters.size(), parameters) != 0 ||
            path[parameters.size()] != '\\')
            continue;
        if (!expected.erase(path))
            return "left over: " + key.stored;
    }
    expected.erase(upper(Z4_SERVICE_KEY));
    expected.erase(parameters);
    if (!after.count(parameters))
        return "no Parameters key";
    return expected.empty() ? "" : "missing: " + *expected.begin();
}

// Whether every old key below Parameters is one the writer and the removal can delete.
bool deletable_tree(const Picture &p, const Setup &setup, bool for_removal)
{
    if (!setup.denied.empty() || !setup.faults.empty() || setup.longest_key_name > 255)
        return false;
    std::string parameters = upper(Z4_PARAMETERS_KEY), service = upper(Z4_SERVICE_KEY);
    for (const auto &[path, key] : p) {
        if (!in_driver_keys(path) || path == service || path == parameters)
            continue;
        if (path.compare(0, parameters.size() + 1, parameters + "\\") != 0)
            return false;  // another subkey of the service key stays
        size_t depth = std::count(path.begin() + parameters.size(), path.end(), '\\');
        if (depth > 2)
            return false;  // below a port key: beyond what the removal descends into
        // Only the four board keys of the slots get their port keys deleted before a rewrite;
        // another key holding subkeys stays where the registry refuses to delete it.
        if (depth == 2 && !setup.recursive_delete && !for_removal) {
            std::string board = path.substr(0, path.rfind('\\'));
            bool slotKey = false;
            for (int b = 1; b <= Z4_SLOTS; ++b)
                slotKey = slotKey || board == upper(parameters + "\\BOARD" + std::to_string(b));
            if (!slotKey)
                return false;
        }
    }
    return true;
}

// After a clean write, a new process reads back the tables and numbers it was written from.
void check_round_trip(const Picture &written, const Accepted &a)
{
    restore_picture(written);
    new_process_state();
    getZ4_port_numbers();
    getZ4_reg_params();
    check_closed("second reading");
    int k = 0;
    for (int b = 0; b < Z4_SLOTS; ++b) {
        if (!slot_written(a.slots[b]))
            continue;
        BoardConfig expect = a.slots[b];
        expect.Enabled = 1;
        if (!same_slot(RegistryZ4config[k], expect) || !same_slot(CurrentZ4config[k], expect))
            fail("slot " + std::to_string(b) + " written as " + slot_text(expect) + " reads back as " +
                 slot_text(RegistryZ4config[k]) + " / " + slot_text(CurrentZ4config[k]));
        ++k;
    }
    for (; k < Z4_SLOTS; ++k) {
        BoardConfig start = k == 0 ? BoardConfig{BUS_ISA, 0x308, 10, 0, 1} : BoardConfig{0, 0, 0, 0, 0};
        if (!same_slot(RegistryZ4config[k], start) || !same_slot(CurrentZ4config[k], start))
            fail("slot " + std::to_string(k) + " beyond the written boards reads as " +
                 slot_text(RegistryZ4config[k]));
    }
    if (a.ports() > 0 && (COMMaxNum != a.com || SerialMaxNum != a.serial))
        fail("numbers written from COM " + std::to_string(a.com) + " Serial " + std::to_string(a.serial) +
             " read back as " + std::to_string(COMMaxNum) + " / " + std::to_string(SerialMaxNum));
}

RunTally tally;

}  // namespace

const RunTally &run_tally()
{
    return tally;
}

void run_store_sequence(const uint8_t *data, size_t size)
{
    emu::reg_reset();
    emu::ui_reset();
    new_process_state();
    emu::set_message_box_handler([](const emu::MessageBoxRecord &) { return IDOK; });

    ++tally.runs;
    Reader in{data, size};
    Setup setup = build_registry(in);
    const Picture start = take_picture();

    getZ4_port_numbers();
    check_closed("scan");
    check_read_only(0, "scan");

    size_t boardKeys = emu::reg_subkeys(Z4_PARAMETERS_KEY).size();
    BoardConfig registryBefore[Z4_SLOTS], currentBefore[Z4_SLOTS];
    std::memcpy(registryBefore, RegistryZ4config, sizeof registryBefore);
    std::memcpy(currentBefore, CurrentZ4config, sizeof currentBefore);
    size_t firstCall = emu::reg_calls().size();
    getZ4_reg_params();
    check_closed("reader");
    check_read_only(firstCall, "reader");
    for (size_t s = boardKeys; s < Z4_SLOTS; ++s)
        if (!same_slot(RegistryZ4config[s], registryBefore[s]) ||
            !same_slot(CurrentZ4config[s], currentBefore[s]))
            fail("reader filled slot " + std::to_string(s) + " with only " + std::to_string(boardKeys) +
                 " board keys present");

    firstCall = emu::reg_calls().size();
    bool accepted = run_user_session(in);
    check_closed("dialog");
    check_read_only(firstCall, "dialog");

    Picture afterWrite = start;
    bool roundTrip = false;
    Accepted a{};
    if (accepted) {
        ++tally.accepted;
        std::memcpy(a.slots, CurrentZ4config, sizeof a.slots);
        a.com = COMMaxNum;
        a.serial = SerialMaxNum;
        bool deletable = deletable_tree(start, setup, false);

        delZ4_reg_boards();
        check_closed("deletion of the old boards");
        Picture afterDelete = take_picture();
        std::string diff = outside_difference(start, afterDelete);
        if (!diff.empty())
            fail("deletion of the old boards: " + diff);
        if (ports_values(start).size() != ports_values(afterDelete).size())
            fail("deletion of the old boards touched the Ports entries");

        LONG rc = setZ4_reg_params();
        check_closed("writer");
        afterWrite = take_picture();
        diff = outside_difference(start, afterWrite);
        if (!diff.empty())
            fail("writer: " + diff);
        check_ports(start, afterWrite, a, setup);
        check_writer_keys(afterDelete, afterWrite, a);
        if (rc == ERROR_SUCCESS) {
            ++tally.written;
            std::string extra = written_difference(afterWrite, a);
            roundTrip = extra.empty();
            if (!roundTrip && deletable)
                fail("writer succeeded on a registry it could clear, yet Parameters holds more or "
                     "less than the written boards and ports: " + extra);
        }
    }

    bool removable = deletable_tree(afterWrite, setup, true);
    removeZ4_config();
    check_closed("removal");
    Picture afterRemoval = take_picture();
    std::string diff = outside_difference(afterWrite, afterRemoval);
    if (!diff.empty())
        fail("removal: " + diff);
    auto portsBefore = ports_values(afterWrite), portsAfter = ports_values(afterRemoval);
    if (portsBefore.size() != portsAfter.size())
        fail("removal changed the Ports entries");
    if (removable) {
        if (emu::reg_has_key(Z4_SERVICE_KEY))
            fail("removal left the service key on a registry it could clear");
        ++tally.removal_complete;
    }

    if (roundTrip) {
        check_round_trip(afterWrite, a);
        ++tally.read_back;
    }
}

}  // namespace fuzz
