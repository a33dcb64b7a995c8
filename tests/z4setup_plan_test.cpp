// The plan of what "/s" would change: "/n" lists exactly the difference "/s" then makes (over
// every "/s" scenario), "/s" leaves a machine that holds the configuration alone, and a "/s" cut
// off after any one of its changes is seen as different and mended by the next.
#include "unattended_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "comdb_record.h"
#include "plan_words.h"
#include "registry_faults.h"

namespace {

using namespace unattended;

const std::string TYPICAL = "[Board1]\nBusType = ISA\nPorts = 8\n";

using Picture = emu::PlanPicture;
Picture picture() { return emu::plan_picture(); }
std::set<std::string> difference(const Picture &a, const Picture &b) { return emu::plan_difference(a, b); }
std::set<std::string> planned(const std::string &out) { return emu::plan_items(out); }

// A scenario folder's set-up, as the scenario runner makes it in the emulation.
struct Scenario {
    std::string name, command;
    std::vector<std::string> files, volatile_keys, read_only;
    bool comdb = false, skip = false;
};

Scenario load(const std::filesystem::path &dir)
{
    Scenario s;
    s.name = dir.filename().string();
    std::ifstream in(dir / "scenario.txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string verb, rest;
        words >> verb;
        std::getline(words >> std::ws, rest);
        if (verb == "command")
            s.command = rest;
        else if (verb == "file")
            s.files.push_back(rest);
        else if (verb == "volatile")
            s.volatile_keys.push_back(rest);
        else if (verb == "read-only")
            s.read_only.push_back(rest);
        else if (verb == "comdb")
            s.comdb = true;
        else if (verb == "only" || verb == "console" || verb == "held" || verb == "batch")
            s.skip = true;
    }
    return s;
}

class Plan : public Unattended {
protected:
    std::string planOut;

    // The tool once more on the registry as it stands, as a new process.
    int again(const std::string &arguments, std::string *out, bool comdb = false)
    {
        emu::ui_reset();
        resetZ4_process();
        emu::comdb_install(comdb);
        emu::reg_clear_calls();
        emu::set_command_line("z4setup.exe " + arguments);
        ::testing::internal::CaptureStdout();
        int code = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
        *out = ::testing::internal::GetCapturedStdout();
        return code;
    }

    static size_t changes_made()
    {
        size_t n = 0;
        for (const auto &c : emu::reg_calls())
            n += emu::changes_registry(c);
        return n;
    }
};

TEST_F(Plan, the_plan_lists_exactly_what_every_apply_scenario_changes)
{
    const std::string root = Z4_SOURCE_DIR "/tests/scenarios";
    std::vector<std::filesystem::path> dirs;
    for (const auto &entry : std::filesystem::directory_iterator(root))
        if (std::filesystem::exists(entry.path() / "scenario.txt"))
            dirs.push_back(entry.path());
    std::sort(dirs.begin(), dirs.end());
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    int compared = 0, refused = 0;
    for (const auto &folder : dirs) {
        Scenario s = load(folder);
        if (s.skip || s.command.rfind("/s ", 0) != 0)
            continue;
        SCOPED_TRACE(s.name);
        emu::reg_reset();
        std::string error;
        ASSERT_TRUE(emu::reg_load_file(root + "/baseline.reg", &error)) << error;
        for (const auto &key : s.volatile_keys)
            emu::reg_put_volatile_key(key);
        ASSERT_TRUE(emu::reg_load_file((folder / "before.reg").string(), &error)) << error;
        for (const auto &key : s.read_only)
            emu::reg_read_only(key);
        for (const auto &f : s.files)
            std::filesystem::copy_file(folder / f, dir + "/" + f,
                                       std::filesystem::copy_options::overwrite_existing);
        ASSERT_EQ(chdir(dir.c_str()), 0);

        Picture before = picture();
        std::string planOut, applyOut;
        int planCode = again("/n " + s.command.substr(3), &planOut, s.comdb);
        EXPECT_EQ(changes_made(), 0u) << "/n wrote";
        Picture unchanged = picture();
        EXPECT_TRUE(difference(before, unchanged).empty()) << "/n changed the registry";
        int applyCode = again(s.command, &applyOut, s.comdb);
        Picture after = picture();
        if (applyCode == Z4_EXIT_DONE) {
            std::set<std::string> made = difference(before, after);
            EXPECT_EQ(planned(planOut), made) << planOut;
            EXPECT_EQ(planCode, made.empty() ? Z4_EXIT_DONE : Z4_EXIT_CHANGES);
            EXPECT_EQ(changes_made() == 0, made.empty());
            ++compared;
        } else if (applyCode != Z4_EXIT_WRITE_FAILED) {
            EXPECT_EQ(planCode, applyCode);
            EXPECT_EQ(planOut, applyOut);
            ++refused;
        }
        ASSERT_EQ(chdir(here), 0);
    }
    std::printf("the plan against /s: %d scenarios compared, %d refused alike\n", compared, refused);
    EXPECT_GE(compared, 10);
}

TEST_F(Plan, apply_on_a_machine_that_holds_the_configuration_opens_nothing_to_write)
{
    machine = [] {
        configured_machine();
        emu::reg_put_dword(Z4_SERVICE_KEY, "ErrorControl", 0);
        emu::reg_put_sz(Z4_SERVICE_KEY, "Group", "Extended base");
        emu::reg_put_dword(Z4_SERVICE_KEY, "Type", 1);
        for (int c = 3; c <= 10; ++c)
            emu::reg_put_sz(Z4_PORTS_KEY, "COM" + std::to_string(c) + ":", "9600,n,8,1");
        emu::reg_read_only(Z4_SERVICE_KEY);
    };
    const std::string file = "[Board1]\nBusType = ISA\nInterrupt = 5\nIOAddr = 310\nPorts = 8\n";
    Outcome kept = apply(file);
    EXPECT_EQ(kept.code, Z4_EXIT_DONE);
    EXPECT_EQ(kept.out, "Board1: ISA, Interrupt 5, IOAddr 310, Ports 8: Serial3-Serial10, COM3-COM10\n"
                        "z4setup: the registry holds this configuration already; nothing changed\n");
    for (const auto &call : emu::reg_calls()) {
        EXPECT_FALSE(emu::changes_registry(call)) << call.op << " " << call.key;
        EXPECT_EQ(call.access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY), 0u) << call.op << " " << call.key;
    }
    // Start 4, set by hand, is what the writer keeps: no change for /n either.
    EXPECT_EQ(emu::reg_dword(Z4_SERVICE_KEY, "Start"), 4u);
    Outcome plan = run("/n " + this->file("boards.ini", file), nullptr);
    EXPECT_EQ(plan.code, Z4_EXIT_DONE);
    EXPECT_EQ(plan.out, "no change: the registry holds this configuration already\n");

    // One value off is a change, and the read-only keys refuse the write it needs.
    Outcome moved = apply("[Board1]\nBusType = ISA\nInterrupt = 5\nIOAddr = 318\nPorts = 8\n");
    EXPECT_EQ(moved.code, Z4_EXIT_WRITE_FAILED);
}

TEST_F(Plan, plan_lists_old_and_new_data_and_counts_the_changes)
{
    machine = configured_machine;
    Outcome plan = run("/n " + file("boards.ini", "[Board1]\nBusType = ISA\nInterrupt = 5\nIOAddr = 318\nPorts = 4\n"),
                       nullptr);
    EXPECT_EQ(plan.code, Z4_EXIT_CHANGES);
    const std::string board = "HKLM\\" + PARAMETERS + "\\Board1";
    EXPECT_NE(plan.out.find("set " + board + " IOAddr: REG_DWORD 0x310 -> REG_DWORD 0x318\n"),
              std::string::npos)
        << plan.out;
    EXPECT_NE(plan.out.find("delete key " + board + "\\Serial7\n"), std::string::npos);
    EXPECT_NE(plan.out.find("set HKLM\\" + std::string(Z4_SERVICE_KEY) +
                            " Group: (none) -> REG_SZ \"Extended base\"\n"),
              std::string::npos);
    EXPECT_EQ(plan.out.substr(plan.out.rfind('\n', plan.out.size() - 2) + 1), "12 changes\n");
    EXPECT_TRUE(emu::calls_of("RegSetValueExA").empty());
}

// The service key and the Ports entries as the writer leaves them, for a machine that holds the
// configuration whole.
void written_service(int firstCom, int ports)
{
    emu::reg_put_dword(Z4_SERVICE_KEY, "ErrorControl", 0);
    emu::reg_put_sz(Z4_SERVICE_KEY, "Group", "Extended base");
    emu::reg_put_dword(Z4_SERVICE_KEY, "Type", 1);
    for (int c = firstCom; c < firstCom + ports; ++c)
        emu::reg_put_sz(Z4_PORTS_KEY, "COM" + std::to_string(c) + ":", "9600,n,8,1");
}

// Four ISA boards of 64 ports each on interrupt 10, Serial3/COM3 on: the largest configuration.
const std::string FULL = "[Board1]\nBusType = ISA\nInterrupt = 10\nIOAddr = 308\nPorts = 64\n"
                         "[Board2]\nBusType = ISA\nInterrupt = 10\nIOAddr = 310\nPorts = 64\n"
                         "[Board3]\nBusType = ISA\nInterrupt = 10\nIOAddr = 318\nPorts = 64\n"
                         "[Board4]\nBusType = ISA\nInterrupt = 10\nIOAddr = 320\nPorts = 64\n"
                         "[Numbering]\nFirstDevice = 3\nFirstCOM = 3\n";

void full_machine()
{
    typical_machine();
    emu::reg_put_dword(Z4_SERVICE_KEY, "Start", 2);
    written_service(3, 256);
    int n = 3;
    for (int b = 1; b <= 4; ++b) {
        std::string board = PARAMETERS + "\\Board" + std::to_string(b);
        emu::reg_put_dword(board, "IOAddr", 0x300 + 8 * b);
        emu::reg_put_dword(board, "Interrupt", 10);
        emu::reg_put_dword(board, "BusType", 1);
        for (int p = 0; p < 64; ++p, ++n) {
            std::string port = board + "\\Serial" + std::to_string(n);
            emu::reg_put_value(port, "DosDevices", REG_SZ, emu::bytes("COM" + std::to_string(n) + " "));
            emu::reg_put_dword(port, "PortIndex", p);
        }
    }
}

TEST_F(Plan, a_port_key_is_as_written_only_with_its_two_values_and_nothing_else)
{
    const std::string boards = "[Board1]\nBusType = ISA\nInterrupt = 5\nIOAddr = 310\nPorts = 8\n";
    const std::string port = PARAMETERS + "\\Board1\\Serial5";
    const std::string shown = "HKLM\\" + port;
    std::function<void()> change;
    machine = [&] {
        configured_machine();
        written_service(3, 8);
        change();
    };
    auto plan = [&](std::function<void()> c) {
        change = std::move(c);
        return run("/n " + file("boards.ini", boards), nullptr);
    };
    Outcome held = plan([] {});
    EXPECT_EQ(held.code, Z4_EXIT_DONE) << held.out;

    // Two values, as many as the writer writes, but one of them foreign: PortIndex is missing.
    Outcome foreign = plan([&] {
        emu::reg_remove_value(port, "PortIndex");
        emu::reg_put_dword(port, "Foreign", 2);
    });
    EXPECT_EQ(foreign.code, Z4_EXIT_CHANGES);
    // The reader says first that the port has no index.
    EXPECT_EQ(foreign.out, "ERROR: Line:1741 0 based index = 3, retValue = 2\n"
                           "set " + shown + " PortIndex: (none) -> REG_DWORD 0x2\n"
                           "delete value " + shown + " Foreign\n2 changes\n");

    // A third value, or a subkey, beside the two as written.
    Outcome third = plan([&] { emu::reg_put_sz(port, "Note", "x"); });
    EXPECT_EQ(third.out, "delete value " + shown + " Note\n1 change\n");
    Outcome sub = plan([&] { emu::reg_put_key(port + "\\Extra"); });
    EXPECT_EQ(sub.out, "delete key " + shown + "\\Extra\n1 change\n");

    // DosDevices is "COM5 " with or without the NUL the registry may keep; one character more,
    // stored without a NUL, is another text.
    Outcome nul = plan([&] { emu::reg_put_value(port, "DosDevices", REG_SZ, emu::bytes(std::string("COM5 \0", 6))); });
    EXPECT_EQ(nul.code, Z4_EXIT_DONE) << nul.out;
    Outcome longer = plan([&] { emu::reg_put_value(port, "DosDevices", REG_SZ, emu::bytes("COM5 X")); });
    EXPECT_EQ(longer.out, "set " + shown + " DosDevices: REG_SZ \"COM5 X\" -> REG_SZ \"COM5 \"\n1 change\n");
}

TEST_F(Plan, a_board_of_64_ports_is_held_whole_and_its_last_port_is_planned)
{
    std::function<void()> change = [] {};
    machine = [&] {
        full_machine();
        change();
    };
    Outcome held = run("/n " + file("boards.ini", FULL), nullptr);
    EXPECT_EQ(held.code, Z4_EXIT_DONE) << held.out;
    EXPECT_EQ(held.out, "no change: the registry holds this configuration already\n");

    // The 64th port of Board1 is Serial66/COM66.
    const std::string last = PARAMETERS + "\\Board1\\Serial66";
    change = [&] { emu::reg_remove_key(last); };
    Outcome missing = run("/n " + file("boards.ini", FULL), nullptr);
    EXPECT_EQ(missing.out, "create key HKLM\\" + last + "\n"
                           "set HKLM\\" + last + " DosDevices: (none) -> REG_SZ \"COM66 \"\n"
                           "set HKLM\\" + last + " PortIndex: (none) -> REG_DWORD 0x3f\n3 changes\n");
}

// "/n" on a configured 4 x 64 machine reads each key once: the reader's calls per port, and the
// port's Ports entry at most.
TEST_F(Plan, the_plan_of_a_configured_machine_reads_each_port_once)
{
    machine = full_machine;
    Outcome held = run("/n " + file("boards.ini", FULL), nullptr);
    ASSERT_EQ(held.code, Z4_EXIT_DONE) << held.out;
    const double perPort = static_cast<double>(emu::reg_calls().size()) / 256;
    std::printf("/n on a configured 4 x 64 machine: %zu registry calls, %.2f a port\n",
                emu::reg_calls().size(), perPort);
    EXPECT_LE(perPort, 6.5);
    // Nothing goes to the debugger without one; with one attached, the reader's lines do.
    EXPECT_TRUE(emu::debug_output().empty()) << emu::debug_output().front();

    Outcome unchanged = run("/s " + file("boards.ini", FULL), nullptr);
    ASSERT_EQ(unchanged.code, Z4_EXIT_DONE) << unchanged.out;
    const size_t unchangedCalls = emu::reg_calls().size();

    // A rewrite: the interrupt changes. After the write only the board keys are read again.
    std::string moved = FULL;
    for (size_t at; (at = moved.find("Interrupt = 10")) != std::string::npos;)
        moved.replace(at, 14, "Interrupt = 11");
    Outcome rewrite = run("/s " + file("boards.ini", moved), nullptr);
    ASSERT_EQ(rewrite.code, Z4_EXIT_DONE) << rewrite.out;
    const auto &calls = emu::reg_calls();
    size_t lastChange = 0;
    for (size_t i = 0; i < calls.size(); ++i)
        if (emu::changes_registry(calls[i]))
            lastChange = i;
    size_t portReadsAfter = 0;
    for (size_t i = lastChange + 1; i < calls.size(); ++i)
        portReadsAfter += calls[i].key.find("\\Serial", PARAMETERS.size()) != std::string::npos &&
                          calls[i].op != "RegCloseKey";
    EXPECT_EQ(portReadsAfter, 0u);
    EXPECT_EQ(emu::reg_dword(PARAMETERS + "\\Board4", "Interrupt"), 11u);
    std::printf("/s of the same file: %.2f calls a port; /s rewriting the interrupt: %.2f\n",
                static_cast<double>(unchangedCalls) / 256, static_cast<double>(calls.size()) / 256);
    EXPECT_LE(static_cast<double>(unchangedCalls) / 256, 6.5);

    machine = [] {
        full_machine();
        emu::set_debugger_present(true);
    };
    run("/n " + file("boards.ini", FULL), nullptr);
    EXPECT_EQ(emu::traced_count("getZ4_reg_params:ioaddr:308\n"), 1u);
}

// A power cut after any one change of a first "/s": the next "/n" sees a difference until the
// last change is made, and the next "/s" leaves exactly the configuration.
TEST_F(Plan, a_write_cut_off_after_any_change_is_seen_and_mended_by_the_next_run)
{
    machine = typical_machine;
    // The numbers are given: a cut-off write leaves board keys the reader counts from, and the
    // suffixes the dialog would show then differ (as they would in the dialog).
    const std::string boards = "[Board1]\nBusType = ISA\nPorts = 8\n[Board2]\nBusType = PCI\nPorts = 4\n"
                               "[Numbering]\nFirstDevice = 3\nFirstCOM = 3\n";
    Outcome whole = apply(boards);
    ASSERT_EQ(whole.code, Z4_EXIT_DONE);
    const size_t total = changes_made();
    const Picture configured = picture();
    ASSERT_GT(total, 20u);
    std::string path = file("boards.ini", boards);
    for (size_t k = 1; k <= total; ++k) {
        SCOPED_TRACE("cut after change " + std::to_string(k));
        std::string saved;
        size_t seen = 0;
        machine = [&] {
            typical_machine();
            emu::reg_observe([&](const emu::RegCall &call) {
                if (emu::changes_registry(call) && ++seen == k)
                    saved = emu::reg_save_text({});
            });
        };
        run("/s " + path, nullptr);
        ASSERT_FALSE(saved.empty());
        // The machine as the cut left it.
        emu::reg_reset();
        std::string error;
        ASSERT_TRUE(emu::reg_load_text(saved, "cut", &error)) << error;
        std::string out;
        int planCode = again("/n " + path, &out);
        EXPECT_EQ(planCode, k < total ? Z4_EXIT_CHANGES : Z4_EXIT_DONE) << out;
        EXPECT_EQ(again("/s " + path, &out), Z4_EXIT_DONE) << out;
        Picture mended = picture();
        EXPECT_TRUE(difference(configured, mended).empty());
        EXPECT_TRUE(difference(mended, configured).empty());
    }
}

// A file that leaves Board1 out is written as Board2 and Board3, which the dialog would show in
// its first two columns; a run without a window takes each key to the board its name gives, so
// that what it left reads back as it was written and the next run changes nothing.
TEST_F(Plan, a_file_that_leaves_a_board_out_reads_back_as_written)
{
    machine = typical_machine;
    // Board2 takes the dialog's own address for it, 310, and Board3 is given 308: read back in
    // enumeration order, Board2 would show Board3's 308 and Board3 the default 308 again.
    const std::string boards = "[Board2]\nBusType = ISA\nPorts = 4\n"
                               "[Board3]\nBusType = ISA\nIOAddr = 308\nPorts = 4\n";
    Outcome first = apply(boards);
    ASSERT_EQ(first.code, Z4_EXIT_DONE) << first.out;
    EXPECT_EQ(first.out, "Board2: ISA, Interrupt 10, IOAddr 310, Ports 4: Serial3-Serial6, COM3-COM6\n"
                         "Board3: ISA, Interrupt 10, IOAddr 308, Ports 4: Serial7-Serial10, COM7-COM10\n");
    const Picture written = picture();
    std::string path = file("boards.ini", boards), out;
    EXPECT_EQ(again("/n " + path, &out), Z4_EXIT_DONE) << out;
    EXPECT_EQ(again("/s " + path, &out), Z4_EXIT_DONE) << out;
    EXPECT_EQ(changes_made(), 0u) << out;

    // The report names the boards as their keys do, and applied it changes nothing either.
    ASSERT_EQ(again("/r", &out), Z4_EXIT_DONE);
    EXPECT_EQ(out.find("[Board1]"), std::string::npos) << out;
    EXPECT_NE(out.find("[Board2]\n; Serial3-Serial6, COM3-COM6\nBusType = ISA\nInterrupt = 10\n"
                       "IOAddr = 310\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("[Board3]\n; Serial7-Serial10, COM7-COM10\nBusType = ISA\nInterrupt = 10\n"
                       "IOAddr = 308\n"),
              std::string::npos)
        << out;
    std::string report = out;
    EXPECT_EQ(again("/s " + file("report.ini", report), &out), Z4_EXIT_DONE) << out;
    EXPECT_EQ(changes_made(), 0u) << out;
    EXPECT_TRUE(difference(written, picture()).empty());

    // A board key of another name says nothing of which board is which: the keys fill the
    // boards in the order they are found, as in the dialog.
    emu::reg_put_key(PARAMETERS + "\\Spare");
    ASSERT_EQ(again("/r", &out), Z4_EXIT_DONE);
    EXPECT_NE(out.find("\n[Board1]\nBusType = ISA\n"), std::string::npos) << out;
    EXPECT_NE(out.find("IOAddr = 310\nPorts = 4\n\n[Board2]\nBusType = ISA\n"), std::string::npos) << out;
    EXPECT_NE(out.find("IOAddr = 308\nPorts = 4\n\n[Board3]\n"), std::string::npos) << out;

    // Nor does a key the reader could not open: its name was seen, not what it holds.
    emu::reg_remove_key(PARAMETERS + "\\Spare");
    emu::reg_deny(PARAMETERS + "\\Board3");
    ASSERT_EQ(again("/r", &out), Z4_EXIT_DONE);
    EXPECT_NE(out.find("\n[Board1]\n; Serial3-Serial6, COM3-COM6\nBusType = ISA\n"), std::string::npos)
        << out;
}

// A file that gives one suffix: on a machine without the driver's ports the other is what the
// dialog shows; once they are written it keeps their numbering, where the dialog would show the
// larger number in both fields and the file applied again would renumber them.
TEST_F(Plan, a_file_that_gives_one_suffix_keeps_the_other_when_applied_again)
{
    const struct {
        const char *numbering, *names;
    } cases[] = {
        {"FirstCOM = 5", "Serial3-Serial6, COM5-COM8"},
        {"FirstDevice = 7", "Serial7-Serial10, COM3-COM6"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.numbering);
        machine = typical_machine;
        const std::string boards = "[Board1]\nBusType = ISA\nPorts = 4\n[Numbering]\n" +
                                   std::string(c.numbering) + "\n";
        Outcome first = apply(boards);
        ASSERT_EQ(first.code, Z4_EXIT_DONE) << first.out;
        EXPECT_EQ(first.out, "Board1: ISA, Interrupt 10, IOAddr 308, Ports 4: " +
                                 std::string(c.names) + "\n");
        std::string path = file("boards.ini", boards), out;
        EXPECT_EQ(again("/n " + path, &out), Z4_EXIT_DONE) << out;
        EXPECT_EQ(again("/s " + path, &out), Z4_EXIT_DONE) << out;
        EXPECT_EQ(changes_made(), 0u) << out;
        EXPECT_NE(out.find(c.names), std::string::npos) << out;
    }
}

}  // namespace

// Every registry call of "/n" and "/s" failed in turn: a failure never reads as "nothing there".
// On a machine that differs from the file only by a stale port key, "/n" never says "no change",
// and "/s" exits 0 only with the registry as Ok leaves it. On a machine that holds the file's
// configuration, "/s" exits 0 only with the registry as it was. Whatever a fault does, nothing
// but the file's configuration is ever written, and a run that does not exit 0 says why.
TEST_F(Plan, no_registry_failure_reads_as_nothing_there)
{
    const std::string boards = "[Board1]\nBusType = ISA\nInterrupt = 10\nIOAddr = 308\nPorts = 8\n"
                               "[Board2]\nBusType = ISA\nInterrupt = 10\nIOAddr = 310\nPorts = 8\n"
                               "[Board3]\nBusType = PCI\nPorts = 8\n[Board4]\nBusType = PCI\nPorts = 8\n"
                               "[Numbering]\nFirstDevice = 3\nFirstCOM = 3\n";
    machine = typical_machine;
    ASSERT_EQ(apply(boards).code, Z4_EXIT_DONE);
    // Set by hand, and kept by the writer: a start mode it cannot read is not replaced by 2.
    emu::reg_put_dword(Z4_SERVICE_KEY, "Start", 4);
    const std::string held = emu::reg_save_text({});
    const Picture configured = picture();
    emu::reg_put_sz(PARAMETERS + "\\Board1\\Serial11", "DosDevices", "COM11 ");
    emu::reg_put_dword(PARAMETERS + "\\Board1\\Serial11", "PortIndex", 8);
    const std::string stale = emu::reg_save_text({});
    std::string path = file("boards.ini", boards);

    // The calls a run makes without a fault, each of which is failed in turn.
    auto calls_of = [&](const std::string &machineText, const std::string &verb) {
        emu::reg_reset();
        std::string error, out;
        EXPECT_TRUE(emu::reg_load_text(machineText, "machine", &error)) << error;
        again(verb + path, &out);
        size_t n = 0;
        for (const auto &c : emu::reg_calls())
            n += c.op != "RegCloseKey";
        return n;
    };
    auto faulted = [&](const std::string &machineText, const std::string &verb, size_t k, LONG code,
                       std::string *out) {
        emu::reg_reset();
        std::string error;
        EXPECT_TRUE(emu::reg_load_text(machineText, "machine", &error)) << error;
        emu::reg_inject("", "", "", code, static_cast<int>(k));
        return again(verb + path, out);
    };
    // Nothing but the file's configuration: every key there is one it has, every value its own.
    auto only_the_files = [&](const Picture &now) {
        for (const auto &k : now.keys)
            if (!configured.keys.count(k))
                return "key " + k;
        for (const auto &[name, value] : now.values) {
            auto want = configured.values.find(name);
            if (want == configured.values.end() || want->second != value)
                return "value " + name;
        }
        return std::string();
    };
    auto says_why = [](const std::string &out) {
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind("Board", 0) != 0)
                return true;
        return false;
    };

    const size_t planCalls = calls_of(stale, "/n "), applyCalls = calls_of(stale, "/s ");
    const size_t heldCalls = calls_of(held, "/s ");
    ASSERT_GT(planCalls, 100u);
    size_t runs = 0;
    for (LONG code : {ERROR_MORE_DATA, ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND}) {
        for (size_t k = 1; k <= planCalls; ++k, ++runs) {
            std::string out;
            int planned = faulted(stale, "/n ", k, code, &out);
            EXPECT_NE(planned, Z4_EXIT_DONE) << "/n, call " << k << " failed with " << code << "\n" << out;
        }
        // "/s" on the machine with the stale key, then on the one that holds the configuration.
        for (const auto &[machineText, calls] : {std::make_pair(stale, applyCalls), std::make_pair(held, heldCalls)}) {
            for (size_t k = 1; k <= calls; ++k, ++runs) {
                std::string out;
                int applied = faulted(machineText, "/s ", k, code, &out);
                Picture now = picture();
                std::string foreign = only_the_files(now);
                if (foreign.rfind("key ", 0) == 0 && foreign.find("\\serial11") != std::string::npos)
                    foreign.clear();  // the stale key itself, left by a write that stopped
                EXPECT_EQ(foreign, "") << "/s, call " << k << " failed with " << code;
                if (applied == Z4_EXIT_DONE)
                    EXPECT_TRUE(difference(configured, now).empty() && difference(now, configured).empty())
                        << "/s exits 0, call " << k << " failed with " << code << "\n" << out;
                else
                    EXPECT_TRUE(says_why(out)) << "/s exits " << applied << " without a reason, call " << k
                                               << " failed with " << code << "\n" << out;
            }
        }
    }
    std::printf("%zu runs with one registry call failed (/n %zu calls, /s %zu and %zu)\n", runs,
                planCalls, applyCalls, heldCalls);
}

// What each board key holds is compared whole: a bus type the file does not ask for is a change,
// and boards in the first and the last slot are read back into those slots.
TEST_F(Plan, every_board_value_and_every_slot_is_compared)
{
    // Board1 holds the file's address and interrupt, but BusType 2 (PCI); the file asks for ISA.
    machine = [] {
        configured_machine();
        emu::reg_put_dword(PARAMETERS + "\\Board1", "BusType", 2);
    };
    const std::string isa = "[Board1]\nBusType = ISA\nInterrupt = 5\nIOAddr = 310\nPorts = 8\n";
    Outcome plan = run("/n " + file("boards.ini", isa), nullptr);
    EXPECT_EQ(plan.code, Z4_EXIT_CHANGES) << plan.out;
    EXPECT_NE(plan.out.find("Board1 BusType: REG_DWORD 0x2 -> REG_DWORD 0x1\n"), std::string::npos)
        << plan.out;
    Outcome applied = apply(isa);
    EXPECT_EQ(applied.code, Z4_EXIT_DONE) << applied.out;
    EXPECT_EQ(applied.out.find("nothing changed"), std::string::npos) << applied.out;
    EXPECT_EQ(emu::reg_dword(PARAMETERS + "\\Board1", "BusType"), 1u);

    // Keys Board1 and Board4: the report names the fourth board as its key does.
    machine = [] {
        typical_machine();
        emu::reg_put_dword(PARAMETERS + "\\Board1", "IOAddr", 0x310);
        emu::reg_put_dword(PARAMETERS + "\\Board1", "Interrupt", 5);
        emu::reg_put_dword(PARAMETERS + "\\Board1", "BusType", 1);
        emu::reg_put_dword(PARAMETERS + "\\Board4", "IOAddr", 0);
        emu::reg_put_dword(PARAMETERS + "\\Board4", "Interrupt", 0);
        emu::reg_put_dword(PARAMETERS + "\\Board4", "BusType", 2);
        for (int p = 0; p < 8; ++p) {
            std::string port = PARAMETERS + (p < 4 ? "\\Board1" : "\\Board4") + "\\Serial" +
                               std::to_string(3 + p);
            emu::reg_put_sz(port, "DosDevices", "COM" + std::to_string(3 + p) + " ");
            emu::reg_put_dword(port, "PortIndex", p % 4);
        }
    };
    Outcome report = run("/r", nullptr);
    ASSERT_EQ(report.code, Z4_EXIT_DONE);
    EXPECT_EQ(report.out.find("[Board2]"), std::string::npos) << report.out;
    EXPECT_NE(report.out.find("[Board4]\n; Serial7-Serial10, COM7-COM10\nBusType = PCI\nPorts = 4\n"),
              std::string::npos)
        << report.out;
}

// The driver's ports written but not loaded yet (configured, not restarted): the dialog shows the
// larger number in both fields, yet the report numbers as the ports are numbered, names the ports
// the registry holds, and applied it changes nothing.
TEST_F(Plan, the_report_numbers_as_the_drivers_ports_are_numbered)
{
    machine = typical_machine;
    ASSERT_EQ(apply("[Board2]\nBusType = ISA\nPorts = 4\n[Numbering]\nFirstDevice = 7\n").code,
              Z4_EXIT_DONE);
    std::string report;
    ASSERT_EQ(again("/r", &report), Z4_EXIT_DONE);
    EXPECT_NE(report.find("; Serial7-Serial10, COM3-COM6\n"), std::string::npos) << report;
    EXPECT_NE(report.find("[Numbering]\nFirstDevice = 7\nFirstCOM = 3\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("differs"), std::string::npos) << report;
    std::string out;
    EXPECT_EQ(again("/n " + file("report.ini", report), &out), Z4_EXIT_DONE) << out;
}
