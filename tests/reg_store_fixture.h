// Shared set-up for the registry store tests: a fresh registry, model and screen per test,
// helpers to lay out keys, and a check that every key opened was closed again.
#pragma once

#include <gtest/gtest.h>

#include "new_process_test.h"

#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"
#include "z4setup.h"
#include "board_model.h"
#include "registry_setup.h"
#include "reg_file.h"
#include "registry_faults.h"
#include "ui_record.h"
#include "reg_store.h"

namespace store {

const std::string PARAMETERS = Z4_PARAMETERS_KEY;
const std::string SERVICE = Z4_SERVICE_KEY;
const std::string SERVICES = Z4_SERVICES_KEY;
const std::string PORTS = Z4_PORTS_KEY;
const std::string RESOURCE_MAP = Z4_RESOURCE_MAP_KEY;
const std::string DEVICE_MAP = Z4_DEVICE_MAP_KEY;

inline std::string board(int number) { return PARAMETERS + "\\Board" + std::to_string(number); }
inline std::string port(int board_number, int device)
{
    return board(board_number) + "\\Serial" + std::to_string(device);
}

using emu::bytes;

class StoreTest : public NewProcessTest {
protected:
    void TearDown() override
    {
        EXPECT_EQ(emu::reg_open_handle_count(), 0) << "keys left open:" << emu::open_keys();
    }

    // A board key as the writer leaves it.
    static void put_board(const std::string &key, DWORD io, DWORD irq, DWORD bus)
    {
        emu::reg_put_dword(key, "IOAddr", io);
        emu::reg_put_dword(key, "Interrupt", irq);
        emu::reg_put_dword(key, "BusType", bus);
    }

    // A port key as the writer leaves it: "DosDevices" without its NUL, and "PortIndex".
    static void put_port(const std::string &key, int com, DWORD index)
    {
        emu::reg_put_value(key, "DosDevices", REG_SZ, bytes("COM" + std::to_string(com) + " "));
        emu::reg_put_dword(key, "PortIndex", index);
    }

    static DWORD dword(const std::string &key, const std::string &name)
    {
        EXPECT_TRUE(has_value(key, name)) << key << " : " << name;
        return emu::reg_dword(key, name).value_or(0xBDBDBDBD);
    }

    // A stored text up to its first NUL.
    static std::string text(const std::string &key, const std::string &name)
    {
        EXPECT_TRUE(has_value(key, name)) << key << " : " << name;
        return emu::reg_text(key, name).value_or("<absent>");
    }

    static bool has_value(const std::string &key, const std::string &name)
    {
        return emu::reg_get_value(key, name).has_value();
    }

    // The calls of one kind, in order.
    static std::vector<emu::RegCall> calls(const std::string &op) { return emu::calls_of(op); }

    // Every box as "caption|text", in order.
    static std::vector<std::string> boxes()
    {
        std::vector<std::string> out;
        for (const auto &b : emu::message_boxes()) {
            EXPECT_EQ(b.owner, nullptr);
            EXPECT_EQ(b.style, static_cast<UINT>(MB_OK));
            out.push_back(b.caption + "|" + b.text);
        }
        return out;
    }

    static const std::vector<std::string> &traces() { return emu::debug_output(); }

    static bool traced(const std::string &line) { return emu::traced(line); }
};

}  // namespace store
