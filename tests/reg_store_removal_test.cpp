// Removal: a written configuration goes completely even where keys with subkeys cannot be
// deleted; what cannot go is reported by the two boxes, and the Ports entries always stay.
#include "reg_store_fixture.h"
#include "z4setup.h"

using namespace store;

namespace {

class Removal : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        emu::reg_put_key(SERVICES);
        emu::reg_put_key(PORTS);
    }
    // A configuration as the writer makes it: two boards, twelve ports, Ports entries.
    static void write_configuration()
    {
        CurrentZ4config[0] = {BUS_ISA, 0x308, 10, 4, 1};
        CurrentZ4config[1] = {BUS_PCI, 0, 0, 8, 1};
        SerialMaxNum = 2;
        COMMaxNum = 4;
        ASSERT_EQ(setZ4_reg_params(), 0);
        ASSERT_EQ(emu::reg_subkeys(board(2)).size(), 8u);
        emu::ui_reset();
        emu::reg_clear_calls();
    }
};

const std::string PARAMETERS_BOX = "Could not Delete SerialZ4\\Parameters|Error";
const std::string SERVICE_BOX = "Could not Delete Serialz4|Error";

}  // namespace

TEST_F(Removal, removal_of_a_written_configuration_leaves_no_key_and_shows_nothing)
{
    write_configuration();
    removeZ4_config();
    EXPECT_FALSE(emu::reg_has_key(SERVICE));
    EXPECT_TRUE(emu::reg_has_key(SERVICES));
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(traces().empty());
}

TEST_F(Removal, the_ports_entries_stay_after_removal)
{
    write_configuration();
    removeZ4_config();
    EXPECT_EQ(emu::reg_values(PORTS).size(), 12u);
    EXPECT_EQ(text(PORTS, "COM5:"), "9600,n,8,1");
}

TEST_F(Removal, children_are_deleted_before_their_parents)
{
    write_configuration();
    removeZ4_config();
    std::vector<std::string> deleted;
    for (const auto &c : calls("RegDeleteKeyA"))
        if (c.result == ERROR_SUCCESS)
            deleted.push_back(c.key);
    ASSERT_EQ(deleted.size(), 12u + 2u + 2u);
    for (size_t i = 0; i < deleted.size(); ++i)
        for (size_t j = i + 1; j < deleted.size(); ++j)
            EXPECT_NE(deleted[j].rfind(deleted[i] + "\\", 0), 0u)
                << deleted[i] << " went before its subkey " << deleted[j];
    EXPECT_EQ(deleted.back(), SERVICE);
    for (const auto &o : calls("RegOpenKeyExA"))
        EXPECT_EQ(o.access, static_cast<REGSAM>(KEY_READ)) << o.key;
}

TEST_F(Removal, on_a_machine_never_configured_both_boxes_appear_and_the_exit_code_is_1)
{
    emu::set_command_line("z4setup.exe /d");
    EXPECT_EQ(runZ4_arguments(nullptr, GetCommandLineA(), SW_SHOWDEFAULT), 1);
    EXPECT_EQ(boxes(), (std::vector<std::string>{PARAMETERS_BOX, SERVICE_BOX}));
    EXPECT_TRUE(emu::reg_has_key(SERVICES));
}

TEST_F(Removal, board_keys_without_port_keys_go_silently)
{
    put_board(board(1), 0x308, 10, BUS_ISA);
    put_board(board(2), 0x310, 10, BUS_ISA);
    emu::reg_put_dword(SERVICE, "Start", 2);
    removeZ4_config();
    EXPECT_FALSE(emu::reg_has_key(SERVICE));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Removal, a_registry_that_deletes_whole_subtrees_gives_the_same_result)
{
    write_configuration();
    emu::reg_set_recursive_delete(true);
    removeZ4_config();
    EXPECT_FALSE(emu::reg_has_key(SERVICE));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Removal, any_number_of_keys_with_names_of_any_length_are_removed)
{
    for (int b = 1; b <= 12; ++b)
        emu::reg_put_key(PARAMETERS + "\\Board" + std::to_string(b));
    std::string long_board = PARAMETERS + "\\ABoardKeyNameFarLongerThanNineteen";
    for (int d = 0; d < 80; ++d)
        put_port(long_board + "\\Serial" + std::to_string(d), d, d);
    put_port(long_board + "\\APortKeyNameFarLongerThanNineteen", 1, 0);
    removeZ4_config();
    EXPECT_FALSE(emu::reg_has_key(SERVICE));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Removal, a_key_below_a_port_key_keeps_everything_above_it_and_both_boxes_report_it)
{
    write_configuration();
    emu::reg_put_key(port(1, 3) + "\\Foreign");
    removeZ4_config();
    EXPECT_TRUE(emu::reg_has_key(port(1, 3) + "\\Foreign"));
    EXPECT_FALSE(emu::reg_has_key(port(1, 4)));
    EXPECT_FALSE(emu::reg_has_key(board(2)));
    EXPECT_EQ(traces(), std::vector<std::string>{"Error deleting key:0)Board1 retcode:5\n"});
    EXPECT_EQ(boxes(), (std::vector<std::string>{PARAMETERS_BOX, SERVICE_BOX}));
}

TEST_F(Removal, another_subkey_of_the_service_key_keeps_it_with_only_the_second_box)
{
    write_configuration();
    emu::reg_put_key(SERVICE + "\\Extra");
    EXPECT_FALSE(removeZ4_config());
    EXPECT_FALSE(emu::reg_has_key(PARAMETERS));
    EXPECT_TRUE(emu::reg_has_key(SERVICE + "\\Extra"));
    EXPECT_EQ(boxes(), std::vector<std::string>{SERVICE_BOX});
}

// Windows 2000 and later keep Enum and Security below every service that has run.
TEST_F(Removal, the_keys_the_system_keeps_below_a_service_go_with_it)
{
    write_configuration();
    emu::reg_put_dword(SERVICE + "\\Enum", "Count", 1);
    emu::reg_put_sz(SERVICE + "\\Enum", "0", "Root\\LEGACY_SERIALZ4\\0000");
    emu::reg_put_value(SERVICE + "\\Security", "Security", REG_BINARY, {1, 0, 4, 0x80});
    EXPECT_TRUE(removeZ4_config());
    EXPECT_FALSE(emu::reg_has_key(SERVICE));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Removal, nothing_to_remove_counts_as_removed)
{
    emu::reg_put_key(Z4_SERVICES_KEY);
    EXPECT_TRUE(removeZ4_config());
    EXPECT_EQ(boxes(), (std::vector<std::string>{PARAMETERS_BOX, SERVICE_BOX}));
}

TEST_F(Removal, a_board_key_that_cannot_be_deleted_is_traced_and_the_next_one_tried)
{
    emu::reg_put_key(board(1));
    emu::reg_put_key(board(2));
    emu::reg_inject("RegDeleteKeyA", board(1), "", 5);
    removeZ4_config();
    EXPECT_EQ(traces(), std::vector<std::string>{"Error deleting key:0)Board1 retcode:5\n"});
    EXPECT_FALSE(emu::reg_has_key(board(2)));
    EXPECT_EQ(boxes(), (std::vector<std::string>{PARAMETERS_BOX, SERVICE_BOX}));
}

TEST_F(Removal, an_unreadable_parameters_key_still_lets_the_service_deletions_run)
{
    emu::reg_put_key(board(1));
    emu::reg_inject("RegOpenKeyExA", PARAMETERS, "", 5);
    removeZ4_config();
    EXPECT_TRUE(emu::reg_has_key(board(1)));
    // Parameters, Enum, Security and the service key itself.
    EXPECT_EQ(calls("RegDeleteKeyA").size(), 4u);
    EXPECT_EQ(boxes(), (std::vector<std::string>{PARAMETERS_BOX, SERVICE_BOX}));
}

TEST_F(Removal, a_service_key_without_parameters_goes_with_only_the_first_box)
{
    emu::reg_put_dword(SERVICE, "Type", 1);
    removeZ4_config();
    EXPECT_FALSE(emu::reg_has_key(SERVICE));
    EXPECT_EQ(boxes(), std::vector<std::string>{PARAMETERS_BOX});
}

TEST_F(Removal, an_unopenable_services_key_ends_the_removal_without_a_report)
{
    write_configuration();
    emu::reg_inject("RegOpenKeyExA", SERVICES, "", 5);
    removeZ4_config();
    EXPECT_TRUE(emu::reg_has_key(PARAMETERS));  // the boards went, the rest stays
    EXPECT_TRUE(emu::reg_subkeys(PARAMETERS).empty());
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Removal, an_enumeration_failure_in_the_port_pass_is_reported_once_by_the_board_pass)
{
    write_configuration();
    emu::reg_inject("RegEnumKeyExA", PARAMETERS, "Board2", 1018);
    removeZ4_config();
    EXPECT_EQ(boxes(), (std::vector<std::string>{
                           "ERROR|EnumValue Line:2266 0 based index = 1, retValue = 1018, "
                           "ValueLen = 80",
                           PARAMETERS_BOX, SERVICE_BOX}));
    EXPECT_EQ(emu::reg_subkeys(PARAMETERS), std::vector<std::string>{"Board2"});
    EXPECT_EQ(emu::reg_subkeys(board(2)).size(), 8u);  // a name not delivered is not used
}

TEST_F(Removal, a_board_key_that_cannot_be_opened_keeps_its_ports_and_both_boxes_report_it)
{
    write_configuration();
    emu::reg_inject("RegOpenKeyExA", board(1), "", 5);
    removeZ4_config();
    EXPECT_EQ(emu::reg_subkeys(board(1)).size(), 4u);
    EXPECT_FALSE(emu::reg_has_key(board(2)));
    EXPECT_EQ(traces(), std::vector<std::string>{"Error deleting key:0)Board1 retcode:5\n"});
    EXPECT_EQ(boxes(), (std::vector<std::string>{PARAMETERS_BOX, SERVICE_BOX}));
}
