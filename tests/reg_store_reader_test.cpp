// The configuration reader: slots filled in enumeration order, port counts, the lowest
// device and COM numbers, and what each unreadable key or value leaves behind.
#include <cstring>

#include "reg_store_fixture.h"
#include "z4setup_trace.h"

using namespace store;

namespace {

class Reader : public StoreTest {
protected:
    // A board key at Parameters\<name> with ports numbered from `device`, on COM from `com`.
    static void put_configured_board(const std::string &name, DWORD io, DWORD irq, DWORD bus,
                                     int device, int com, int ports)
    {
        std::string key = PARAMETERS + "\\" + name;
        put_board(key, io, irq, bus);
        for (int p = 0; p < ports; ++p)
            put_port(key + "\\Serial" + std::to_string(device + p), com + p, p);
    }
    static void expect_slot(int slot, BoardConfig want)
    {
        for (const BoardConfig *table : {RegistryZ4config, CurrentZ4config}) {
            const BoardConfig &got = table[slot];
            const char *which = table == RegistryZ4config ? "Registry" : "Current";
            EXPECT_EQ(got.BusType, want.BusType) << which << " slot " << slot;
            EXPECT_EQ(got.IOAddr, want.IOAddr) << which << " slot " << slot;
            EXPECT_EQ(got.Interrupt, want.Interrupt) << which << " slot " << slot;
            EXPECT_EQ(got.NumPorts, want.NumPorts) << which << " slot " << slot;
            EXPECT_EQ(got.Enabled, want.Enabled) << which << " slot " << slot;
        }
    }
    static void scan_left(uint32_t com, uint32_t serial)
    {
        COMMaxNum = com;
        SerialMaxNum = serial;
    }
};

const BoardConfig START_SLOT_0 = {BUS_ISA, 0x308, 10, 0, 1};
const BoardConfig EMPTY_SLOT = {0, 0, 0, 0, 0};

}  // namespace

// ---- slots and numbers ----

TEST_F(Reader, without_a_parameters_key_tables_and_numbers_stay_and_only_grp_lines_are_traced)
{
    scan_left(7, 5);
    getZ4_reg_params();
    expect_slot(0, START_SLOT_0);
    for (int s = 1; s < 4; ++s)
        expect_slot(s, EMPTY_SLOT);
    EXPECT_EQ(COMMaxNum, 7u);
    EXPECT_EQ(SerialMaxNum, 5u);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(traces(), (std::vector<std::string>{"GRP1 bd=1 bustypesymbol=210:",
                                                  "GRP3 bd=1 bustypesymbol=210:"}));
}

TEST_F(Reader, a_written_board_reads_back_into_its_slot_and_the_numbers_it_was_written_from)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 8);
    scan_left(20, 20);
    getZ4_reg_params();
    expect_slot(0, {BUS_ISA, 0x308, 10, 8, 1});
    EXPECT_EQ(COMMaxNum, 4u);
    EXPECT_EQ(SerialMaxNum, 2u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Reader, a_second_board_fills_the_next_slot_and_keeps_the_lowest_numbers)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 8);
    put_configured_board("Board2", 0, 0, BUS_PCI, 11, 13, 4);
    getZ4_reg_params();
    expect_slot(0, {BUS_ISA, 0x308, 10, 8, 1});
    expect_slot(1, {BUS_PCI, 0, 0, 4, 1});
    EXPECT_EQ(COMMaxNum, 4u);
    EXPECT_EQ(SerialMaxNum, 2u);
}

TEST_F(Reader, slots_follow_the_enumeration_order_not_the_number_in_the_key_name)
{
    put_configured_board("Board2", 0x310, 5, BUS_ISA, 1, 3, 2);
    put_configured_board("Board4", 0x320, 7, BUS_ISA, 3, 5, 2);
    getZ4_reg_params();
    expect_slot(0, {BUS_ISA, 0x310, 5, 2, 1});
    expect_slot(1, {BUS_ISA, 0x320, 7, 2, 1});
    expect_slot(2, EMPTY_SLOT);
    expect_slot(3, EMPTY_SLOT);
}

TEST_F(Reader, the_port_count_is_the_highest_index_plus_one_in_any_order)
{
    std::string key = board(1);
    put_board(key, 0x308, 10, BUS_ISA);
    put_port(key + "\\Serial1", 3, 7);
    put_port(key + "\\Serial2", 4, 0);
    put_port(key + "\\Serial3", 5, 3);
    // The first port key sets the count outright, so nothing left from before survives.
    RegistryZ4config[0].NumPorts = CurrentZ4config[0].NumPorts = 20;
    getZ4_reg_params();
    EXPECT_EQ(RegistryZ4config[0].NumPorts, 8u);
    EXPECT_EQ(CurrentZ4config[0].NumPorts, 8u);
}

TEST_F(Reader, only_the_first_port_of_the_first_board_sets_the_numbers_outright)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 20, 30, 1);
    put_configured_board("Board2", 0x310, 10, BUS_ISA, 5, 6, 1);
    scan_left(2, 1);
    getZ4_reg_params();
    // 20 and 30 replace the scan's 1 and 2; the second board's lower numbers then win.
    EXPECT_EQ(COMMaxNum, 5u);
    EXPECT_EQ(SerialMaxNum, 4u);
}

TEST_F(Reader, a_first_board_without_ports_leaves_the_minima_to_the_scan)
{
    put_board(board(1), 0x308, 10, BUS_ISA);
    put_configured_board("Board2", 0x310, 10, BUS_ISA, 11, 13, 4);
    scan_left(2, 1);
    getZ4_reg_params();
    EXPECT_EQ(COMMaxNum, 1u);
    EXPECT_EQ(SerialMaxNum, 0u);
    EXPECT_EQ(RegistryZ4config[1].NumPorts, 4u);
}

TEST_F(Reader, a_board_without_ports_only_lowers_the_numbers_and_keeps_its_count)
{
    put_board(board(1), 0x318, 11, BUS_ISA);
    RegistryZ4config[0].NumPorts = CurrentZ4config[0].NumPorts = 5;
    scan_left(2, 1);
    getZ4_reg_params();
    expect_slot(0, {BUS_ISA, 0x318, 11, 5, 1});
    EXPECT_EQ(COMMaxNum, 1u);
    EXPECT_EQ(SerialMaxNum, 0u);
}

TEST_F(Reader, texts_give_their_numbers_from_fixed_positions)
{
    std::string key = board(1);
    put_board(key, 0x308, 10, BUS_ISA);
    emu::reg_put_value(key + "\\Serial", "DosDevices", REG_SZ, bytes("COM12 "));
    emu::reg_put_dword(key + "\\Serial", "PortIndex", 0);
    getZ4_reg_params();
    // A name of six characters gives device 0; the text gives COM 12.
    EXPECT_EQ(COMMaxNum, 11u);
    EXPECT_EQ(SerialMaxNum, 0xFFFFFFFFu);
}

TEST_F(Reader, dos_devices_text_is_read_within_its_50_bytes_with_or_without_a_nul)
{
    std::string key = board(1);
    put_board(key, 0x308, 10, BUS_ISA);
    // 50 bytes and no NUL: the number ends where the bytes end.
    std::string full = "COM7" + std::string(46, ' ');
    emu::reg_put_value(key + "\\Serial4", "DosDevices", REG_SZ, bytes(full));
    emu::reg_put_dword(key + "\\Serial4", "PortIndex", 0);
    emu::reg_put_value(key + "\\Serial5", "DosDevices", REG_BINARY, bytes("XYZ9"));
    emu::reg_put_dword(key + "\\Serial5", "PortIndex", 1);
    getZ4_reg_params();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(COMMaxNum, 6u);  // 7, and "XYZ9" need not begin with COM: min(7, 9) - 1
    EXPECT_EQ(SerialMaxNum, 3u);
    auto reads = calls("RegQueryValueExA");
    for (const auto &r : reads)
        EXPECT_EQ(r.length, r.name == "DosDevices" ? 50u : 4u) << r.name;
}

TEST_F(Reader, a_fifth_board_key_is_left_alone)
{
    for (int b = 1; b <= 5; ++b)
        put_configured_board("Board" + std::to_string(b), 0x300 + 8 * b, b, BUS_ISA, 4 * b,
                             4 * b + 1, b);
    // The fifth board's ports are the lowest; they must not pull the numbers down.
    emu::reg_remove_key(board(5));
    put_configured_board("Board5", 0x300, 3, BUS_ISA, 1, 2, 1);
    getZ4_reg_params();
    for (int s = 0; s < 4; ++s)
        expect_slot(s, {BUS_ISA, 0x300u + 8 * (s + 1), uint32_t(s + 1), uint32_t(s + 1), 1});
    EXPECT_EQ(COMMaxNum, 4u);
    EXPECT_EQ(SerialMaxNum, 3u);
    for (const auto &e : calls("RegEnumKeyExA"))
        EXPECT_FALSE(e.key == PARAMETERS && e.index >= 4) << e.index;
    EXPECT_FALSE(traced("GRP2 bd=4 bustypesymbol=240:"));
}

TEST_F(Reader, key_names_longer_than_the_20_character_buffer_are_read_whole)
{
    std::string name = "BoardWithAVeryLongNameIndeed";
    put_board(PARAMETERS + "\\" + name, 0x328, 12, BUS_ISA);
    put_port(PARAMETERS + "\\" + name + "\\SerialPortKeyWithLongName17", 9, 0);
    getZ4_reg_params();
    EXPECT_TRUE(boxes().empty());
    expect_slot(0, {BUS_ISA, 0x328, 12, 1, 1});
    EXPECT_EQ(COMMaxNum, 8u);
    EXPECT_EQ(SerialMaxNum, 0xFFFFFFFFu);  // "PortKeyWith..." holds no number at position 6
    auto enums = calls("RegEnumKeyExA");
    ASSERT_GE(enums.size(), 2u);
    EXPECT_EQ(enums[0].length, 20u);
    EXPECT_EQ(enums[0].result, ERROR_MORE_DATA);
    EXPECT_EQ(enums[1].result, ERROR_SUCCESS);
}

TEST_F(Reader, every_key_is_opened_for_reading_only)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 2);
    getZ4_reg_params();
    auto opens = calls("RegOpenKeyExA");
    EXPECT_EQ(opens.size(), 4u);
    for (const auto &o : opens)
        EXPECT_EQ(o.access, static_cast<REGSAM>(KEY_READ)) << o.key;
    EXPECT_TRUE(calls("RegSetValueExA").empty());
    EXPECT_TRUE(calls("RegCreateKeyExA").empty());
    EXPECT_TRUE(calls("RegDeleteKeyA").empty());
}

TEST_F(Reader, the_trace_follows_every_step_of_a_read)
{
    emu::reg_put_dword(PARAMETERS, "Interrupt", 5);
    put_configured_board("Board1", 0x3f0, 15, BUS_ISA, 3, 5, 2);
    getZ4_reg_params();
    EXPECT_EQ(traces(), (std::vector<std::string>{
                            "GRP1 bd=1 bustypesymbol=210:",
                            "getZ4_reg_params:num dwcSubKeys:1 Max data 6 dwcValues=1\n",
                            "getZ4_reg_params:old_style_interrupt:5\n",
                            "GRP2 bd=0 bustypesymbol=200:",
                            "getZ4_reg_params:ioaddr:3f0\n",
                            "getZ4_reg_params:interrupt:15\n",
                            "getZ4_reg_params:bustype:1\n",
                            "getZ4_reg_params:num dwcSubKey:2 Max data 7\n",
                            "getZ4_reg_params:COMMaxNum:5 SerialMaxNum:3\n",
                            "getZ4_reg_params:COMMaxNum:5 SerialMaxNum:3\n",
                            "getZ4_reg_params:RegistryZ4config[0]:ioaddr:3f0 interrupt:15 "
                            "numports:2\n",
                            "GRP3 bd=1 bustypesymbol=210:",
                        }));
}

// ---- the old-style interrupt ----

TEST_F(Reader, a_board_without_interrupt_takes_the_old_style_one_silently)
{
    emu::reg_put_dword(PARAMETERS, "Interrupt", 5);
    emu::reg_put_dword(board(1), "IOAddr", 0x310);
    emu::reg_put_dword(board(1), "BusType", BUS_ISA);
    getZ4_reg_params();
    EXPECT_EQ(RegistryZ4config[0].Interrupt, 5u);
    EXPECT_EQ(CurrentZ4config[0].Interrupt, 5u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Reader, without_either_interrupt_the_box_with_1644_is_shown_and_the_slot_keeps_its_own)
{
    emu::reg_put_dword(PARAMETERS, "Other", 1);  // values, but no "Interrupt"
    emu::reg_put_dword(board(1), "IOAddr", 0x310);
    getZ4_reg_params();
    EXPECT_TRUE(traced("getZ4_reg_params:old_style_interrupt:-1\n"));
    EXPECT_EQ(boxes(), std::vector<std::string>{"ERROR|Line:1644 0 based index = 0, retValue = 2"});
    EXPECT_EQ(RegistryZ4config[0].Interrupt, 10u);
    EXPECT_EQ(RegistryZ4config[0].BusType, BUS_ISA);  // no "BusType": ISA, no box
}

TEST_F(Reader, a_negative_old_style_interrupt_counts_as_absent)
{
    emu::reg_put_dword(PARAMETERS, "Interrupt", 0xFFFFFFFE);
    put_board(board(1), 0x310, 7, BUS_ISA);
    emu::reg_remove_value(board(1), "Interrupt");
    getZ4_reg_params();
    EXPECT_TRUE(traced("getZ4_reg_params:old_style_interrupt:-2\n"));
    EXPECT_EQ(boxes(), std::vector<std::string>{"ERROR|Line:1644 0 based index = 0, retValue = 2"});
}

TEST_F(Reader, the_old_style_interrupt_is_taken_only_on_success_while_122_reads_a_board_value)
{
    emu::reg_put_dword(PARAMETERS, "Interrupt", 5);
    emu::reg_inject("RegQueryValueExA", PARAMETERS, "Interrupt", ERROR_INSUFFICIENT_BUFFER);
    emu::reg_put_dword(board(1), "IOAddr", 0x310);
    emu::reg_inject("RegQueryValueExA", board(1), "IOAddr", ERROR_INSUFFICIENT_BUFFER);
    getZ4_reg_params();
    EXPECT_TRUE(traced("getZ4_reg_params:old_style_interrupt:-1\n"));
    // Only the interrupt box: the IOAddr read with 122 counts as read.
    EXPECT_EQ(boxes(), std::vector<std::string>{"ERROR|Line:1644 0 based index = 0, retValue = 2"});
}

TEST_F(Reader, a_parameters_key_without_values_reads_no_old_style_interrupt)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 1);
    getZ4_reg_params();
    for (const auto &t : traces())
        EXPECT_EQ(t.find("old_style_interrupt"), std::string::npos);
    for (const auto &r : calls("RegQueryValueExA"))
        EXPECT_NE(r.key, PARAMETERS);
}

// ---- failures ----

TEST_F(Reader, an_unreadable_parameters_key_changes_nothing_and_shows_nothing)
{
    put_configured_board("Board1", 0x318, 3, BUS_PCI, 3, 5, 8);
    emu::reg_deny(PARAMETERS);
    scan_left(7, 5);
    getZ4_reg_params();
    expect_slot(0, START_SLOT_0);
    EXPECT_EQ(COMMaxNum, 7u);
    EXPECT_EQ(SerialMaxNum, 5u);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(traces().size(), 2u);
}

TEST_F(Reader, a_board_enumeration_ending_early_enables_the_slot_it_reached_and_still_decrements)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 1);
    put_configured_board("Board2", 0x310, 10, BUS_ISA, 4, 6, 1);
    put_configured_board("Board3", 0x318, 10, BUS_ISA, 5, 7, 1);
    emu::reg_inject("RegEnumKeyExA", PARAMETERS, "Board2", ERROR_NO_MORE_ITEMS);
    getZ4_reg_params();
    EXPECT_TRUE(boxes().empty());
    expect_slot(0, {BUS_ISA, 0x308, 10, 1, 1});
    expect_slot(1, {0, 0, 0, 0, 1});
    expect_slot(2, EMPTY_SLOT);
    EXPECT_EQ(COMMaxNum, 4u);
    EXPECT_EQ(SerialMaxNum, 2u);
}

TEST_F(Reader, a_failed_board_enumeration_shows_1582_and_its_name_is_never_opened)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 1);
    put_configured_board("Board2", 0x310, 11, BUS_ISA, 4, 6, 1);
    emu::reg_inject("RegEnumKeyExA", PARAMETERS, "Board1", 1018);
    scan_left(20, 20);
    getZ4_reg_params();
    EXPECT_EQ(boxes(),
              std::vector<std::string>{"ERROR|EnumValue Line:1582 0 based index = 0, retValue = 1018"});
    expect_slot(0, {BUS_ISA, 0x308, 10, 0, 1});  // enabled, nothing read
    expect_slot(1, {BUS_ISA, 0x310, 11, 1, 1});
    for (const auto &o : calls("RegOpenKeyExA"))
        EXPECT_NE(o.key, board(1));
    EXPECT_EQ(COMMaxNum, 5u);  // the second board's port against the scan's 20
    EXPECT_EQ(SerialMaxNum, 3u);
}

TEST_F(Reader, a_board_key_that_cannot_be_opened_is_passed_over_with_its_slot_enabled)
{
    put_configured_board("Board1", 0x318, 3, BUS_PCI, 3, 5, 2);
    emu::reg_inject("RegOpenKeyExA", board(1), "", 5);
    RegistryZ4config[0].IOAddr = CurrentZ4config[0].IOAddr = 0x3e8;
    scan_left(2, 1);
    getZ4_reg_params();
    EXPECT_TRUE(boxes().empty());
    expect_slot(0, {BUS_ISA, 0x3e8, 10, 0, 1});
    EXPECT_EQ(COMMaxNum, 1u);  // only the decrement
    EXPECT_EQ(SerialMaxNum, 0u);
}

TEST_F(Reader, an_unreadable_ioaddr_shows_1606_and_the_slot_keeps_its_address)
{
    put_configured_board("Board1", 0x318, 3, BUS_PCI, 3, 5, 2);
    emu::reg_inject("RegQueryValueExA", board(1), "IOAddr", 1018);
    getZ4_reg_params();
    EXPECT_EQ(boxes(), std::vector<std::string>{"ERROR|Line:1606 0 based index = 0, retValue = 1018"});
    expect_slot(0, {BUS_PCI, 0x308, 3, 2, 1});
    EXPECT_TRUE(traced("getZ4_reg_params:ioaddr:308\n"));
}

TEST_F(Reader, an_unreadable_bus_type_means_isa_without_a_box)
{
    put_configured_board("Board1", 0, 0, BUS_PCI, 3, 5, 2);
    emu::reg_inject("RegQueryValueExA", board(1), "BusType", 5);
    getZ4_reg_params();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(RegistryZ4config[0].BusType, BUS_ISA);
    EXPECT_EQ(CurrentZ4config[0].BusType, BUS_ISA);
}

TEST_F(Reader, a_port_enumeration_ending_early_ends_the_port_loop)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 4);
    emu::reg_inject("RegEnumKeyExA", board(1), "Serial5", ERROR_NO_MORE_ITEMS);
    getZ4_reg_params();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(RegistryZ4config[0].NumPorts, 2u);
    for (const auto &o : calls("RegOpenKeyExA"))
        EXPECT_NE(o.key, port(1, 6));
}

TEST_F(Reader, a_failed_port_enumeration_shows_1718_and_that_port_counts_for_nothing)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 4);
    emu::reg_inject("RegEnumKeyExA", board(1), "Serial6", 87);
    getZ4_reg_params();
    EXPECT_EQ(boxes(),
              std::vector<std::string>{"ERROR|EnumValue Line:1718 0 based index = 3, retValue = 87"});
    EXPECT_EQ(RegistryZ4config[0].NumPorts, 3u);
}

TEST_F(Reader, a_port_key_that_cannot_be_opened_counts_for_nothing)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 4);
    emu::reg_inject("RegOpenKeyExA", port(1, 3), "", 5);  // the first port: COM5, index 0
    getZ4_reg_params();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(RegistryZ4config[0].NumPorts, 4u);  // index 3 + 1, by the maximum rule
    // The first port key read was not j = 0, so the numbers are minima against the scan's.
    EXPECT_EQ(COMMaxNum, 0u);
    EXPECT_EQ(SerialMaxNum, 0xFFFFFFFFu);
}

TEST_F(Reader, an_unreadable_port_index_shows_1741_and_does_not_size_the_board)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 3);
    emu::reg_inject("RegQueryValueExA", port(1, 5), "PortIndex", 1018);
    getZ4_reg_params();
    EXPECT_EQ(boxes(), std::vector<std::string>{"ERROR|Line:1741 0 based index = 2, retValue = 1018"});
    EXPECT_EQ(RegistryZ4config[0].NumPorts, 2u);
    EXPECT_EQ(COMMaxNum, 4u);  // its COM and device numbers still count
    EXPECT_EQ(SerialMaxNum, 2u);
}

TEST_F(Reader, a_missing_dos_devices_shows_1770_and_gives_com_number_zero)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 2);
    emu::reg_remove_value(port(1, 4), "DosDevices");
    getZ4_reg_params();
    EXPECT_EQ(boxes(), std::vector<std::string>{"ERROR|Line:1770 0 based index = 1, retValue = 2"});
    EXPECT_EQ(COMMaxNum, 0xFFFFFFFFu);
    EXPECT_EQ(SerialMaxNum, 2u);
}

TEST_F(Reader, a_dos_devices_text_longer_than_50_bytes_fails_with_1770)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 1);
    emu::reg_put_sz(port(1, 3), "DosDevices", "COM5" + std::string(60, ' '));
    getZ4_reg_params();
    EXPECT_EQ(boxes(), std::vector<std::string>{"ERROR|Line:1770 0 based index = 0, retValue = 234"});
    EXPECT_EQ(COMMaxNum, 0xFFFFFFFFu);
}

TEST_F(Reader, box_texts_go_through_the_trace_buffer_but_not_to_the_debugger)
{
    put_configured_board("Board1", 0x308, 10, BUS_ISA, 3, 5, 1);
    emu::reg_inject("RegQueryValueExA", board(1), "IOAddr", 1018);
    std::string buffer_at_box;
    emu::set_message_box_handler([&](const emu::MessageBoxRecord &) {
        buffer_at_box = TraceBuffer;
        return IDOK;
    });
    getZ4_reg_params();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(buffer_at_box, emu::message_boxes()[0].text);
    for (const auto &t : traces())
        EXPECT_EQ(t.find("Line:1606"), std::string::npos) << t;
}

TEST_F(Reader, a_parameters_key_with_values_but_no_board_keys_leaves_the_numbers_alone)
{
    emu::reg_put_dword(PARAMETERS, "Interrupt", 5);
    scan_left(2, 1);
    getZ4_reg_params();
    EXPECT_EQ(COMMaxNum, 2u);
    EXPECT_EQ(SerialMaxNum, 1u);
    expect_slot(0, START_SLOT_0);
    EXPECT_TRUE(traced("getZ4_reg_params:old_style_interrupt:5\n"));
}

TEST_F(Reader, an_enumeration_answered_with_122_but_no_name_opens_nothing)
{
    put_configured_board("Board1", 0x318, 3, BUS_PCI, 3, 5, 2);
    put_configured_board("Board2", 0x310, 4, BUS_ISA, 5, 7, 2);
    emu::reg_inject("RegEnumKeyExA", PARAMETERS, "Board1", ERROR_INSUFFICIENT_BUFFER);
    emu::reg_inject("RegEnumKeyExA", board(2), "Serial5", ERROR_INSUFFICIENT_BUFFER);
    getZ4_reg_params();
    EXPECT_TRUE(boxes().empty());
    // An empty name would open the parent key itself as a board or port.
    for (const auto &o : calls("RegOpenKeyExA"))
        EXPECT_FALSE(o.name.empty()) << o.key;
    expect_slot(0, {BUS_ISA, 0x308, 10, 0, 1});
    expect_slot(1, {BUS_ISA, 0x310, 4, 2, 1});
}
