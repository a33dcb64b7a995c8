// The configuration writer: old board and port keys removed, the service, Parameters, board
// and port keys written with their exact data and lengths, and each failure's report and stop.
#include <cstring>

#include "z4setup.h"
#include "reg_store_fixture.h"

using namespace store;

namespace {

class Writer : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        emu::reg_put_key(PORTS);
        emu::reg_put_key(SERVICES);
    }
    static void slot(int s, uint32_t bus, uint32_t io, uint32_t irq, uint32_t ports,
                     uint32_t enabled = 1)
    {
        CurrentZ4config[s] = {bus, io, irq, ports, enabled};
    }
    static void numbers(uint32_t serial, uint32_t com)
    {
        SerialMaxNum = serial;
        COMMaxNum = com;
    }
    // The length passed with the last RegSetValueExA of `name` on `key`.
    static DWORD set_length(const std::string &key, const std::string &name)
    {
        DWORD length = 0xBDBDBDBD;
        for (const auto &c : calls("RegSetValueExA"))
            if (c.key == key && c.name == name)
                length = c.length;
        return length;
    }
    static std::vector<std::string> written_names(const std::string &key)
    {
        std::vector<std::string> out;
        for (const auto &c : calls("RegSetValueExA"))
            if (c.key == key)
                out.push_back(c.name);
        return out;
    }
    static void expect_port(int board_number, int device, const std::string &dos, DWORD index)
    {
        std::string key = port(board_number, device);
        ASSERT_TRUE(emu::reg_has_key(key)) << key;
        EXPECT_EQ(text(key, "DosDevices"), dos) << key;
        EXPECT_EQ(emu::reg_get_value(key, "DosDevices")->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(dword(key, "PortIndex"), index) << key;
    }
    static std::string captured_write(LONG *rc)
    {
        ::testing::internal::CaptureStdout();
        *rc = setZ4_reg_params();
        return ::testing::internal::GetCapturedStdout();
    }
};

}  // namespace

// ---- what is written ----

TEST_F(Writer, boards_and_ports_are_numbered_on_across_skipped_slots)
{
    emu::reg_put_key(board(2));
    emu::reg_put_key(board(4));
    numbers(2, 4);
    slot(0, BUS_ISA, 0x308, 10, 4);
    slot(1, BUS_NONE, 0, 0, 0, 0);
    slot(2, BUS_PCI, 0, 0, 8);
    slot(3, BUS_NONE, 0, 0, 0, 0);
    EXPECT_EQ(setZ4_reg_params(), 0);

    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), (std::vector<std::string>{"Board1", "Board3"}));
    EXPECT_EQ(dword(board(1), "IOAddr"), 0x308u);
    EXPECT_EQ(dword(board(1), "Interrupt"), 10u);
    EXPECT_EQ(dword(board(1), "BusType"), BUS_ISA);
    EXPECT_EQ(dword(board(3), "IOAddr"), 0u);
    EXPECT_EQ(dword(board(3), "Interrupt"), 0u);
    EXPECT_EQ(dword(board(3), "BusType"), BUS_PCI);
    EXPECT_EQ(emu::reg_subkeys(board(1)).size(), 4u);
    EXPECT_EQ(emu::reg_subkeys(board(3)).size(), 8u);
    for (int p = 0; p < 4; ++p)
        expect_port(1, 3 + p, "COM" + std::to_string(5 + p) + " ", p);
    for (int p = 0; p < 8; ++p)
        expect_port(3, 7 + p, "COM" + std::to_string(9 + p) + " ", p);
    for (int c = 5; c <= 16; ++c)
        EXPECT_EQ(text(PORTS, "COM" + std::to_string(c) + ":"), "9600,n,8,1") << c;
    EXPECT_EQ(emu::reg_values(PORTS).size(), 12u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Writer, the_service_key_gets_its_four_values_in_order)
{
    emu::reg_put_sz(SERVICE, "ImagePath", "System32\\drivers\\serialz4.sys");
    setZ4_reg_params();
    EXPECT_EQ(written_names(SERVICE),
              (std::vector<std::string>{"ErrorControl", "Group", "Start", "Type"}));
    EXPECT_EQ(dword(SERVICE, "ErrorControl"), 0u);
    EXPECT_EQ(text(SERVICE, "Group"), "Extended base");
    EXPECT_EQ(emu::reg_get_value(SERVICE, "Group")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(dword(SERVICE, "Start"), 2u);
    EXPECT_EQ(dword(SERVICE, "Type"), 1u);
    // Values the writer does not own stay.
    EXPECT_EQ(text(SERVICE, "ImagePath"), "System32\\drivers\\serialz4.sys");
}

TEST_F(Writer, texts_are_passed_without_their_nul_and_numbers_with_four_bytes)
{
    numbers(0, 8);
    slot(0, BUS_ISA, 0x308, 10, 2);  // COM9 and COM10
    setZ4_reg_params();
    EXPECT_EQ(set_length(SERVICE, "Group"), 13u);
    EXPECT_EQ(set_length(SERVICE, "ErrorControl"), 4u);
    EXPECT_EQ(set_length(SERVICE, "Start"), 4u);
    EXPECT_EQ(set_length(SERVICE, "Type"), 4u);
    EXPECT_EQ(set_length(port(1, 1), "DosDevices"), 5u);
    EXPECT_EQ(set_length(port(1, 2), "DosDevices"), 6u);
    EXPECT_EQ(set_length(port(1, 1), "PortIndex"), 4u);
    EXPECT_EQ(set_length(board(1), "IOAddr"), 4u);
    EXPECT_EQ(set_length(board(1), "Interrupt"), 4u);
    EXPECT_EQ(set_length(board(1), "BusType"), 4u);
    EXPECT_EQ(set_length(PORTS, "COM9:"), 10u);
    for (const auto &c : calls("RegSetValueExA"))
        EXPECT_EQ(c.type, c.name == "Group" || c.name == "DosDevices" || c.key == PORTS
                              ? static_cast<DWORD>(REG_SZ)
                              : static_cast<DWORD>(REG_DWORD))
            << c.key << " " << c.name;
}

TEST_F(Writer, keys_are_created_with_all_access_and_the_ports_key_opened_to_read_and_set)
{
    slot(0, BUS_ISA, 0x308, 10, 1);
    setZ4_reg_params();
    for (const auto &c : calls("RegCreateKeyExA"))
        EXPECT_EQ(c.access, static_cast<REGSAM>(KEY_ALL_ACCESS)) << c.key;
    for (const auto &o : calls("RegOpenKeyExA"))
        EXPECT_EQ(o.access, o.key == PORTS ? static_cast<REGSAM>(0x2001B)
                                           : static_cast<REGSAM>(KEY_READ))
            << o.key;
    EXPECT_EQ(calls("RegCreateKeyExA").size(), 4u);  // service, Parameters, board, port
}

TEST_F(Writer, an_existing_start_mode_survives_and_a_missing_one_becomes_2)
{
    emu::reg_put_dword(SERVICE, "Start", 4);
    setZ4_reg_params();
    EXPECT_EQ(dword(SERVICE, "Start"), 4u);

    SetUp();
    emu::reg_put_key(SERVICE);
    setZ4_reg_params();
    EXPECT_EQ(dword(SERVICE, "Start"), 2u);
}

TEST_F(Writer, a_start_value_that_is_not_four_bytes_gives_way_to_2)
{
    emu::reg_put_value(SERVICE, "Start", REG_BINARY, {3, 0});
    setZ4_reg_params();
    EXPECT_EQ(dword(SERVICE, "Start"), 2u);

    SetUp();
    emu::reg_put_value(SERVICE, "Start", REG_BINARY, {3, 0, 0, 0, 0});
    setZ4_reg_params();
    EXPECT_EQ(dword(SERVICE, "Start"), 2u);

    SetUp();
    emu::reg_put_value(SERVICE, "Start", REG_BINARY, {3, 0, 0, 0});  // type not examined
    setZ4_reg_params();
    EXPECT_EQ(dword(SERVICE, "Start"), 3u);
    EXPECT_EQ(emu::reg_get_value(SERVICE, "Start")->type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(Writer, existing_ports_entries_are_left_as_they_are)
{
    emu::reg_put_sz(PORTS, "COM5:", "115200,e,7,2");
    std::string long_settings(60, 'x');  // too long for the 40-byte buffer, exists all the same
    emu::reg_put_sz(PORTS, "COM6:", long_settings);
    numbers(0, 4);
    slot(0, BUS_ISA, 0x308, 10, 3);
    setZ4_reg_params();
    EXPECT_EQ(text(PORTS, "COM5:"), "115200,e,7,2");
    EXPECT_EQ(text(PORTS, "COM6:"), long_settings);
    EXPECT_EQ(text(PORTS, "COM7:"), "9600,n,8,1");
    EXPECT_EQ(written_names(PORTS), std::vector<std::string>{"COM7:"});
    for (const auto &q : calls("RegQueryValueExA"))
        if (q.key == PORTS)
            EXPECT_EQ(q.length, 40u);
}

TEST_F(Writer, a_slot_not_enabled_or_without_ports_gets_no_key_and_uses_no_numbers)
{
    put_board(board(1), 0x308, 10, BUS_ISA);
    put_board(board(2), 0x310, 10, BUS_ISA);
    numbers(0, 1);
    slot(0, BUS_ISA, 0x308, 10, 4, 0);  // ports but not enabled
    slot(1, BUS_ISA, 0x310, 10, 0, 1);  // enabled but no ports
    slot(2, BUS_ISA, 0x318, 10, 1, 1);
    setZ4_reg_params();
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), std::vector<std::string>{"Board3"});
    expect_port(3, 1, "COM2 ", 0);
}

TEST_F(Writer, with_no_slot_to_write_the_service_and_parameters_keys_are_still_made)
{
    slot(0, BUS_ISA, 0x308, 10, 0);
    EXPECT_EQ(setZ4_reg_params(), 0);
    EXPECT_EQ(emu::reg_values(SERVICE).size(), 4u);
    EXPECT_TRUE(emu::reg_has_key(PARAMETERS));
    EXPECT_TRUE(emu::reg_subkeys(PARAMETERS).empty());
    EXPECT_TRUE(emu::reg_values(PORTS).empty());
}

TEST_F(Writer, the_numbers_wrap_so_the_first_device_after_the_top_is_zero)
{
    numbers(0xFFFFFFFF, 0xFFFFFFFF);
    slot(0, BUS_ISA, 0x308, 10, 2);
    setZ4_reg_params();
    expect_port(1, 0, "COM0 ", 0);
    expect_port(1, 1, "COM1 ", 1);
    EXPECT_TRUE(has_value(PORTS, "COM0:"));
}

TEST_F(Writer, an_old_board_kept_by_its_port_keys_is_emptied_then_rewritten_or_removed)
{
    // Board1 will be written again, Board2 will not; both still hold old port keys.
    put_board(board(1), 0x3f0, 3, BUS_ISA);
    emu::reg_put_dword(board(1), "Extra", 7);
    put_port(port(1, 20), 30, 0);
    put_port(port(1, 21), 31, 1);
    put_board(board(2), 0x310, 10, BUS_ISA);
    put_port(port(2, 22), 32, 0);
    numbers(2, 4);
    slot(0, BUS_ISA, 0x308, 10, 1);
    delZ4_reg_boards();
    EXPECT_TRUE(traced("Error deleting key:0)Board1 retcode:5\n"));
    EXPECT_TRUE(traced("Error deleting key:1)Board2 retcode:5\n"));
    EXPECT_EQ(setZ4_reg_params(), 0);
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), std::vector<std::string>{"Board1"});
    EXPECT_EQ(emu::reg_subkeys(board(1)), std::vector<std::string>{"Serial3"});
    EXPECT_EQ(dword(board(1), "IOAddr"), 0x308u);
    EXPECT_EQ(dword(board(1), "Interrupt"), 10u);
    EXPECT_EQ(dword(board(1), "Extra"), 7u);  // values are never deleted
    expect_port(1, 3, "COM5 ", 0);
    EXPECT_TRUE(boxes().empty());
}

// A key the next run would read as a board must not keep its ports: it would then be written a
// second time, under a board key, beside the board it really is.
TEST_F(Writer, any_other_key_with_ports_goes_whole_while_board_keys_are_left_to_the_writer)
{
    put_board(board(1), 0x3f0, 3, BUS_ISA);
    emu::reg_put_dword(board(1), "Extra", 7);
    put_port(port(1, 20), 30, 0);
    for (const std::string name : {"Board0", "board5", "Spare"}) {
        put_board(PARAMETERS + "\\" + name, 0x340, 5, BUS_ISA);
        put_port(PARAMETERS + "\\" + name + "\\Serial40", 40, 0);
        put_port(PARAMETERS + "\\" + name + "\\Serial41", 41, 1);
    }
    // Board0 and Spare sort around the board keys; board5 is a fifth board key.
    numbers(2, 4);
    slot(0, BUS_ISA, 0x308, 10, 4);
    delZ4_reg_boards();
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), std::vector<std::string>{"Board1"});
    EXPECT_EQ(emu::reg_subkeys(board(1)), std::vector<std::string>{"Serial20"});
    EXPECT_TRUE(traced("Error deleting key:0)Board0 retcode:5\n"));
    EXPECT_EQ(setZ4_reg_params(), 0);
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), std::vector<std::string>{"Board1"});
    EXPECT_EQ(emu::reg_subkeys(board(1)).size(), 4u);
    EXPECT_EQ(dword(board(1), "Extra"), 7u);
    EXPECT_TRUE(boxes().empty());

    // Read back, the configuration is the one board just written.
    resetZ4_process();
    getZ4_reg_params();
    EXPECT_EQ(CurrentZ4config[0].NumPorts, 4u);
    EXPECT_EQ(CurrentZ4config[1].BusType, 0u);
}

TEST_F(Writer, an_odd_key_that_still_cannot_go_is_reported_and_the_rest_carries_on)
{
    put_board(PARAMETERS + "\\Board0", 0x340, 5, BUS_ISA);
    put_port(PARAMETERS + "\\Board0\\Serial40", 40, 0);
    put_board(PARAMETERS + "\\Spare", 0x348, 5, BUS_ISA);
    emu::reg_inject("RegDeleteKeyA", PARAMETERS + "\\Board0", "", 5);
    delZ4_reg_boards();
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), std::vector<std::string>{"Board0"});
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS + "\\Board0"), std::vector<std::string>{});
    EXPECT_EQ(emu::traced_count("Error deleting key:0)Board0 retcode:5\n"), 2u);
    // Left there, the next run would read it as a board: a failure the person must see.
    EXPECT_EQ(boxes(), std::vector<std::string>{"Debug|Error deleting key:0)Board0 retcode:5"});
}

TEST_F(Writer, old_port_keys_of_any_number_and_name_length_are_deleted)
{
    put_board(board(1), 0x308, 10, BUS_ISA);
    for (int d = 0; d < 75; ++d)
        put_port(port(1, 100 + d), d, d);
    put_port(board(1) + "\\AnOldPortKeyWithAVeryLongName", 99, 0);
    slot(0, BUS_ISA, 0x308, 10, 1);
    setZ4_reg_params();
    EXPECT_EQ(emu::reg_subkeys(board(1)), std::vector<std::string>{"Serial1"});
    EXPECT_TRUE(boxes().empty());
}

// ---- delZ4_reg_boards ----

TEST_F(Writer, board_deletion_takes_every_subkey_it_may_and_traces_the_others)
{
    for (int b = 1; b <= 12; ++b)
        emu::reg_put_key(PARAMETERS + "\\Board" + std::to_string(b));
    emu::reg_put_key(PARAMETERS + "\\SomeOtherVeryLongSubkeyName");
    put_port(port(3, 1), 2, 0);
    emu::reg_put_dword(PARAMETERS, "Interrupt", 5);
    delZ4_reg_boards();
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), std::vector<std::string>{"Board3"});
    // Subkeys enumerate by name: Board1, Board10, Board11, Board12, Board2, Board3, ...
    EXPECT_EQ(traces(), std::vector<std::string>{"Error deleting key:5)Board3 retcode:5\n"});
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(has_value(PARAMETERS, "Interrupt"));
    // All names are collected before the first deletion.
    bool deleting = false;
    for (const auto &c : emu::reg_calls()) {
        if (c.op == "RegDeleteKeyA")
            deleting = true;
        if (c.op == "RegEnumKeyExA")
            EXPECT_FALSE(deleting);
    }
}

TEST_F(Writer, board_deletion_without_a_parameters_key_does_nothing)
{
    delZ4_reg_boards();
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(traces().empty());
    EXPECT_TRUE(calls("RegDeleteKeyA").empty());
}

TEST_F(Writer, a_failed_board_name_is_reported_with_2266_and_never_deleted)
{
    put_board(board(1), 0x308, 10, BUS_ISA);
    put_board(board(2), 0x310, 10, BUS_ISA);
    put_board(board(3), 0x318, 10, BUS_ISA);
    emu::reg_inject("RegEnumKeyExA", PARAMETERS, "Board2", 1018);
    delZ4_reg_boards();
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "ERROR|EnumValue Line:2266 0 based index = 1, retValue = 1018, "
                           "ValueLen = 80"});
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), std::vector<std::string>{"Board2"});
    for (const auto &d : calls("RegDeleteKeyA"))
        EXPECT_FALSE(d.name.empty());
}

TEST_F(Writer, board_names_ending_early_with_259_delete_only_what_was_collected)
{
    for (int b = 1; b <= 3; ++b)
        emu::reg_put_key(board(b));
    emu::reg_inject("RegEnumKeyExA", PARAMETERS, "Board2", ERROR_NO_MORE_ITEMS);
    delZ4_reg_boards();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), (std::vector<std::string>{"Board2", "Board3"}));
}

TEST_F(Writer, an_enumeration_answered_with_122_but_no_name_deletes_nothing)
{
    emu::reg_put_key(board(1));
    emu::reg_inject("RegEnumKeyExA", PARAMETERS, "Board1", ERROR_INSUFFICIENT_BUFFER);
    delZ4_reg_boards();
    // An empty name would have named the Parameters key itself.
    EXPECT_TRUE(emu::reg_has_key(board(1)));
    EXPECT_TRUE(calls("RegDeleteKeyA").empty());
    EXPECT_TRUE(boxes().empty());
}

// ---- failures of the old-key pass ----

TEST_F(Writer, a_failed_port_name_is_reported_with_829_and_that_key_stays)
{
    put_board(board(1), 0x308, 10, BUS_ISA);
    put_port(port(1, 1), 2, 0);
    put_port(port(1, 2), 3, 1);
    emu::reg_inject("RegEnumKeyExA", board(1), "Serial1", 87);
    numbers(10, 10);
    slot(0, BUS_ISA, 0x308, 10, 1);
    EXPECT_EQ(setZ4_reg_params(), 0);
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "ERROR|EnumValue Line:829 0 based index = 0, retValue = 87, "
                           "ValueLen = 80"});
    EXPECT_EQ(emu::reg_subkeys(board(1)), (std::vector<std::string>{"Serial1", "Serial11"}));
}

TEST_F(Writer, a_refused_port_deletion_shows_a_debug_box_and_the_next_name_is_tried)
{
    put_board(board(1), 0x308, 10, BUS_ISA);
    put_port(port(1, 1), 2, 0);
    put_port(port(1, 2), 3, 1);
    emu::reg_inject("RegDeleteKeyA", port(1, 1), "", 5);
    slot(0, BUS_ISA, 0x308, 10, 0);
    setZ4_reg_params();
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Debug|Error deleting old port configuration",
                                                 "Debug|Error deleting old board"}));
    EXPECT_FALSE(emu::reg_has_key(port(1, 2)));
    EXPECT_TRUE(emu::reg_has_key(port(1, 1)));
}

TEST_F(Writer, a_refused_board_deletion_shows_a_debug_box_and_the_next_slot_goes_on)
{
    emu::reg_put_key(board(1));
    emu::reg_put_key(board(2));
    emu::reg_inject("RegDeleteKeyA", board(1), "", 1018);
    slot(0, BUS_ISA, 0x308, 10, 0);
    EXPECT_EQ(setZ4_reg_params(), 0);
    EXPECT_EQ(boxes(), std::vector<std::string>{"Debug|Error deleting old board"});
    EXPECT_TRUE(emu::reg_has_key(board(1)));
    EXPECT_FALSE(emu::reg_has_key(board(2)));
}

TEST_F(Writer, parameters_unreadable_in_the_old_key_pass_skips_the_board_silently)
{
    emu::reg_put_key(board(2));
    emu::reg_inject("RegOpenKeyExA", PARAMETERS, "", 5);
    EXPECT_EQ(setZ4_reg_params(), 0);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(emu::reg_has_key(board(2)));
}

TEST_F(Writer, an_unopenable_ports_key_is_reported_first_and_the_numbers_stay_the_same)
{
    emu::reg_inject("RegOpenKeyExA", PORTS, "", 1018);
    numbers(2, 4);
    slot(0, BUS_ISA, 0x308, 10, 2);
    EXPECT_EQ(setZ4_reg_params(), 0);
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "ERROR|Error: Unable to open "
                           "[SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports]. "
                           "retCode = 0x3fa\n."});
    EXPECT_TRUE(emu::reg_values(PORTS).empty());
    expect_port(1, 3, "COM5 ", 0);
    expect_port(1, 4, "COM6 ", 1);
}

// ---- failures that stop the writer ----

namespace {

struct StopCase {
    const char *what;
    std::string op, key, name;
    LONG code;
    std::string box;     // text of the one box; caption is empty
    std::string stdout_text;
};

void PrintTo(const StopCase &c, std::ostream *os) { *os << c.what; }

}  // namespace

class WriterStops : public Writer, public ::testing::WithParamInterface<StopCase> {};

// Each case sets up board 1 with two ports (Serial3, Serial4 on COM5, COM6) and fails one call.
TEST_P(WriterStops, the_failure_is_shown_and_its_code_returned_with_nothing_written_after_it)
{
    const StopCase &c = GetParam();
    emu::reg_put_key(board(3));  // deleted before anything is written
    numbers(2, 4);
    slot(0, BUS_ISA, 0x308, 10, 2);
    slot(1, BUS_PCI, 0, 0, 1);
    emu::reg_inject(c.op, c.key, c.name, c.code);
    LONG rc;
    std::string out = captured_write(&rc);
    EXPECT_EQ(rc, c.code);
    EXPECT_EQ(boxes(), std::vector<std::string>{"|" + c.box});
    EXPECT_EQ(out, c.stdout_text);
    EXPECT_FALSE(emu::reg_has_key(board(3)));

    // Nothing after the failing call: no successful call follows it but closing keys.
    const auto &log = emu::reg_calls();
    size_t failed = log.size();
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].result == c.code && log[i].op == c.op && log[i].key == c.key) {
            failed = i;
            break;
        }
    ASSERT_LT(failed, log.size()) << "the failing call was not made";
    for (size_t i = failed + 1; i < log.size(); ++i)
        EXPECT_EQ(log[i].op, "RegCloseKey") << log[i].op << " " << log[i].key << " " << log[i].name;
}

INSTANTIATE_TEST_SUITE_P(
    EveryStop, WriterStops,
    ::testing::Values(
        StopCase{"service_denied", "RegCreateKeyExA", SERVICE, "", 5,
                 "Error: unable to create|open serialz4 key.  Probably due to security reasons.",
                 ""},
        StopCase{"service", "RegCreateKeyExA", SERVICE, "", 1018,
                 "Error: Unable to create|open serialz4 key, RegOpenKey = 1018, Line = 897", ""},
        StopCase{"service_value", "RegSetValueExA", SERVICE, "Group", 1018,
                 "Error: Unable to set serial value, RegSetValueEx = 1018, Line = 938", ""},
        StopCase{"parameters_denied", "RegCreateKeyExA", PARAMETERS, "", 5,
                 "Error: unable to create|open Parameters key.  Probably due to security "
                 "reasons.",
                 ""},
        StopCase{"parameters", "RegCreateKeyExA", PARAMETERS, "", 87,
                 "Error: Unable to create|open Parameters key, RegOpenKey = 87, Line = 967", ""},
        StopCase{"board_denied", "RegCreateKeyExA", board(1), "", 5,
                 "Error: unable to create|open Board key.  Probably due to security reasons.", ""},
        StopCase{"board", "RegCreateKeyExA", board(1), "", 1018,
                 "Error: Unable to create|open Board key, RegOpenKey = 1018, Line = 1002", ""},
        StopCase{"ioaddr", "RegSetValueExA", board(1), "IOAddr", 1018,
                 "Error: Unable to set IOAddr value, RegSetValueEx = 1018, Line = 1022", ""},
        StopCase{"interrupt", "RegSetValueExA", board(1), "Interrupt", 1018,
                 "Error: Unable to set Interrupt value, RegSetValueEx = 1018, Line = 1044", ""},
        StopCase{"bustype", "RegSetValueExA", board(1), "BusType", 1018,
                 "Error: Unable to set BusType value, RegSetValueEx = 1018, Line = 1066", ""},
        StopCase{"port_denied", "RegCreateKeyExA", port(1, 4), "", 5,
                 "Error: unable to create|open Port key.  Probably due to security reasons.", ""},
        StopCase{"port", "RegCreateKeyExA", port(1, 4), "", 1018,
                 "Error: Unable to create|open Port key, RegOpenKey = 1018, Line = 1099", ""},
        StopCase{"ports_entry", "RegSetValueExA", PORTS, "COM6:", 1018,
                 "Error: Unable to set parameter value, RegSetValueEx = 1018, Line = 1137",
                 "Error: Unable to set parameter value, RegSetValueEx = 1018, Line = 1137"},
        StopCase{"dos_devices", "RegSetValueExA", port(1, 4), "DosDevices", 1018,
                 "Error: Unable to set parameter value, RegSetValueEx = 1018, Line = 1166",
                 "Error: Unable to set parameter value, RegSetValueEx = 1018, Line = 1166"},
        StopCase{"port_index", "RegSetValueExA", port(1, 4), "PortIndex", 1018,
                 "Error: Unable to set parameter value, RegSetValueEx = 1018, Line = 1187",
                 "Error: Unable to set parameter value, RegSetValueEx = 1018, Line = 1187"}),
    [](const ::testing::TestParamInfo<StopCase> &info) { return std::string(info.param.what); });

TEST_F(Writer, a_failed_group_leaves_error_control_written_and_nothing_after_it)
{
    put_board(board(1), 0x3f0, 3, BUS_ISA);
    put_port(port(1, 9), 9, 0);
    put_board(board(2), 0x310, 10, BUS_ISA);
    emu::reg_inject("RegSetValueExA", SERVICE, "Group", 87);
    slot(0, BUS_ISA, 0x308, 10, 1);
    EXPECT_EQ(setZ4_reg_params(), 87);
    EXPECT_EQ(emu::reg_values(SERVICE).size(), 1u);
    EXPECT_EQ(dword(SERVICE, "ErrorControl"), 0u);
    // The old keys are already gone; the board kept for rewriting still holds its old values.
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), std::vector<std::string>{"Board1"});
    EXPECT_TRUE(emu::reg_subkeys(board(1)).empty());
    EXPECT_EQ(dword(board(1), "IOAddr"), 0x3f0u);
    for (const auto &c : calls("RegCreateKeyExA"))
        EXPECT_EQ(c.key, SERVICE);
}

TEST_F(Writer, a_failed_port_value_leaves_the_ports_written_before_it)
{
    numbers(2, 4);
    slot(0, BUS_ISA, 0x308, 10, 3);
    emu::reg_inject("RegSetValueExA", port(1, 4), "PortIndex", 1018);
    LONG rc;
    captured_write(&rc);
    EXPECT_EQ(rc, 1018);
    expect_port(1, 3, "COM5 ", 0);
    EXPECT_EQ(text(port(1, 4), "DosDevices"), "COM6 ");
    EXPECT_FALSE(has_value(port(1, 4), "PortIndex"));
    EXPECT_FALSE(emu::reg_has_key(port(1, 5)));
    EXPECT_TRUE(has_value(PORTS, "COM6:"));
    EXPECT_FALSE(has_value(PORTS, "COM7:"));
}

TEST_F(Writer, the_stdout_failure_is_printed_before_its_box_appears)
{
    slot(0, BUS_ISA, 0x308, 10, 1);
    emu::reg_inject("RegSetValueExA", port(1, 1), "DosDevices", 1018);
    std::string printed_at_box;
    bool boxed = false;
    ::testing::internal::CaptureStdout();
    emu::set_message_box_handler([&](const emu::MessageBoxRecord &) {
        if (!boxed)
            printed_at_box = ::testing::internal::GetCapturedStdout();
        boxed = true;
        return IDOK;
    });
    setZ4_reg_params();
    if (!boxed)
        ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(boxed);
    EXPECT_EQ(printed_at_box, "Error: Unable to set parameter value, RegSetValueEx = 1018, Line = 1166");
}

TEST_F(Writer, a_service_key_the_user_may_not_write_gets_the_security_wording)
{
    emu::reg_deny(SERVICE);
    slot(0, BUS_ISA, 0x308, 10, 1);
    EXPECT_EQ(setZ4_reg_params(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "|Error: unable to create|open serialz4 key.  Probably due to security "
                           "reasons."});
    EXPECT_FALSE(emu::reg_has_key(SERVICE));
}

// ---- round trip ----

namespace {

class RoundTrip : public Writer {
protected:
    // Writes the current slots from the given numbers, then starts a new run that reads them.
    void write_then_read(uint32_t serial, uint32_t com)
    {
        numbers(serial, com);
        for (int s = 0; s < Z4_SLOTS; ++s)
            written[s] = CurrentZ4config[s];
        ASSERT_EQ(setZ4_reg_params(), 0);
        resetZ4_process();
        numbers(1000, 1000);  // what a scan might have left
        getZ4_reg_params();
    }
    BoardConfig written[Z4_SLOTS];
};

}  // namespace

TEST_F(RoundTrip, what_the_writer_writes_the_reader_reads_back_into_the_same_tables_and_numbers)
{
    slot(0, BUS_ISA, 0x3e8, 5, 8);
    slot(1, BUS_PCI, 0, 0, 16);
    slot(2, BUS_ISA, 0x158, 15, 64);
    slot(3, BUS_ISA, 0x320, 3, 4);
    write_then_read(2, 4);
    for (int s = 0; s < Z4_SLOTS; ++s) {
        for (const BoardConfig *table : {RegistryZ4config, CurrentZ4config}) {
            EXPECT_EQ(table[s].BusType, written[s].BusType) << s;
            EXPECT_EQ(table[s].IOAddr, written[s].IOAddr) << s;
            EXPECT_EQ(table[s].Interrupt, written[s].Interrupt) << s;
            EXPECT_EQ(table[s].NumPorts, written[s].NumPorts) << s;
            EXPECT_EQ(table[s].Enabled, 1u) << s;
        }
    }
    EXPECT_EQ(SerialMaxNum, 2u);
    EXPECT_EQ(COMMaxNum, 4u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(RoundTrip, numbers_at_the_edges_of_32_bits_come_back_as_they_went)
{
    slot(0, BUS_ISA, 0x308, 10, 2);
    write_then_read(0xFFFFFFFF, 0xFFFFFFFF);  // first device 0, first COM 0
    EXPECT_EQ(SerialMaxNum, 0xFFFFFFFFu);
    EXPECT_EQ(COMMaxNum, 0xFFFFFFFFu);

    SetUp();
    slot(0, BUS_ISA, 0x308, 10, 2);
    write_then_read(0x7FFFFFFF, 0x7FFFFFFE);  // named with a minus sign past the signed top
    EXPECT_TRUE(emu::reg_has_key(board(1) + "\\Serial-2147483648"));
    EXPECT_EQ(SerialMaxNum, 0x7FFFFFFFu);
    EXPECT_EQ(COMMaxNum, 0x7FFFFFFEu);
}

TEST_F(RoundTrip, a_skipped_slot_closes_up_when_read_back)
{
    slot(0, BUS_NONE, 0, 0, 0, 0);
    slot(1, BUS_PCI, 0, 0, 8);
    write_then_read(2, 4);
    EXPECT_EQ(RegistryZ4config[0].BusType, BUS_PCI);
    EXPECT_EQ(RegistryZ4config[0].NumPorts, 8u);
    EXPECT_EQ(RegistryZ4config[1].Enabled, 0u);
    EXPECT_EQ(SerialMaxNum, 2u);
    EXPECT_EQ(COMMaxNum, 4u);
}
