// Shared set-up for the registry store tests: a fresh registry, model and screen per test,
// helpers to lay out keys, and a check that every key opened was closed again.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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

inline std::vector<uint8_t> bytes(const std::string &text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        emu::reg_reset();
        emu::ui_reset();
        resetZ4_process();
    }

    void TearDown() override
    {
        std::string open;
        for (const auto &p : emu::reg_open_handle_paths())
            open += " [" + p + "]";
        EXPECT_EQ(emu::reg_open_handle_count(), 0) << "keys left open:" << open;
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
        auto v = emu::reg_get_value(key, name);
        EXPECT_TRUE(v.has_value()) << key << " : " << name;
        if (!v || v->data.size() != 4)
            return 0xBDBDBDBD;
        return v->data[0] | v->data[1] << 8 | v->data[2] << 16 | uint32_t(v->data[3]) << 24;
    }

    // A stored text up to its first NUL.
    static std::string text(const std::string &key, const std::string &name)
    {
        auto v = emu::reg_get_value(key, name);
        EXPECT_TRUE(v.has_value()) << key << " : " << name;
        if (!v)
            return "<absent>";
        std::string s(v->data.begin(), v->data.end());
        return s.substr(0, s.find('\0'));
    }

    static bool has_value(const std::string &key, const std::string &name)
    {
        return emu::reg_get_value(key, name).has_value();
    }

    // The calls of one kind, in order.
    static std::vector<emu::RegCall> calls(const std::string &op)
    {
        std::vector<emu::RegCall> out;
        for (const auto &c : emu::reg_calls())
            if (c.op == op)
                out.push_back(c);
        return out;
    }

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

    static bool traced(const std::string &line)
    {
        for (const auto &t : traces())
            if (t == line)
                return true;
        return false;
    }
};

}  // namespace store
