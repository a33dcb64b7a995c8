// What the tests of runs without a window share: a run of the whole tool on a machine set up
// beforehand, what it left (exit code, standard output, boxes, the driver's keys), and the
// typical machine before and after the typical run.
#pragma once

#include "new_process_test.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>

#include "config_dialog_ids.h"
#include "dialog_user.h"
#include "reg_file.h"
#include "reg_store.h"
#include "test_support.h"
#include "window_record.h"
#include "z4setup_verbs.h"

namespace unattended {

inline HINSTANCE const module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
inline const std::string PARAMETERS = Z4_PARAMETERS_KEY;
// What /r writes above its [Numbering] section.
#define NUMBERING_ADVICE                                                                       \
    "; Leave this section out of a file for machines whose built-in ports differ:\n"         \
    "; each machine then numbers from what its dialog would show.\n"

// What a run left: its exit code, standard output, boxes and the driver's keys with the Ports
// list.
struct Outcome {
    int code = -1;
    std::string out;
    std::vector<std::string> boxes;  // "caption: text"
    std::string registry;
    size_t windows = 0;
};

class Unattended : public NewProcessTest {
protected:
    std::string dir;
    std::function<void()> machine = [] {};

    void SetUp() override
    {
        NewProcessTest::SetUp();
        char pattern[] = "/tmp/z4unattended-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        std::string command = "rm -rf " + dir;
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(emu::reg_open_handle_count(), 0) << emu::open_keys();
    }

    std::string file(const std::string &name, const std::string &text)
    {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // The tool run with `arguments` as z4setup.exe, or as z4setup.com with `console`.
    Outcome run(const std::string &arguments, std::function<void(emu::DialogUser &)> user,
                bool console = false)
    {
        NewProcessTest::SetUp();
        machine();
        emu::set_dialog_user(std::move(user));
        emu::set_command_line((console ? "z4setup.com " : "z4setup.exe ") + arguments);
        Outcome o;
        ::testing::internal::CaptureStdout();
        o.code = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT, console);
        o.out = ::testing::internal::GetCapturedStdout();
        for (const auto &b : emu::message_boxes())
            o.boxes.push_back(b.caption + ": " + b.text);
        o.registry = emu::reg_save_text({Z4_SERVICE_KEY, Z4_PORTS_KEY});
        o.windows = emu::windows().size();
        return o;
    }
    Outcome dialog(std::function<void(emu::DialogUser &)> user) { return run("", std::move(user)); }
    Outcome apply(const std::string &text)
    {
        Outcome o = run("/s " + file("boards.ini", text), nullptr);
        EXPECT_TRUE(o.boxes.empty()) << o.boxes[0];
        EXPECT_EQ(o.windows, 0u);
        EXPECT_EQ(emu::error_mode(), static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
                                                     SEM_NOOPENFILEERRORBOX));
        return o;
    }

    // A dialog session refused by a check: its one box, then Cancel.
    static std::function<void(emu::DialogUser &)> refused(std::function<void(emu::DialogUser &)> entries)
    {
        return [entries](emu::DialogUser &u) {
            entries(u);
            u.press(IDC_OK);
            u.press(IDC_CANCEL);
        };
    }

    static void retype(emu::DialogUser &u, int id, const std::string &text)
    {
        u.erase(id);
        u.type(id, text);
    }
};

// COM1 and COM2 in use, as on the typical machine.
inline void typical_machine()
{
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial0", "COM1");
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial1", "COM2");
    emu::reg_put_sz(Z4_PORTS_KEY, "COM1:", "9600,n,8,1");
    emu::reg_put_sz(Z4_PORTS_KEY, "COM2:", "9600,n,8,1");
    emu::reg_put_key(Z4_SERVICES_KEY);
}

// The typical machine after the typical run, with the service started by hand (4 kept).
inline void configured_machine()
{
    typical_machine();
    emu::reg_put_dword(Z4_SERVICE_KEY, "Start", 4);
    std::string board = PARAMETERS + "\\Board1";
    emu::reg_put_dword(board, "IOAddr", 0x310);
    emu::reg_put_dword(board, "Interrupt", 5);
    emu::reg_put_dword(board, "BusType", 1);
    for (int p = 0; p < 8; ++p) {
        std::string port = board + "\\Serial" + std::to_string(3 + p);
        emu::reg_put_value(port, "DosDevices", REG_SZ, emu::bytes("COM" + std::to_string(3 + p) + " "));
        emu::reg_put_dword(port, "PortIndex", p);
    }
}

}  // namespace unattended
