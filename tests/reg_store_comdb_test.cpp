// The COM port database of Windows 2000 and later: numbers it holds for absent devices are
// warned of and refused, the written numbers are claimed and the dropped ones released, the
// removal gives them back, and where msports.dll is missing nothing changes.
#include "unattended_fixture.h"

#include "comdb_record.h"

namespace {

using namespace unattended;

const char ARBITER[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
const std::string TYPICAL = "[Board1]\nBusType = ISA\nPorts = 8\n";

// The database as a list of the numbers it marks, "" when it has no value yet.
std::string marked()
{
    auto value = emu::reg_get_value(ARBITER, "ComDB");
    if (!value)
        return "";
    std::string list;
    for (size_t n = 0; n < value->data.size() * 8; ++n)
        if (value->data[n / 8] >> (n % 8) & 1)
            list += (list.empty() ? "COM" : " COM") + std::to_string(n + 1);
    return list;
}

// A database of `bytes` bytes with the given numbers marked.
void database(std::initializer_list<int> numbers, size_t bytes = 32)
{
    std::vector<uint8_t> data(bytes, 0);
    for (int n : numbers)
        data[(n - 1) / 8] |= static_cast<uint8_t>(1u << ((n - 1) % 8));
    emu::reg_put_value(ARBITER, "ComDB", REG_BINARY, data);
}

class ComDatabase : public Unattended {
protected:
    // Windows 2000 and later: COM1 and COM2 in use, as on the typical machine, and claimed.
    static void modern_machine()
    {
        typical_machine();
        emu::comdb_install(true);
        database({1, 2});
    }
    void TearDown() override
    {
        EXPECT_FALSE(emu::comdb_left_open());
        Unattended::TearDown();
    }
};

TEST_F(ComDatabase, a_number_held_for_an_absent_device_is_asked_about_in_the_dialog)
{
    machine = [] {
        modern_machine();
        database({1, 2, 5});  // a USB adapter, unplugged now, keeps COM5
    };
    const std::string text = "COM5 is reserved in the COM port database for another device.";
    Outcome no = dialog([](emu::DialogUser &u) {
        u.type(203, "8");
        u.press(IDC_OK);
        u.press(IDC_CANCEL);
    });
    ASSERT_EQ(no.boxes.size(), 1u);
    EXPECT_EQ(no.boxes[0], "CONFIGURATION WARNING: " + text + " Use these numbers anyway?");
    EXPECT_FALSE(emu::reg_has_key(Z4_PARAMETERS_KEY));
    EXPECT_EQ(marked(), "COM1 COM2 COM5");

    Outcome refused = apply(TYPICAL);
    EXPECT_EQ(refused.code, Z4_EXIT_REFUSED);
    EXPECT_EQ(refused.out, "CONFIGURATION WARNING: " + text + "\n");
    EXPECT_FALSE(emu::reg_has_key(Z4_PARAMETERS_KEY));
}

TEST_F(ComDatabase, a_device_map_collision_at_the_same_port_is_named_before_the_database)
{
    machine = [] {
        modern_machine();
        emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial9", "COM12");
        database({1, 2, 3, 12});
    };
    Outcome o = apply(TYPICAL + "[Numbering]\nFirstCOM = 12\n");
    EXPECT_EQ(o.code, Z4_EXIT_REFUSED);
    EXPECT_EQ(o.out, "CONFIGURATION WARNING: COM12 is already used by Serial9.\n");
    o = apply(TYPICAL + "[Numbering]\nFirstCOM = 11\n");
    EXPECT_EQ(o.out, "CONFIGURATION WARNING: COM12 is already used by Serial9.\n");
    o = apply(TYPICAL + "[Numbering]\nFirstCOM = 3\n");  // COM3, the first port's, comes first
    EXPECT_EQ(o.out, "CONFIGURATION WARNING: COM3 is reserved in the COM port database for "
                     "another device.\n");
}

TEST_F(ComDatabase, a_first_write_claims_every_number_written)
{
    machine = modern_machine;
    Outcome o = apply(TYPICAL);
    EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
    EXPECT_EQ(marked(), "COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 COM10");

    // The dialog's Ok claims as /s does.
    Outcome ok = dialog([](emu::DialogUser &u) {
        u.type(203, "8");
        u.press(IDC_OK);
    });
    EXPECT_EQ(ok.registry, o.registry);
    EXPECT_EQ(marked(), "COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 COM10");
}

// The driver's own numbers, as its port keys hold them, are no other device's: a rewrite on
// them asks nothing, and moving the ports elsewhere gives them back.
TEST_F(ComDatabase, the_drivers_own_numbers_pass_and_a_renumbering_releases_them)
{
    machine = [] {
        configured_machine();
        emu::comdb_install(true);
        database({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    };
    Outcome same = apply(TYPICAL);
    EXPECT_EQ(same.code, Z4_EXIT_DONE) << same.out;
    EXPECT_EQ(marked(), "COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 COM10");

    Outcome moved = apply("[Board1]\nBusType = ISA\nPorts = 4\n[Numbering]\nFirstCOM = 20\n");
    EXPECT_EQ(moved.code, Z4_EXIT_DONE) << moved.out;
    EXPECT_EQ(marked(), "COM1 COM2 COM20 COM21 COM22 COM23");
}

TEST_F(ComDatabase, removal_releases_the_numbers_of_the_configuration_removed)
{
    machine = [] {
        configured_machine();
        emu::comdb_install(true);
        database({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 40});
    };
    Outcome o = run("/d", nullptr);
    EXPECT_EQ(o.code, 1);
    EXPECT_FALSE(emu::reg_has_key(Z4_SERVICE_KEY));
    EXPECT_EQ(marked(), "COM1 COM2 COM40");

    // Where the removal could not take everything, the numbers stay claimed.
    machine = [] {
        configured_machine();
        emu::comdb_install(true);
        database({3, 4});
        emu::reg_put_key(PARAMETERS + "\\Board1\\Serial3\\Settings");
    };
    run("/d", nullptr);
    EXPECT_EQ(marked(), "COM3 COM4");
}

TEST_F(ComDatabase, a_number_beyond_the_database_grows_it_in_steps_of_1024)
{
    machine = modern_machine;
    Outcome o = apply(TYPICAL + "[Numbering]\nFirstCOM = 99\n");
    EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
    auto value = emu::reg_get_value(ARBITER, "ComDB");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->data.size(), 32u);  // COM106 still fits in 256

    machine = [] {
        modern_machine();
        database({1, 2}, 8);  // 64 numbers
    };
    o = apply(TYPICAL + "[Numbering]\nFirstCOM = 60\n");
    EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
    value = emu::reg_get_value(ARBITER, "ComDB");
    EXPECT_EQ(value->data.size(), 1024u / 8);
    EXPECT_EQ(marked(), "COM1 COM2 COM60 COM61 COM62 COM63 COM64 COM65 COM66 COM67");
    size_t resizes = 0;
    for (const auto &call : emu::comdb_calls())
        resizes += call.call == "ComDBResizeDatabase" && call.number == 1024;
    EXPECT_EQ(resizes, 1u);
}

TEST_F(ComDatabase, a_failed_database_call_is_reported_as_the_writers_failures_and_exit_4)
{
    machine = [] {
        modern_machine();
        emu::comdb_inject("ComDBClaimPort", 1359, 2);  // ERROR_INTERNAL_ERROR on COM4
    };
    Outcome o = apply(TYPICAL);
    EXPECT_EQ(o.code, Z4_EXIT_WRITE_FAILED);
    EXPECT_EQ(o.out, "Error: COM port database, ComDBClaimPort = 1359, COM4\n");
    EXPECT_TRUE(emu::reg_has_key(PARAMETERS + "\\Board1\\Serial10"));
    EXPECT_EQ(marked(), "COM1 COM2 COM3 COM5 COM6 COM7 COM8 COM9 COM10");

    Outcome box = dialog([](emu::DialogUser &u) {
        u.type(203, "8");
        u.press(IDC_OK);
    });
    EXPECT_EQ(box.boxes, std::vector<std::string>{": Error: COM port database, ComDBClaimPort = 1359, COM4"});
}

TEST_F(ComDatabase, without_the_dll_everything_is_as_before)
{
    machine = [] {
        typical_machine();
        database({1, 2, 5});
    };
    Outcome nt4 = apply(TYPICAL);
    EXPECT_EQ(nt4.code, Z4_EXIT_DONE) << nt4.out;
    EXPECT_EQ(marked(), "COM1 COM2 COM5");
    EXPECT_TRUE(emu::comdb_calls().empty());
}

// What the database holds cannot be checked: a script is refused, a person asked.
TEST_F(ComDatabase, a_database_that_cannot_be_opened_or_read_is_asked_about_and_refused)
{
    const char *const reasons[][2] = {
        {"ComDBOpen", "ComDBOpen = 5"},
        {"ComDBGetCurrentPortUsage", "ComDBGetCurrentPortUsage = 5"},
    };
    for (const auto &reason : reasons) {
        std::string call = reason[0];
        machine = [call] {
            modern_machine();
            database({1, 2, 5});
            emu::comdb_inject(call, ERROR_ACCESS_DENIED);
        };
        const std::string text = std::string("The COM port database cannot be read (") + reason[1] +
                                 "): the numbers it holds for other devices cannot be checked.";
        for (const char *verb : {"/s ", "/n "}) {
            Outcome o = run(verb + file("boards.ini", TYPICAL), nullptr);
            EXPECT_EQ(o.code, Z4_EXIT_REFUSED) << verb << call;
            EXPECT_EQ(o.out, "CONFIGURATION WARNING: " + text + "\n") << verb << call;
            EXPECT_FALSE(emu::reg_has_key(Z4_SERVICE_KEY));
        }
        Outcome no = dialog([](emu::DialogUser &u) {
            u.type(boardZ4_control_id(0, COL_NUM_PORTS), "8");
            u.press(IDC_OK);
            u.press(IDC_CANCEL);
        });
        ASSERT_FALSE(no.boxes.empty());
        EXPECT_EQ(no.boxes[0], "CONFIGURATION WARNING: " + text + " Use these numbers anyway?");
        EXPECT_FALSE(emu::reg_has_key(Z4_SERVICE_KEY));
    }
}

// Yes writes; the claims the database then refuses are reported, and the look after the write
// adds nothing to that report.
TEST_F(ComDatabase, yes_to_an_unreadable_database_writes_and_reports_the_claims_it_could_not_make)
{
    machine = [] {
        modern_machine();
        emu::reg_put_sz("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter", "ComDB", "broken");
        emu::set_message_box_handler([](const emu::MessageBoxRecord &) { return IDYES; });
    };
    Outcome yes = dialog([](emu::DialogUser &u) {
        u.type(boardZ4_control_id(0, COL_NUM_PORTS), "8");
        u.press(IDC_OK);
    });
    EXPECT_EQ(yes.code, 0);
    ASSERT_EQ(yes.boxes.size(), 2u);
    EXPECT_EQ(yes.boxes[1], ": Error: COM port database, ComDBGetCurrentPortUsage = 2250");
    EXPECT_TRUE(emu::reg_has_key(Z4_PARAMETERS_KEY "\\Board1\\Serial10"));
}

}  // namespace
