// Exit 0 means the registry holds what was asked: the look after every write, the removal's
// codes, the COM port database's claims only after a clean write, and the console's events.
#include "unattended_fixture.h"

#include <atomic>
#include <sstream>
#include <thread>

#include "comdb_record.h"
#include "z4setup_interrupt.h"

namespace {

using namespace unattended;

const std::string TYPICAL = "[Board1]\nBusType = ISA\nPorts = 8\n";
const std::string BOARD2 = PARAMETERS + "\\Board2";

// A run on the registry as the last run left it.
int next_run(const std::string &arguments)
{
    emu::ui_reset();
    resetZ4_process();
    emu::set_command_line("z4setup.exe " + arguments);
    ::testing::internal::CaptureStdout();
    int code = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
    ::testing::internal::GetCapturedStdout();
    return code;
}

// The typical machine configured with a second board whose key denies access: the writer can
// neither open nor delete it.
void machine_with_a_denied_board()
{
    configured_machine();
    emu::reg_put_dword(BOARD2, "IOAddr", 0x318);
    emu::reg_put_dword(BOARD2, "Interrupt", 5);
    emu::reg_put_dword(BOARD2, "BusType", 1);
    emu::reg_deny(BOARD2);
}

TEST_F(Unattended, an_old_board_key_that_denies_access_makes_the_write_fail_and_says_so)
{
    machine = machine_with_a_denied_board;
    Outcome o = apply(TYPICAL);
    EXPECT_EQ(o.code, Z4_EXIT_WRITE_FAILED);
    EXPECT_EQ(o.out, "z4setup: after the write the registry still needs: delete key HKLM\\" + BOARD2 + "\n");
    EXPECT_TRUE(emu::reg_has_key(BOARD2));

    // The dialog lists the same in one box.
    Outcome dialog_run = dialog([](emu::DialogUser &u) { u.press(IDC_OK); });
    ASSERT_EQ(dialog_run.boxes.size(), 1u);
    EXPECT_EQ(dialog_run.boxes[0], "Debug: After the write the registry does not hold the configuration; "
                                   "it still needs:\ndelete key HKLM\\" + BOARD2);
}

// A write that reported its own failure gets no second report of the same.
TEST_F(Unattended, a_write_that_reported_its_failure_adds_no_look_after_it)
{
    machine = [] {
        machine_with_a_denied_board();
        emu::reg_inject("RegSetValueExA", PARAMETERS + "\\Board1\\Serial3", "DosDevices", 5);
    };
    Outcome o = apply(TYPICAL);
    EXPECT_EQ(o.code, Z4_EXIT_WRITE_FAILED);
    EXPECT_EQ(o.out.find("after the write"), std::string::npos) << o.out;
}

// The plan reads every value name, however long: what it cannot pass over is a change, and the
// write that follows leaves nothing for a second plan.
TEST_F(Unattended, a_port_value_with_a_long_name_is_planned_and_written_away)
{
    const std::string port = PARAMETERS + "\\Board1\\Serial3";
    const std::string name(90, 'v');
    machine = [&] {
        configured_machine();
        emu::reg_put_sz(port, name, "9600,n,8,1");
    };
    std::string path = file("boards.ini", "[Board1]\nBusType = ISA\nInterrupt = 5\nIOAddr = 310\nPorts = 8\n");
    Outcome planned = run("/n " + path, nullptr);
    EXPECT_EQ(planned.code, Z4_EXIT_CHANGES);
    EXPECT_NE(planned.out.find("\ndelete value HKLM\\" + port + " " + name + "\n"), std::string::npos)
        << planned.out;
    Outcome applied = run("/s " + path, nullptr);
    EXPECT_EQ(applied.code, Z4_EXIT_DONE) << applied.out;
    EXPECT_FALSE(emu::reg_get_value(port, name));
    EXPECT_EQ(next_run("/n " + path), Z4_EXIT_DONE);
}

// A subkey whose name cannot be enumerated is not passed over as if it were not there.
TEST_F(Unattended, a_subkey_the_plan_cannot_read_is_a_change)
{
    std::string path = file("boards.ini", "[Board1]\nBusType = ISA\nInterrupt = 5\nIOAddr = 310\nPorts = 8\n");
    machine = [] {
        configured_machine();
        emu::reg_put_key(PARAMETERS + "\\Board1\\Serial3\\Settings");
        emu::reg_inject("RegEnumKeyExA", PARAMETERS + "\\Board1\\Serial3", "", ERROR_ACCESS_DENIED);
    };
    Outcome o = run("/n " + path, nullptr);
    EXPECT_EQ(o.code, Z4_EXIT_CHANGES);
    EXPECT_NE(o.out.find("delete 1 subkey(s) of HKLM\\" + PARAMETERS + "\\Board1\\Serial3, which cannot be read\n"),
              std::string::npos)
        << o.out;
}

TEST_F(Unattended, the_removal_exits_1_only_when_the_driver_is_gone)
{
    machine = configured_machine;
    EXPECT_EQ(run("/d", nullptr).code, Z4_EXIT_REMOVED);
    EXPECT_FALSE(emu::reg_has_key(Z4_SERVICE_KEY));
    // A machine never configured has nothing left either.
    machine = typical_machine;
    EXPECT_EQ(run("/d", nullptr).code, Z4_EXIT_REMOVED);
    // A service key that cannot even be opened is still there.
    machine = [] {
        configured_machine();
        emu::reg_deny(Z4_SERVICE_KEY);
    };
    EXPECT_EQ(run("/d", nullptr).code, Z4_EXIT_WRITE_FAILED);
    machine = [] {
        configured_machine();
        emu::reg_put_key(std::string(Z4_SERVICE_KEY) + "\\Extra");
    };
    Outcome kept = run("/d", nullptr);
    EXPECT_EQ(kept.code, Z4_EXIT_WRITE_FAILED);
    EXPECT_EQ(kept.boxes, std::vector<std::string>{"Could not Delete Serialz4: Error"});
}

// The COM port database: a rewrite keeps its numbers claimed without giving any back first, and a
// write that failed claims nothing.
class ComClaims : public Unattended {
protected:
    static void modern_configured_machine()
    {
        configured_machine();
        emu::comdb_install(true);
        std::vector<uint8_t> bits(32, 0);
        for (int com = 1; com <= 10; ++com)
            bits[(com - 1) / 8] |= static_cast<uint8_t>(1u << ((com - 1) % 8));
        emu::reg_put_value("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter", "ComDB",
                           REG_BINARY, bits);
    }
    static int calls(const char *name)
    {
        int n = 0;
        for (const auto &call : emu::comdb_calls())
            n += call.call == name;
        return n;
    }
};

TEST_F(ComClaims, a_rewrite_releases_none_of_the_numbers_it_keeps)
{
    machine = modern_configured_machine;
    Outcome o = apply("[Board1]\nBusType = ISA\nInterrupt = 10\nIOAddr = 310\nPorts = 8\n");
    EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
    EXPECT_EQ(calls("ComDBReleasePort"), 0);
    // Down to four ports: only the four it no longer holds go back.
    Outcome fewer = apply("[Board1]\nBusType = ISA\nInterrupt = 10\nIOAddr = 310\nPorts = 4\n");
    EXPECT_EQ(fewer.code, Z4_EXIT_DONE) << fewer.out;
    std::vector<DWORD> released;
    for (const auto &call : emu::comdb_calls())
        if (call.call == "ComDBReleasePort")
            released.push_back(call.number);
    EXPECT_EQ(released, (std::vector<DWORD>{7, 8, 9, 10}));
}

TEST_F(ComClaims, a_write_that_failed_claims_nothing)
{
    machine = [] {
        typical_machine();
        emu::comdb_install(true);
        emu::reg_inject("RegSetValueExA", PARAMETERS + "\\Board1\\Serial5", "PortIndex", 5);
    };
    Outcome o = apply(TYPICAL);
    EXPECT_EQ(o.code, Z4_EXIT_WRITE_FAILED);
    EXPECT_EQ(calls("ComDBClaimPort"), 0);
    EXPECT_EQ(calls("ComDBResizeDatabase"), 0);
}

// After the write the run is past the point where an interrupt could end it with "nothing was
// written": the event is answered and the process goes on.
TEST_F(Unattended, an_interrupt_after_the_write_does_not_claim_nothing_was_written)
{
    std::string boards = file("boards.ini", TYPICAL);
    auto interrupted_after_the_write = [boards] {
        typical_machine();
        emu::set_command_line("z4setup.com /s " + boards);
        int code = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT, true);
        BOOL handled = FALSE;
        emu::raise_console_event(CTRL_C_EVENT, [&](BOOL answer) { handled = answer; }).join();
        std::exit(code == Z4_EXIT_DONE && handled ? 0 : 1);
    };
    EXPECT_EXIT(interrupted_after_the_write(), ::testing::ExitedWithCode(0), "");
}

// A console process running as SYSTEM hears of every user's logoff: that is no interrupt.
TEST_F(Unattended, a_logoff_is_no_interrupt)
{
    std::thread handler;
    std::atomic<BOOL> handled{FALSE};
    machine = [&] {
        typical_machine();
        emu::reg_observe([&](const emu::RegCall &) {
            if (!handler.joinable())
                handler = emu::raise_console_event(CTRL_LOGOFF_EVENT, [&](BOOL answer) { handled = answer; });
        });
    };
    Outcome o = run("/s " + file("boards.ini", TYPICAL), nullptr, true);
    ASSERT_TRUE(handler.joinable());
    handler.join();
    EXPECT_TRUE(handled);
    EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
    EXPECT_TRUE(emu::reg_has_key(PARAMETERS + "\\Board1\\Serial10"));
}

// More left after the write than a box can hold: the box shows whole lines, then how many it
// leaves out and how many there are in all.
TEST_F(Unattended, the_box_after_the_write_shows_whole_lines_and_counts_the_rest)
{
    machine = [] {
        typical_machine();
        // Something takes back every DosDevices the writer sets, without a word.
        emu::reg_observe([](const emu::RegCall &call) {
            if (call.op == "RegSetValueExA" && call.name == "DosDevices" && call.result == 0)
                emu::reg_remove_value(call.key, "DosDevices");
        });
    };
    Outcome o = dialog([](emu::DialogUser &u) {
        retype(u, boardZ4_control_id(0, COL_NUM_PORTS), "64");
        u.press(IDC_OK);
    });
    ASSERT_EQ(o.boxes.size(), 1u);
    std::istringstream lines(o.boxes[0]);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Debug: After the write the registry does not hold the configuration; it still needs:");
    unsigned shown = 0, more = 0, all = 0;
    while (std::getline(lines, line)) {
        if (std::sscanf(line.c_str(), "(%u more not shown; %u in all)", &more, &all) == 2)
            break;
        // Each line whole: "set HKLM\...\Serial<n> DosDevices: (none) -> REG_SZ "COM<m> "".
        EXPECT_EQ(line.rfind("set HKLM\\" + PARAMETERS + "\\Board1\\Serial", 0), 0u) << line;
        EXPECT_EQ(line.substr(line.size() - 2), " \"") << line;
        ++shown;
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;
    EXPECT_GT(shown, 5u);
    EXPECT_EQ(all, 64u);
    EXPECT_EQ(shown + more, all);
    EXPECT_LE(o.boxes[0].size(), 2048u + 7);
}

}  // namespace
