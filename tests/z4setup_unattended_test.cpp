// Runs without a window: "/s FILE" against a user's session in the dialog on the same machine
// (same registry after, byte for byte; the dialog's boxes as lines), "/r" and its round trip,
// the exit codes, and that no window or box ever appears.
#include "unattended_fixture.h"

namespace {

using namespace unattended;

TEST_F(Unattended, the_typical_run_writes_what_the_dialog_writes_and_names_the_ports)
{
    machine = typical_machine;
    Outcome want = dialog([](emu::DialogUser &u) {
        u.type(203, "8");
        u.press(IDC_OK);
    });
    Outcome got = apply("[Board1]\nBusType = ISA\nPorts = 8\n");
    EXPECT_EQ(want.code, 0);
    EXPECT_EQ(got.code, Z4_EXIT_DONE);
    EXPECT_EQ(got.registry, want.registry);
    EXPECT_EQ(got.out, "Board1: ISA, Interrupt 10, IOAddr 308, Ports 8: Serial3-Serial10, COM3-COM10\n");
}

TEST_F(Unattended, a_rewrite_keeps_what_the_file_leaves_out_as_the_dialog_shows_it)
{
    machine = configured_machine;
    Outcome want = dialog([](emu::DialogUser &u) {
        retype(u, 203, "16");
        u.pick(210, "PCI");
        u.type(213, "8");
        u.press(IDC_OK);
    });
    Outcome got = apply("[Board1]\nBusType = ISA\nPorts = 16\n[Board2]\nBusType = PCI\nPorts = 8\n");
    EXPECT_EQ(got.code, Z4_EXIT_DONE);
    EXPECT_EQ(got.registry, want.registry);
    EXPECT_NE(got.registry.find("\"Start\"=dword:00000004"), std::string::npos);
    EXPECT_EQ(got.out,
              "Board1: ISA, Interrupt 5, IOAddr 310, Ports 16: Serial3-Serial18, COM3-COM18\n"
              "Board2: PCI, Interrupt 0, IOAddr 0, Ports 8: Serial19-Serial26, COM19-COM26\n");
}

TEST_F(Unattended, numbering_runs_on_across_a_skipped_slot_from_typed_suffixes)
{
    machine = typical_machine;
    Outcome want = dialog([](emu::DialogUser &u) {
        retype(u, 203, "4");
        u.pick(220, "PCI");
        u.type(223, "8");
        retype(u, IDC_DEVICE_SUFFIX, "5");
        retype(u, IDC_LOGICAL_SUFFIX, "7");
        u.press(IDC_OK);
    });
    Outcome got = apply("[Board1]\nBusType=ISA\nPorts=4\n[Board3]\nBusType=PCI\nPorts=8\n"
                        "[Numbering]\nFirstDevice=5\nFirstCOM=7\n");
    EXPECT_EQ(got.code, Z4_EXIT_DONE);
    EXPECT_EQ(got.registry, want.registry);
    EXPECT_EQ(got.out,
              "Board1: ISA, Interrupt 10, IOAddr 308, Ports 4: Serial5-Serial8, COM7-COM10\n"
              "Board3: PCI, Interrupt 0, IOAddr 0, Ports 8: Serial9-Serial16, COM11-COM18\n");
}

TEST_F(Unattended, a_board_switched_to_isa_takes_the_interrupt_chosen_for_another)
{
    machine = typical_machine;
    Outcome want = dialog([](emu::DialogUser &u) {
        u.pick(201, "12");
        retype(u, 203, "8");
        u.pick(220, "ISA");
        u.pick(222, "340");
        retype(u, 223, "16");
        u.press(IDC_OK);
    });
    Outcome got = apply("[Board1]\nBusType=ISA\nInterrupt=12\nPorts=8\n"
                        "[Board3]\nBusType=ISA\nIOAddr=0x340\nPorts=16\n");
    EXPECT_EQ(got.code, Z4_EXIT_DONE);
    EXPECT_EQ(got.registry, want.registry);
    EXPECT_NE(got.out.find("Board3: ISA, Interrupt 12, IOAddr 340, Ports 16"), std::string::npos);
}

TEST_F(Unattended, each_refused_check_prints_the_dialogs_message_and_writes_nothing)
{
    machine = typical_machine;
    const struct {
        const char *file;
        std::function<void(emu::DialogUser &)> entries;
    } cases[] = {
        {"[Board1]\nBusType=ISA\nPorts=12\n", [](emu::DialogUser &u) { retype(u, 203, "12"); }},
        {"[Board1]\nBusType=ISA\nPorts=8\n[Numbering]\nFirstCOM=0\n",
         [](emu::DialogUser &u) { retype(u, 203, "8"); retype(u, IDC_LOGICAL_SUFFIX, "0"); }},
        {"[Board1]\nBusType=ISA\nPorts=8\n[Numbering]\nFirstDevice=100\n",
         [](emu::DialogUser &u) { retype(u, 203, "8"); retype(u, IDC_DEVICE_SUFFIX, "100"); }},
        {"[Board1]\nBusType=ISA\nPorts=8\n[Board3]\nBusType=ISA\nIOAddr=308\nPorts=4\n",
         [](emu::DialogUser &u) {
             retype(u, 203, "8");
             u.pick(220, "ISA");
             u.pick(222, "308");
             retype(u, 223, "4");
         }},
    };
    std::string untouched;
    for (const auto &c : cases) {
        Outcome want = dialog(refused(c.entries));
        Outcome got = apply(c.file);
        if (untouched.empty())
            untouched = want.registry;
        EXPECT_EQ(got.code, Z4_EXIT_REFUSED) << c.file;
        ASSERT_EQ(want.boxes.size(), 1u) << c.file;
        EXPECT_EQ(got.out, want.boxes[0] + "\n");
        EXPECT_EQ(got.registry, untouched);
        EXPECT_EQ(want.registry, untouched);
    }
}

TEST_F(Unattended, a_file_the_dialog_cannot_make_is_refused_before_the_registry_is_read)
{
    machine = typical_machine;
    const struct {
        const char *file, *out;
    } cases[] = {
        {"[Board1]\nBusType=PCI\nInterrupt=10\nPorts=8\n",
         "boards.ini:3: Board1 is PCI: only an ISA board takes an Interrupt\n"},
        {"[Board2]\nBusType=None\nIOAddr=308\n",
         "boards.ini:3: Board2 is None: only an ISA board takes an IOAddr\n"},
        {"[Board4]\nBusType=None\nPorts=8\n", "boards.ini:3: Board4 is None: a None board takes no Ports\n"},
        {"[Board1]\nBusType=ISA\nInterrupt=10\nPorts=8\n[Board2]\nBusType=ISA\nInterrupt=5\nPorts=8\n",
         "boards.ini:7: Board2 gives Interrupt 5, Board1 gives 10: the ISA boards share one interrupt\n"},
    };
    for (const auto &c : cases) {
        Outcome got = apply(c.file);
        EXPECT_EQ(got.code, Z4_EXIT_REFUSED) << c.file;
        EXPECT_EQ(got.out.substr(got.out.find("boards.ini:")), c.out);
        EXPECT_TRUE(emu::reg_calls().empty());
    }
}

TEST_F(Unattended, a_failed_write_is_the_dialogs_line_and_exit_4)
{
    machine = [] {
        typical_machine();
        emu::reg_inject("RegCreateKeyExA", PARAMETERS + "\\Board1", "", 1021);
    };
    Outcome want = dialog([](emu::DialogUser &u) {
        u.type(203, "8");
        u.press(IDC_OK);
    });
    Outcome got = apply("[Board1]\nBusType=ISA\nPorts=8\n");
    EXPECT_EQ(got.code, Z4_EXIT_WRITE_FAILED);
    EXPECT_EQ(got.registry, want.registry);
    ASSERT_EQ(want.boxes.size(), 1u);
    EXPECT_EQ(want.boxes[0], ": Error: Unable to create|open Board key, RegOpenKey = 1021, Line = 1002");
    EXPECT_EQ(got.out, "Error: Unable to create|open Board key, RegOpenKey = 1021, Line = 1002\n");
}

TEST_F(Unattended, a_port_value_failure_is_printed_once_on_its_own_line)
{
    machine = [] {
        typical_machine();
        emu::reg_inject("RegSetValueExA", "", "PortIndex", 1021, 3);
    };
    Outcome got = apply("[Board1]\nBusType=ISA\nPorts=8\n");
    EXPECT_EQ(got.code, Z4_EXIT_WRITE_FAILED);
    EXPECT_EQ(got.out, "Error: Unable to set parameter value, RegSetValueEx = 1021, Line = 1187\n");
}

TEST_F(Unattended, a_missing_or_malformed_file_is_exit_2_with_no_registry_call)
{
    machine = typical_machine;
    Outcome missing = run("/s " + dir + "/none.ini", nullptr);
    EXPECT_EQ(missing.code, Z4_EXIT_BAD_FILE);
    EXPECT_EQ(missing.out, dir + "/none.ini: cannot be opened: File not found. (error 2)\n");
    EXPECT_TRUE(emu::reg_calls().empty());

    Outcome malformed = apply("[Board1]\nBusType = ISA\nPorts = eight\n");
    EXPECT_EQ(malformed.code, Z4_EXIT_BAD_FILE);
    EXPECT_EQ(malformed.out, dir + "/boards.ini:3: Ports eight is not a decimal number\n");
    EXPECT_TRUE(emu::reg_calls().empty());

    Outcome none = run("/s", nullptr);
    EXPECT_EQ(none.code, Z4_EXIT_BAD_FILE);
    EXPECT_EQ(none.out, "z4setup: /s needs the name of a board file\n");
}

TEST_F(Unattended, the_scan_and_reader_reports_become_lines_and_the_run_carries_on)
{
    machine = [] {
        configured_machine();
        emu::reg_put_key(Z4_RESOURCE_MAP_KEY);
        emu::reg_deny(Z4_RESOURCE_MAP_KEY);
        emu::reg_remove_value(PARAMETERS + "\\Board1", "Interrupt");
    };
    Outcome got = apply("[Board1]\nBusType=ISA\nInterrupt=7\nPorts=8\n");
    EXPECT_EQ(got.code, Z4_EXIT_DONE);
    EXPECT_EQ(got.out,
              "ERROR: Error: Unable to open LOADED SERIAL DRIVER serialz4 key.Probably due to "
              "security reasons.\n"
              "ERROR: Line:1644 0 based index = 0, retValue = 2\n"
              "Board1: ISA, Interrupt 7, IOAddr 310, Ports 8: Serial3-Serial10, COM3-COM10\n");
}

// Applying what "/r" writes is pressing Ok at once, whatever the dialog shows: an interrupt
// outside the list, ISA boards on different interrupts, an odd bus type shown as None. What Ok
// would change, the report says it changes, and "/n" of it lists as many changes.
TEST_F(Unattended, the_report_applied_is_ok_pressed_at_once)
{
    machine = [] {
        configured_machine();
        std::string second = PARAMETERS + "\\Board2", third = PARAMETERS + "\\Board3";
        emu::reg_put_dword(second, "IOAddr", 0x318);
        emu::reg_put_dword(second, "Interrupt", 9);
        emu::reg_put_dword(second, "BusType", 1);
        emu::reg_put_value(second + "\\Serial11", "DosDevices", REG_SZ, emu::bytes("COM11 "));
        emu::reg_put_dword(second + "\\Serial11", "PortIndex", 3);
        emu::reg_put_dword(third, "IOAddr", 0x318);
        emu::reg_put_dword(third, "Interrupt", 9);
        emu::reg_put_dword(third, "BusType", 7);
        emu::reg_put_value(third + "\\Serial15", "DosDevices", REG_SZ, emu::bytes("COM15 "));
        emu::reg_put_dword(third + "\\Serial15", "PortIndex", 0);
    };
    Outcome want = dialog([](emu::DialogUser &u) { u.press(IDC_OK); });
    Outcome report = run("/r", nullptr);
    EXPECT_EQ(report.code, Z4_EXIT_DONE);
    EXPECT_TRUE(report.boxes.empty());
    EXPECT_EQ(report.out,
              "; Zentrix IV configuration as the configuration dialog shows it\n"
              "; the registry differs from what this file leaves: /s of it makes 28 changes, which "
              "/n lists\n"
              "\n"
              "[Board1]\n"
              "; Serial3-Serial10, COM3-COM10\n"
              "BusType = ISA\n"
              "; Interrupt left out: the ISA boards do not show one shared interrupt, and Ok keeps "
              "what each shows\n"
              "IOAddr = 310\n"
              "Ports = 8\n"
              "\n"
              "[Board2]\n"
              "; the registry gives Board2 Interrupt 9, which the dialog does not offer\n"
              "; Serial11-Serial14, COM11-COM14\n"
              "BusType = ISA\n"
              "; Interrupt left out: the ISA boards do not show one shared interrupt, and Ok keeps "
              "what each shows\n"
              "IOAddr = 318\n"
              "Ports = 4\n"
              "\n"
              "; the registry gives Board3 BusType 7, which the dialog cannot show\n"
              NUMBERING_ADVICE
              "[Numbering]\n"
              "FirstDevice = 3\n"
              "FirstCOM = 3\n");
    Outcome planned = run("/n " + file("report.ini", report.out), nullptr);
    EXPECT_EQ(planned.code, Z4_EXIT_CHANGES);
    EXPECT_NE(planned.out.find("\n28 changes\n"), std::string::npos) << planned.out;
    Outcome got = apply(report.out);
    EXPECT_EQ(got.code, Z4_EXIT_DONE);
    EXPECT_EQ(got.registry, want.registry);
}

TEST_F(Unattended, the_report_goes_to_a_file_when_named_and_says_when_ok_would_be_refused)
{
    machine = typical_machine;
    std::string path = dir + "/report with blanks.ini";
    Outcome report = run("/R \"" + path + "\"", nullptr);
    EXPECT_EQ(report.code, Z4_EXIT_DONE);
    EXPECT_EQ(report.out, "");
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text,
              "; Zentrix IV configuration as the configuration dialog shows it\n"
              "; pressing Ok now is refused: ERROR: Number of Ports is out of legal range for board 1\n"
              "\n"
              "[Board1]\n"
              "BusType = ISA\n"
              "Interrupt = 10\n"
              "IOAddr = 308\n"
              "Ports = 0\n"
              "\n"
              NUMBERING_ADVICE
              "[Numbering]\n"
              "FirstDevice = 3\n"
              "FirstCOM = 3\n");
    EXPECT_TRUE(emu::calls_of("RegSetValueExA").empty());

    Outcome unwritable = run("/r " + dir + "/no/such/folder.ini", nullptr);
    EXPECT_EQ(unwritable.code, Z4_EXIT_BAD_FILE);
    EXPECT_EQ(unwritable.out, dir + "/no/such/folder.ini: cannot be written: Path not found. (error 3)\n");
}

TEST_F(Unattended, usage_is_one_box_and_exit_0)
{
    Outcome o = run("/?", nullptr);
    EXPECT_EQ(o.code, 0);
    ASSERT_EQ(o.boxes.size(), 1u);
    EXPECT_EQ(o.boxes[0].rfind("Zentrix IV Configuration: z4setup ", 0), 0u);
    EXPECT_NE(o.boxes[0].find("4 the registry write failed"), std::string::npos);
    EXPECT_EQ(o.windows, 0u);
}

TEST(CommandLine, switches_name_a_verb_only_as_a_word_of_their_own)
{
    const struct {
        const char *argument;
        Z4Verb verb;
        const char *file;
    } cases[] = {
        {"/s boards.ini", Z4_VERB_APPLY, "boards.ini"},
        {"/S \t \"C:\\my boards\\a.ini\"  ", Z4_VERB_APPLY, "C:\\my boards\\a.ini"},
        {"/s", Z4_VERB_APPLY, ""},
        {"/r", Z4_VERB_SHOW, ""},
        {"/R out.ini", Z4_VERB_SHOW, "out.ini"},
        {"/?", Z4_VERB_USAGE, ""},
        {"/safe", Z4_VERB_CONFIGURE, ""},
        {"/report", Z4_VERB_CONFIGURE, ""},
        {"/delete", Z4_VERB_REMOVE, ""},
        {"/D x", Z4_VERB_REMOVE, ""},
        {"-s boards.ini", Z4_VERB_CONFIGURE, ""},
        {"", Z4_VERB_CONFIGURE, ""},
    };
    for (const auto &c : cases) {
        char file[Z4_FILE_ARGUMENT_CHARS];
        EXPECT_EQ(verbZ4_of(c.argument, file), c.verb) << c.argument;
        EXPECT_STREQ(file, c.file) << c.argument;
    }
}

}  // namespace
