// The run's event in the Application log: one per run that changed the registry, refused or
// failed, with the run's own lines and the process's user; none for a run that changed nothing;
// and a log that cannot be written never changes the outcome.
#include "unattended_fixture.h"

#include "event_record.h"
#include "registry_faults.h"
#include "z4setup_events.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace {

using namespace unattended;

const std::string TYPICAL = "[Board1]\nBusType = ISA\nPorts = 8\n";

class Events : public Unattended {
protected:
    // The one event of the last run, its source and user checked.
    emu::EventRecord only_event()
    {
        EXPECT_EQ(emu::events().size(), 1u);
        if (emu::events().size() != 1)
            return {};
        emu::EventRecord e = emu::events()[0];
        EXPECT_EQ(e.source, "z4setup");
        EXPECT_EQ(e.strings.size(), 1u);
        EXPECT_EQ(emu::open_event_handles(), 0);
        return e;
    }
    static bool holds(const emu::EventRecord &e, const std::string &line)
    {
        return !e.strings.empty() && e.strings[0].find(line + "\r\n") != std::string::npos;
    }
};

TEST_F(Events, a_write_leaves_one_information_event_with_the_runs_lines_and_user)
{
    machine = [] {
        typical_machine();
        emu::set_process_user("S-1-5-21-1004336348-1177238915-682003330-512");
    };
    Outcome o = run("/s " + file("boards.ini", TYPICAL), nullptr, true);
    ASSERT_EQ(o.code, Z4_EXIT_DONE);
    emu::EventRecord e = only_event();
    EXPECT_EQ(e.id, static_cast<DWORD>(Z4_EVENT_APPLIED));
    EXPECT_EQ(e.type, EVENTLOG_INFORMATION_TYPE);
    EXPECT_EQ(e.user, "S-1-5-21-1004336348-1177238915-682003330-512");
    EXPECT_EQ(e.strings[0].find("z4setup /s " + dir + "/boards.ini\r\n"), 0u) << e.strings[0];
    // The same words as on standard output.
    EXPECT_TRUE(holds(e, "Board1: ISA, Interrupt 10, IOAddr 308, Ports 8: Serial3-Serial10, COM3-COM10"));

    // A machine that holds the file's configuration: "/s" changes nothing and leaves no event,
    // nor do "/n" and "/r".
    const std::string written = o.registry;
    machine = [written] {
        typical_machine();
        std::string error;
        ASSERT_TRUE(emu::reg_load_text(written, "the first run", &error)) << error;
    };
    const std::string held = TYPICAL;
    for (const std::string &verb : {"/s ", "/n ", "/r "}) {
        SCOPED_TRACE(verb);
        Outcome again = run(verb + file(verb == "/r " ? "report.ini" : "boards.ini", held), nullptr, true);
        EXPECT_EQ(again.code, Z4_EXIT_DONE) << again.out;
        EXPECT_TRUE(emu::events().empty());
    }
    run("/?", nullptr, true);
    EXPECT_TRUE(emu::events().empty());
}

TEST_F(Events, a_refusal_a_file_it_cannot_use_and_a_failed_write_each_have_their_own)
{
    machine = typical_machine;
    Outcome refused = run("/s " + file("boards.ini", "[Board1]\nBusType = ISA\nPorts = 12\n"), nullptr, true);
    ASSERT_EQ(refused.code, Z4_EXIT_REFUSED);
    emu::EventRecord e = only_event();
    EXPECT_EQ(e.id, static_cast<DWORD>(Z4_EVENT_APPLY_REFUSED));
    EXPECT_EQ(e.type, EVENTLOG_WARNING_TYPE);
    EXPECT_TRUE(holds(e, "CONFIGURATION ERROR: ERROR: Number of Ports is out of legal range for board 1"))
        << e.strings[0];

    Outcome malformed = run("/s " + file("boards.ini", "[Board1]\nBusType = ISA\nPorts = 8\nPorts = 8\n"), nullptr, true);
    ASSERT_EQ(malformed.code, Z4_EXIT_BAD_FILE);
    e = only_event();
    EXPECT_EQ(e.id, static_cast<DWORD>(Z4_EVENT_APPLY_BAD_FILE));
    EXPECT_EQ(e.type, EVENTLOG_WARNING_TYPE);
    EXPECT_TRUE(holds(e, malformed.out.substr(0, malformed.out.size() - 1))) << malformed.out;  // FILE:LINE

    machine = [] {
        typical_machine();
        emu::reg_inject("RegSetValueExA", "", "PortIndex", ERROR_ACCESS_DENIED, 3);
    };
    Outcome failed = run("/s " + file("boards.ini", TYPICAL), nullptr, true);
    ASSERT_EQ(failed.code, Z4_EXIT_WRITE_FAILED);
    e = only_event();
    EXPECT_EQ(e.id, static_cast<DWORD>(Z4_EVENT_APPLY_FAILED));
    EXPECT_EQ(e.type, EVENTLOG_ERROR_TYPE);
    EXPECT_TRUE(holds(e, "Error: Unable to set parameter value, RegSetValueEx = 5, Line = 1187")) << e.strings[0];
}

TEST_F(Events, removal_the_dialogs_ok_and_a_run_held_back_by_another)
{
    machine = configured_machine;
    Outcome removed = run("/d", nullptr, true);
    ASSERT_EQ(removed.code, Z4_EXIT_REMOVED);
    emu::EventRecord e = only_event();
    EXPECT_EQ(e.id, static_cast<DWORD>(Z4_EVENT_REMOVED));
    EXPECT_EQ(e.type, EVENTLOG_INFORMATION_TYPE);

    machine = [] {
        configured_machine();
        emu::reg_inject("RegDeleteKeyA", Z4_SERVICE_KEY, "", ERROR_ACCESS_DENIED);
    };
    Outcome left = run("/d", nullptr, true);
    ASSERT_EQ(left.code, Z4_EXIT_WRITE_FAILED);
    e = only_event();
    EXPECT_EQ(e.id, static_cast<DWORD>(Z4_EVENT_REMOVAL_FAILED));
    EXPECT_EQ(e.type, EVENTLOG_ERROR_TYPE);

    machine = typical_machine;
    Outcome ok = dialog([](emu::DialogUser &u) {
        u.type(203, "8");
        u.press(IDC_OK);
    });
    e = only_event();
    EXPECT_EQ(e.id, static_cast<DWORD>(Z4_EVENT_DIALOG_WROTE));
    EXPECT_TRUE(holds(e, "Board1: ISA, Interrupt 10, IOAddr 308, Ports 8: Serial3-Serial10, COM3-COM10"));
    EXPECT_TRUE(ok.out.empty()) << ok.out;  // kept for the event, not printed
    dialog([](emu::DialogUser &u) { u.press(IDC_CANCEL); });
    EXPECT_TRUE(emu::events().empty());

    machine = [] {
        typical_machine();
        emu::hold_mutex("Global\\Z4SetupRunning");
    };
    ASSERT_EQ(run("/s " + file("boards.ini", TYPICAL), nullptr, true).code, Z4_EXIT_RUNNING);
    e = only_event();
    EXPECT_EQ(e.id, static_cast<DWORD>(Z4_EVENT_RUNNING));
    EXPECT_EQ(e.type, EVENTLOG_WARNING_TYPE);
    run("/n " + file("boards.ini", TYPICAL), nullptr, true);
    EXPECT_TRUE(emu::events().empty());
}

TEST_F(Events, a_log_that_cannot_be_written_changes_no_outcome_and_says_so_in_one_line)
{
    for (bool opens : {false, true}) {
        SCOPED_TRACE(opens ? "ReportEvent refused" : "RegisterEventSource refused");
        machine = [opens] {
            typical_machine();
            emu::set_event_log_fault(opens ? 0 : RPC_S_SERVER_UNAVAILABLE, opens ? ERROR_ACCESS_DENIED : 0);
        };
        Outcome o = run("/s " + file("boards.ini", TYPICAL), nullptr, true);
        EXPECT_EQ(o.code, Z4_EXIT_DONE);
        EXPECT_TRUE(emu::events().empty());
        EXPECT_EQ(emu::open_event_handles(), 0);
        EXPECT_EQ(o.out, "Board1: ISA, Interrupt 10, IOAddr 308, Ports 8: Serial3-Serial10, COM3-COM10\n"
                         "z4setup: event 100 could not be written to the event log (error " +
                             std::to_string(opens ? ERROR_ACCESS_DENIED : RPC_S_SERVER_UNAVAILABLE) + ")\n");
    }
}

}  // namespace

namespace {

// A line longer than the event keeps of it still reaches standard output whole, with its end:
// the plan's line of a value with a long name, then the count on a line of its own.
TEST_F(Events, a_long_line_reaches_standard_output_whole_with_its_line_end)
{
    machine = [] {
        configured_machine();
        emu::reg_put_dword(PARAMETERS + "\\Board1\\Serial3", std::string(1500, 'v'), 1);
    };
    Outcome o = run("/n " + file("boards.ini", "[Board1]\nBusType = ISA\nInterrupt = 5\nIOAddr = 310\nPorts = 8\n"),
                    nullptr, true);
    ASSERT_EQ(o.code, Z4_EXIT_CHANGES) << o.out;
    size_t at = o.out.find("delete value HKLM\\");
    ASSERT_NE(at, std::string::npos) << o.out;
    size_t end = o.out.find('\n', at);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(end - at, 1399u);  // the plan's own line, as it always was
    EXPECT_NE(o.out.find(" changes\n", end), std::string::npos);
    EXPECT_TRUE(emu::events().empty());
}

}  // namespace

// At a console the lines must show as the run says them, not when it ends: a child process whose
// standard output is a terminal says one line and waits; the line is there before it exits.
TEST(ConsoleOutput, a_line_said_at_a_terminal_shows_before_the_run_ends)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    int said[2], done[2];
    ASSERT_EQ(pipe(said), 0);
    ASSERT_EQ(pipe(done), 0);
    const std::string slave = ptsname(master);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int terminal = open(slave.c_str(), O_RDWR | O_NOCTTY);
        termios raw;
        tcgetattr(terminal, &raw);
        cfmakeraw(&raw);
        tcsetattr(terminal, TCSANOW, &raw);
        dup2(terminal, 1);
        bufferZ4_output_lines();
        sayZ4_line("z4setup: %d changes\n", 3);
        char go;
        (void)!write(said[1], "s", 1);
        (void)!read(done[0], &go, 1);
        _exit(0);  // no flush at exit: what was not written out by now never shows
    }
    char mark;
    ASSERT_EQ(read(said[0], &mark, 1), 1);
    std::string shown;
    pollfd wait = {master, POLLIN, 0};
    char chunk[64];
    while (shown.find('\n') == std::string::npos && poll(&wait, 1, 2000) == 1) {
        ssize_t got = read(master, chunk, sizeof chunk);
        if (got <= 0)
            break;
        shown.append(chunk, static_cast<size_t>(got));
    }
    (void)!write(done[1], "d", 1);
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {master, said[0], said[1], done[0], done[1]})
        close(fd);
    EXPECT_EQ(shown, "z4setup: 3 changes\n");
}
