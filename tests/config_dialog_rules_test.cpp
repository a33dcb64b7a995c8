// The checks of Ok over entries that did not come from controls, as a front end without a
// window hands them over: which check fails, its message, the control it names, and what the
// tables hold afterwards.
#include "new_process_test.h"

#include <cstring>

#include "config_dialog_ids.h"
#include "config_dialog_rules.h"
#include "test_support.h"

namespace {

class Rules : public NewProcessTest {
protected:
    Z4Entries entries{};
    Z4CheckResult result{};

    void SetUp() override
    {
        NewProcessTest::SetUp();
        entries.boards[0] = {BUS_ISA, 0x308, 10, 8, 0};
        entries.logicalSuffix = 3;
        entries.deviceSuffix = 3;
        // Marks what the checks have not reached.
        for (BoardConfig &slot : CurrentZ4config)
            slot = {7, 7, 7, 7, 7};
        COMMaxNum = SerialMaxNum = 777;
    }
};

TEST_F(Rules, accepted_entries_enable_the_written_slots_and_set_both_numbers)
{
    entries.boards[2] = {BUS_PCI, 0, 0, 64, 0};
    entries.deviceSuffix = 0;
    EXPECT_EQ(acceptZ4_entries(entries, &result), Z4_CHECK_PASSED);
    EXPECT_EQ(result.failed, Z4_CHECK_PASSED);
    EXPECT_EQ(CurrentZ4config[0].Enabled, 1u);
    EXPECT_EQ(CurrentZ4config[1].Enabled, 0u);
    EXPECT_EQ(CurrentZ4config[2].Enabled, 1u);
    EXPECT_EQ(CurrentZ4config[2].NumPorts, 64u);
    EXPECT_EQ(COMMaxNum, 2u);
    EXPECT_EQ(SerialMaxNum, 0xFFFFFFFFu);
    EXPECT_TRUE(emu::traced("GUS bd=3 bustypesymbol=230:"));
}

TEST_F(Rules, a_bad_port_count_stops_at_its_slot_and_leaves_the_later_slots_unread)
{
    entries.boards[1] = {BUS_PCI, 0, 0, 12, 0};
    entries.boards[2] = {BUS_ISA, 0x310, 10, 8, 0};
    entries.logicalSuffix = 0;  // never reached
    EXPECT_EQ(acceptZ4_entries(entries, &result), Z4_CHECK_PORT_COUNT);
    EXPECT_STREQ(result.message, "ERROR: Number of Ports is out of legal range for board 2");
    EXPECT_EQ(result.focusId, 213);
    EXPECT_EQ(CurrentZ4config[0].Enabled, 1u);
    EXPECT_EQ(CurrentZ4config[1].NumPorts, 12u);
    EXPECT_EQ(CurrentZ4config[1].Enabled, 7u);
    EXPECT_EQ(CurrentZ4config[2].BusType, 7u);
    EXPECT_EQ(COMMaxNum, 777u);
}

TEST_F(Rules, the_suffixes_compare_as_signed_numbers_and_each_sets_its_number_as_it_passes)
{
    entries.deviceSuffix = 0xFFFFFFFFu;  // "-1" read as an unsigned number
    EXPECT_EQ(acceptZ4_entries(entries, &result), Z4_CHECK_DEVICE_SUFFIX);
    EXPECT_STREQ(result.message, "ERROR: Device name suffix is out of legal range");
    EXPECT_EQ(result.focusId, IDC_DEVICE_SUFFIX);
    EXPECT_EQ(COMMaxNum, 2u);
    EXPECT_EQ(SerialMaxNum, 777u);

    for (uint32_t bad : {0u, 100u, 0x80000000u}) {
        entries.logicalSuffix = bad;
        EXPECT_EQ(acceptZ4_entries(entries, &result), Z4_CHECK_LOGICAL_SUFFIX) << bad;
        EXPECT_STREQ(result.message, "ERROR: Logical name suffix is out of legal range");
        EXPECT_EQ(result.focusId, IDC_LOGICAL_SUFFIX);
    }
}

TEST_F(Rules, an_address_conflict_names_both_boards_and_the_later_address_box)
{
    entries.boards[0] = {BUS_PCI, 0, 0, 8, 0};
    entries.boards[3] = {BUS_ISA, 0, 10, 4, 0};
    EXPECT_EQ(acceptZ4_entries(entries, &result), Z4_CHECK_ADDRESS_CONFLICT);
    EXPECT_STREQ(result.message, "ERROR: IOAddr:0x0 Board 1 conflicts with Board4");
    EXPECT_EQ(result.focusId, 232);
    EXPECT_EQ(COMMaxNum, 2u);
    EXPECT_EQ(SerialMaxNum, 2u);
}

TEST_F(Rules, picking_the_type_shown_changes_nothing_and_an_unknown_name_changes_no_field)
{
    CurrentZ4config[0] = {9, 0x308, 10, 8, 1};  // an odd code read from the registry shows as None
    EXPECT_FALSE(pickZ4_bus_type(0, "None"));
    EXPECT_TRUE(pickZ4_bus_type(0, "EISA"));
    EXPECT_EQ(CurrentZ4config[0].BusType, 9u);
    EXPECT_EQ(CurrentZ4config[0].NumPorts, 8u);
    EXPECT_TRUE(emu::traced("Bustype changed to :EISA:\n"));
}

}  // namespace
