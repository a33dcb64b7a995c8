// Robustness of the whole store sequence: every registry call failing in turn, registries far
// beyond what the tool writes, and keys that refuse access; no key may stay open and nothing
// outside the driver's keys and the new Ports entries may change.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "test_support.h"
#include "z4setup.h"
#include "board_model.h"
#include "registry_setup.h"
#include "registry_faults.h"
#include "ui_record.h"
#include "reg_store.h"

namespace {

const char *const CALLS[] = {"RegOpenKeyExA",    "RegCreateKeyExA", "RegQueryInfoKeyA",
                             "RegEnumKeyExA",    "RegEnumValueA",   "RegQueryValueExA",
                             "RegSetValueExA",   "RegDeleteKeyA"};
const LONG CODES[] = {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA,
                      ERROR_NO_MORE_ITEMS, ERROR_INSUFFICIENT_BUFFER};

const std::string OUTSIDE = "SOFTWARE\\Neighbour";

using emu::bytes;
using emu::open_keys;

// Two boards of four ports as the writer leaves them, the system's keys around them, and a
// neighbour that must never change.
void lay_out_machine()
{
    emu::reg_reset();
    emu::ui_reset();
    resetZ4_process();
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial0", "COM1");
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial1", "COM2");
    emu::reg_put_value(Z4_RESOURCE_MAP_KEY, "\\Device\\Serial3.Raw", 8, {1});
    emu::reg_put_sz(Z4_PORTS_KEY, "COM1:", "9600,n,8,1");
    emu::reg_put_sz(Z4_PORTS_KEY, "COM4:", "19200,e,7,2");
    emu::reg_put_dword(OUTSIDE, "Kept", 7);
    emu::reg_put_key(OUTSIDE + "\\Child");
    emu::reg_put_dword(Z4_SERVICE_KEY, "Start", 3);
    int device = 3, com = 3;
    for (int b = 1; b <= 2; ++b) {
        std::string board = std::string(Z4_PARAMETERS_KEY) + "\\Board" + std::to_string(b);
        emu::reg_put_dword(board, "IOAddr", 0x300 + 8 * b);
        emu::reg_put_dword(board, "Interrupt", 10);
        emu::reg_put_dword(board, "BusType", 1);
        for (int p = 0; p < 4; ++p, ++device, ++com) {
            std::string port = board + "\\Serial" + std::to_string(device);
            emu::reg_put_value(port, "DosDevices", REG_SZ, bytes("COM" + std::to_string(com) + " "));
            emu::reg_put_dword(port, "PortIndex", p);
        }
    }
}


// The Ports entries and the neighbour, which nothing may change but by adding COM entries.
struct Surroundings {
    std::map<std::string, std::vector<uint8_t>> ports;
    std::vector<emu::RegValue> neighbour;
    std::vector<std::string> neighbourKeys, deviceMap, resourceMap;
};

Surroundings look_around()
{
    Surroundings s;
    for (const auto &v : emu::reg_values(Z4_PORTS_KEY))
        s.ports[v.name] = v.data;
    s.neighbour = emu::reg_values(OUTSIDE);
    s.neighbourKeys = emu::reg_subkeys(OUTSIDE);
    for (const auto &v : emu::reg_values(Z4_DEVICE_MAP_KEY))
        s.deviceMap.push_back(v.name);
    for (const auto &v : emu::reg_values(Z4_RESOURCE_MAP_KEY))
        s.resourceMap.push_back(v.name);
    return s;
}

void expect_surroundings_kept(const Surroundings &before, const std::string &where)
{
    Surroundings now = look_around();
    ASSERT_EQ(now.neighbour.size(), before.neighbour.size()) << where;
    EXPECT_EQ(now.neighbour[0].data, before.neighbour[0].data) << where;
    EXPECT_EQ(now.neighbourKeys, before.neighbourKeys) << where;
    EXPECT_EQ(now.deviceMap, before.deviceMap) << where;
    EXPECT_EQ(now.resourceMap, before.resourceMap) << where;
    for (const auto &[name, data] : before.ports) {
        auto it = now.ports.find(name);
        ASSERT_NE(it, now.ports.end()) << where << ": Ports entry " << name << " gone";
        if (name == "COM4:")  // only its read failing could make it look missing
            EXPECT_TRUE(it->second == data || where.find("RegQueryValueExA") != std::string::npos)
                << where;
        else
            EXPECT_EQ(it->second, data) << where;
    }
    for (const auto &[name, data] : now.ports)
        if (!before.ports.count(name))
            EXPECT_EQ(data, bytes(std::string("9600,n,8,1") + '\0')) << where << ": " << name;
}

// The sequence of a configure run that ends with Ok, then a removal run.
void run_configure_and_remove(const std::string &where)
{
    getZ4_port_numbers();
    EXPECT_EQ(emu::reg_open_handle_count(), 0) << where << " after the scan:" << open_keys();
    getZ4_reg_params();
    EXPECT_EQ(emu::reg_open_handle_count(), 0) << where << " after the reader:" << open_keys();
    for (BoardConfig &slot : CurrentZ4config)  // what Ok leaves for a legal configuration
        if (slot.BusType != BUS_ISA || slot.NumPorts != 4)
            slot = BoardConfig{0, 0, 0, 0, 0};
    COMMaxNum = 2;
    SerialMaxNum = 2;
    delZ4_reg_boards();
    setZ4_reg_params();
    EXPECT_EQ(emu::reg_open_handle_count(), 0) << where << " after the writer:" << open_keys();
    removeZ4_config();
    EXPECT_EQ(emu::reg_open_handle_count(), 0) << where << " after the removal:" << open_keys();
}

size_t count_calls(const char *op)
{
    size_t n = 0;
    for (const auto &c : emu::reg_calls())
        n += c.op == op;
    return n;
}

}  // namespace

TEST(Robustness, every_registry_call_failing_in_turn_leaves_no_key_open_and_the_surroundings_kept)
{
    lay_out_machine();
    run_configure_and_remove("clean run");
    std::map<std::string, size_t> made;
    for (const char *op : CALLS)
        made[op] = count_calls(op);
    ASSERT_GT(made["RegSetValueExA"], 30u);  // the sweep reaches a real write
    ASSERT_GT(made["RegDeleteKeyA"], 8u);

    size_t runs = 0;
    for (const char *op : CALLS) {
        for (LONG code : CODES) {
            for (size_t nth = 1; nth <= made[op]; ++nth) {
                std::string where = std::string(op) + " #" + std::to_string(nth) + " failing with " +
                                    std::to_string(code);
                lay_out_machine();
                Surroundings before = look_around();
                emu::reg_inject(op, "", "", code, static_cast<int>(nth));
                run_configure_and_remove(where);
                expect_surroundings_kept(before, where);
                ++runs;
                if (HasFailure())
                    return;
            }
        }
    }
    EXPECT_GT(runs, 500u);
}

TEST(Robustness, a_hundred_board_keys_fill_four_slots_and_a_rewrite_leaves_no_key_open)
{
    lay_out_machine();
    for (int b = 0; b < 100; ++b) {
        std::string board = std::string(Z4_PARAMETERS_KEY) + "\\Extra" + std::to_string(b);
        emu::reg_put_dword(board, "BusType", 2);
        emu::reg_put_dword(board + "\\Serial" + std::to_string(500 + b), "PortIndex", 63);
    }
    getZ4_port_numbers();
    getZ4_reg_params();
    EXPECT_EQ(emu::reg_open_handle_count(), 0) << open_keys();
    // Board1 and Board2 sort first; the next two slots come from the extra keys.
    EXPECT_EQ(RegistryZ4config[0].NumPorts, 4u);
    EXPECT_EQ(RegistryZ4config[1].NumPorts, 4u);
    EXPECT_EQ(RegistryZ4config[2].BusType, static_cast<uint32_t>(BUS_PCI));
    EXPECT_EQ(RegistryZ4config[3].NumPorts, 64u);
    removeZ4_config();
    EXPECT_EQ(emu::reg_open_handle_count(), 0) << open_keys();
    EXPECT_FALSE(emu::reg_has_key(Z4_SERVICE_KEY));
}

TEST(Robustness, names_longer_than_any_buffer_are_read_and_removed_without_harm)
{
    lay_out_machine();
    std::string longBoard = std::string(Z4_PARAMETERS_KEY) + "\\" + std::string(200, 'B');
    emu::reg_put_dword(longBoard, "BusType", 1);
    emu::reg_put_dword(longBoard + "\\" + std::string(250, 'S') + "77", "PortIndex", 7);
    // A name longer than the registry allows (255) cannot be fetched: it must be left alone.
    std::string tooLong = std::string(Z4_PARAMETERS_KEY) + "\\" + std::string(300, 'Z');
    emu::reg_put_key(tooLong);
    emu::reg_put_value(Z4_DEVICE_MAP_KEY, std::string(120, 'n'), REG_SZ, bytes(std::string(30, 'C')));
    Surroundings before = look_around();
    run_configure_and_remove("long names");
    expect_surroundings_kept(before, "long names");
    EXPECT_TRUE(emu::reg_has_key(tooLong));
    EXPECT_FALSE(emu::reg_has_key(longBoard));
    for (const auto &c : emu::reg_calls())
        if (c.op == "RegDeleteKeyA" || c.op == "RegOpenKeyExA")
            EXPECT_LE(c.name.size(), 255u + std::string(Z4_PARAMETERS_KEY).size()) << c.op;
}

TEST(Robustness, keys_that_refuse_access_anywhere_leave_no_key_open)
{
    const std::vector<std::string> denied = {
        Z4_RESOURCE_MAP_KEY, Z4_DEVICE_MAP_KEY, Z4_PORTS_KEY, Z4_SERVICE_KEY, Z4_PARAMETERS_KEY,
        std::string(Z4_PARAMETERS_KEY) + "\\Board1", std::string(Z4_PARAMETERS_KEY) + "\\Board2\\Serial8",
        Z4_SERVICES_KEY};
    for (const std::string &key : denied) {
        lay_out_machine();
        Surroundings before = look_around();
        emu::reg_deny(key);
        run_configure_and_remove("denied " + key);
        expect_surroundings_kept(before, "denied " + key);
        if (HasFailure())
            return;
    }
}
