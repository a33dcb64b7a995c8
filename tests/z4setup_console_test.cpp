// What administrators meet outside the dialog: files a shell leaves empty or Windows writes in
// UTF-16, /r FILE replaced only when complete, and the console companion: reports as lines,
// the usage for a mistyped switch, interrupts that never leave the configuration half-written.
#include "unattended_fixture.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>

#include "z4setup_interrupt.h"

namespace {

using namespace unattended;

std::string folder_listing(const std::string &dir)
{
    std::string names;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        names += entry.path().filename().string() + " ";
    return names;
}

std::string read_whole(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(Unattended, a_file_without_a_board_keeps_the_configuration_and_exits_2)
{
    machine = configured_machine;
    const std::string before = run("/r", nullptr).registry;
    for (const char *text : {"", "; boards\r\n\r\n# later\r\n", "[Numbering]\r\nFirstCOM = 3\r\n"}) {
        Outcome o = apply(text);
        EXPECT_EQ(o.code, Z4_EXIT_BAD_FILE) << text;
        EXPECT_NE(o.out.find(":"), std::string::npos);
        EXPECT_NE(o.out.find(": no board section: "), std::string::npos) << o.out;
        EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 1) << o.out;
        EXPECT_EQ(o.registry, before);
        EXPECT_TRUE(emu::calls_of("RegOpenKeyExA").empty());
    }
}

TEST_F(Unattended, the_typical_file_marked_as_utf8_or_utf16_writes_the_typical_registry)
{
    machine = typical_machine;
    const std::string text = "[Board1]\r\nBusType = ISA\r\nPorts = 8\r\n";
    Outcome plain = apply(text);
    ASSERT_EQ(plain.code, Z4_EXIT_DONE) << plain.out;
    for (const std::string &marked : {"\xEF\xBB\xBF" + text, emu::utf16_marked(text, true)}) {
        Outcome o = apply(marked);
        EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
        EXPECT_EQ(o.out, plain.out);
        EXPECT_EQ(o.registry, plain.registry);
    }
}

TEST_F(Unattended, report_to_a_file_keeps_the_readers_reports_in_it_and_on_standard_output)
{
    machine = [] {
        typical_machine();
        emu::reg_put_dword(PARAMETERS + "\\Board1", "Interrupt", 5);  // no IOAddr
    };
    std::string path = dir + "/boards.ini";
    Outcome o = run("/r " + path, nullptr);
    EXPECT_EQ(o.code, Z4_EXIT_DONE);
    const std::string report = "ERROR: Line:1606 0 based index = 0, retValue = 2";
    EXPECT_EQ(o.out, report + "\n");
    std::string written = read_whole(path);
    EXPECT_EQ(written.find("; Zentrix IV configuration as the configuration dialog shows it\n; " +
                           report + "\n"),
              0u)
        << written;
    EXPECT_TRUE(o.boxes.empty());
    EXPECT_EQ(folder_listing(dir), "boards.ini ");
}

// An editor or a scanner holding the old report, or a folder that is not there: the old file
// stays as it was, and no half-written report is left beside it.
TEST_F(Unattended, report_that_cannot_be_put_in_place_leaves_the_old_file_and_exits_2)
{
    std::string old = file("boards.ini", "; last week\r\n[Board1]\r\nBusType = PCI\r\nPorts = 4\r\n");
    // ReplaceFileW (Windows 2000 and later) moves a held file aside first, which sharing refuses;
    // MoveFileExW (NT 4.0) cannot replace it.
    for (bool replace : {true, false}) {
        machine = [old, replace] {
            configured_machine();
            emu::hold_file(old);
            emu::set_replace_file_available(replace);
        };
        Outcome held = run("/r " + old, nullptr);
        EXPECT_EQ(held.code, Z4_EXIT_BAD_FILE);
        EXPECT_EQ(held.out, old + (replace ? ": cannot be written: Sharing violation. (error 32)\n"
                                           : ": cannot be written: Access denied. (error 5)\n"));
        EXPECT_EQ(read_whole(old), "; last week\r\n[Board1]\r\nBusType = PCI\r\nPorts = 4\r\n");
        EXPECT_EQ(folder_listing(dir), "boards.ini ");
    }

    Outcome nowhere = run("/r " + dir + "/missing/boards.ini", nullptr);
    EXPECT_EQ(nowhere.code, Z4_EXIT_BAD_FILE);
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing"));
}

TEST_F(Unattended, an_odd_key_that_cannot_go_is_reported_and_the_run_exits_4)
{
    machine = [] {
        configured_machine();
        // Read as the second board, with one port whose key has a subkey of its own.
        std::string spare = PARAMETERS + "\\Spare";
        emu::reg_put_dword(spare, "IOAddr", 0x340);
        emu::reg_put_dword(spare, "Interrupt", 5);
        emu::reg_put_dword(spare, "BusType", 1);
        emu::reg_put_value(spare + "\\Serial20", "DosDevices", REG_SZ, emu::bytes("COM20 "));
        emu::reg_put_dword(spare + "\\Serial20", "PortIndex", 0);
        emu::reg_put_key(spare + "\\Serial20\\Settings");
    };
    Outcome o = apply("[Board1]\nBusType = ISA\nPorts = 8\n");
    EXPECT_EQ(o.code, Z4_EXIT_WRITE_FAILED);
    EXPECT_EQ(o.out, "Debug: Error deleting key:1)Spare retcode:5\n");
}

TEST_F(Unattended, a_file_name_too_long_to_hold_is_refused_not_cut)
{
    machine = configured_machine;
    std::string name(Z4_FILE_NAME_CHARS, 'b');
    for (const char *verb : {"/s ", "/r "}) {
        Outcome o = run(verb + name, nullptr);
        EXPECT_EQ(o.code, Z4_EXIT_BAD_FILE);
        EXPECT_EQ(o.out, "z4setup: the file name is longer than the 1023 characters z4setup takes\n");
        EXPECT_TRUE(emu::reg_calls().empty());
    }
    char file[Z4_FILE_ARGUMENT_CHARS];
    EXPECT_EQ(verbZ4_of(("/s " + name.substr(1)).c_str(), file), Z4_VERB_APPLY);
}

TEST_F(Unattended, usage_names_every_exit_code)
{
    Outcome o = run("/?", nullptr);
    ASSERT_EQ(o.boxes.size(), 1u);
    for (const char *code : {"0 done", "1 removed", "2 the file", "3 the configuration is refused",
                             "4 the registry write failed", "5 another z4setup is running",
                             "7 interrupted"})
        EXPECT_NE(o.boxes[0].find(code), std::string::npos) << code;
}

// ---- the console companion ----

TEST_F(Unattended, at_the_console_every_report_is_a_line_and_no_box_shows)
{
    machine = [] {
        configured_machine();
        emu::reg_put_key(PARAMETERS + "\\Board1\\Serial3\\Settings");
    };
    Outcome removal = run("/d", nullptr, true);
    // The service key stays: the driver would start again at the next boot.
    EXPECT_EQ(removal.code, Z4_EXIT_WRITE_FAILED);
    EXPECT_EQ(removal.out, "Could not Delete SerialZ4\\Parameters: Error\n"
                           "Could not Delete Serialz4: Error\n");
    EXPECT_TRUE(removal.boxes.empty());
    EXPECT_EQ(emu::error_mode(),
              static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX));

    Outcome usage = run("/?", nullptr, true);
    EXPECT_EQ(usage.code, Z4_EXIT_DONE);
    EXPECT_TRUE(usage.boxes.empty());
    EXPECT_EQ(usage.out.find("z4setup              the configuration dialog\n"), 0u);

    emu::hold_mutex("Global\\Z4SetupRunning");
    machine = [] { emu::hold_mutex("Global\\Z4SetupRunning"); };
    Outcome second = run("/s boards.ini", nullptr, true);
    EXPECT_EQ(second.code, Z4_EXIT_RUNNING);
    EXPECT_EQ(second.out, "Another z4setup is running.\n");
}

TEST_F(Unattended, at_the_console_a_switch_that_selects_nothing_shows_the_usage_and_exits_2)
{
    machine = configured_machine;
    const std::string usage = run("/?", nullptr, true).out;
    for (const char *argument : {"/x", "-s boards.ini", "/safe", "d", "/dryrun", "/delete", "/debug", "/d x"}) {
        Outcome o = run(argument, nullptr, true);
        EXPECT_EQ(o.code, Z4_EXIT_BAD_FILE) << argument;
        EXPECT_EQ(o.out, usage) << argument;
        EXPECT_EQ(o.windows, 0u);
        EXPECT_TRUE(emu::reg_calls().empty());
    }
    // Only "/d" alone removes, blanks after it allowed; the exe keeps its two-character rule.
    EXPECT_TRUE(emu::reg_has_key(Z4_SERVICE_KEY));
    Outcome removed = run("/D \t ", nullptr, true);
    EXPECT_EQ(removed.code, Z4_EXIT_REMOVED);
    EXPECT_EQ(removed.out, "z4setup: removed; the registry holds no configuration of the driver\n");
    EXPECT_FALSE(emu::reg_has_key(Z4_SERVICE_KEY));
    EXPECT_EQ(run("/delete", nullptr).code, Z4_EXIT_REMOVED);
}

TEST_F(Unattended, at_the_console_no_argument_opens_the_dialog_as_the_exe_does)
{
    machine = typical_machine;
    Outcome exe = dialog([](emu::DialogUser &u) {
        u.type(203, "8");
        u.press(IDC_OK);
    });
    bool opened = false;
    Outcome com = run("", [&opened](emu::DialogUser &u) {
        opened = u.dialog_open();
        u.type(203, "8");
        u.press(IDC_OK);
    }, true);
    EXPECT_TRUE(opened);
    EXPECT_EQ(com.code, exe.code);
    EXPECT_EQ(com.registry, exe.registry);
}

// Ctrl+C while the old keys go and the new ones come: the handler holds the event until the
// write is complete, so the configuration is whole; the run ends as it would have.
TEST_F(Unattended, an_interrupt_during_the_write_is_held_until_the_write_ends)
{
    machine = typical_machine;
    const std::string whole = apply("[Board1]\nBusType = ISA\nPorts = 8\n").registry;
    for (DWORD event : {CTRL_C_EVENT, CTRL_BREAK_EVENT, CTRL_CLOSE_EVENT}) {
        std::atomic<int> changes{0}, changesWhenAnswered{-1};
        std::atomic<BOOL> handled{FALSE};
        std::thread handler;
        machine = [&] {
            typical_machine();
            emu::reg_observe([&](const emu::RegCall &call) {
                if (!emu::changes_registry(call) || ++changes != 1)
                    return;
                handler = emu::raise_console_event(event, [&](BOOL answer) {
                    changesWhenAnswered = changes.load();
                    handled = answer;
                });
                // The handler is waiting before the write goes on.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            });
        };
        std::string path = file("boards.ini", "[Board1]\nBusType = ISA\nPorts = 8\n");
        Outcome o = run("/s " + path, nullptr, true);
        ASSERT_TRUE(handler.joinable());
        handler.join();
        EXPECT_EQ(o.code, Z4_EXIT_DONE);
        EXPECT_EQ(o.registry, whole);
        EXPECT_TRUE(handled);
        EXPECT_EQ(changesWhenAnswered.load(), changes.load()) << "answered before the write ended";
    }
}

// Before the registry changes, an interrupt ends the run at once: nothing written, exit 7.
TEST_F(Unattended, an_interrupt_before_the_write_ends_the_run_at_once_with_exit_7)
{
    std::string boards = file("boards.ini", "[Board1]\nBusType = ISA\nPorts = 8\n");
    auto interrupted_at_first_call = [boards] {
        configured_machine();
        emu::reg_observe([](const emu::RegCall &) {
            emu::raise_console_event(CTRL_C_EVENT).join();
        });
        emu::set_command_line("z4setup.com /s " + boards);
        runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT, true);
    };
    EXPECT_EXIT(interrupted_at_first_call(), ::testing::ExitedWithCode(Z4_EXIT_INTERRUPTED), "");
}

// A report on its way to FILE is finished and put in place first: FILE is whole, never half.
TEST_F(Unattended, an_interrupt_while_a_report_is_written_waits_until_it_is_in_place)
{
    std::string old = file("boards.ini", "; last week\n");
    std::thread handler;
    std::atomic<BOOL> handled{FALSE};
    machine = [&] {
        configured_machine();
        emu::reg_observe([&](const emu::RegCall &) {
            if (handler.joinable())
                return;
            handler = emu::raise_console_event(CTRL_C_EVENT, [&](BOOL answer) { handled = answer; });
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        });
    };
    Outcome o = run("/r " + old, nullptr, true);
    ASSERT_TRUE(handler.joinable());
    handler.join();
    EXPECT_EQ(o.code, Z4_EXIT_DONE);
    EXPECT_TRUE(handled);
    std::string report = read_whole(old);
    EXPECT_EQ(report.find("; Zentrix IV configuration"), 0u);
    EXPECT_NE(report.find("FirstCOM = 3\n"), std::string::npos);
    EXPECT_EQ(folder_listing(dir), "boards.ini ");
}

}  // namespace
