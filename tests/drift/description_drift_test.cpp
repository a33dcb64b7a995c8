// What Ok leaves is described once: change the description and "/n", "/s" and the look after
// the write all change with it. A drift between the writer and the plan would show as "/s"
// failing its look after the write, or "/n" listing other changes than "/s" then makes.
#include <unistd.h>

#include <fstream>

#include "description_drift.h"
#include "new_process_test.h"
#include "plan_words.h"
#include "reg_store.h"
#include "registry_setup.h"
#include "test_support.h"
#include "z4setup_verbs.h"

namespace {

const std::string BOARD1 = std::string(Z4_PARAMETERS_KEY) + "\\Board1";

class Drift : public NewProcessTest {
protected:
    std::string file;

    void SetUp() override
    {
        NewProcessTest::SetUp();
        Z4Drift = Z4_DRIFT_NONE;
        file = "/tmp/z4drift-" + std::to_string(getpid()) + ".ini";
        std::ofstream(file) << "[Board1]\nBusType = ISA\nIOAddr = 310\nInterrupt = 5\nPorts = 8\n";
        emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial0", "COM1");
        emu::reg_put_sz(Z4_PORTS_KEY, "COM1:", "9600,n,8,1");
        emu::reg_put_key(Z4_SERVICES_KEY);
    }
    void TearDown() override
    {
        Z4Drift = Z4_DRIFT_NONE;
        std::remove(file.c_str());
        EXPECT_EQ(emu::reg_open_handle_count(), 0);
    }

    // The tool once more on the registry as it stands, as a new process.
    int run(const std::string &verb, std::string *out = nullptr)
    {
        emu::ui_reset();
        resetZ4_process();
        emu::set_command_line("z4setup.com " + verb + " " + file);
        ::testing::internal::CaptureStdout();
        HINSTANCE module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
        int code = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT, true);
        std::string printed = ::testing::internal::GetCapturedStdout();
        if (out)
            *out = printed;
        return code;
    }

    // Under `drift`: "/n" lists changes, "/s" makes exactly those and passes its look after the
    // write, and "/n" then finds nothing; returns what "/n" listed.
    std::set<std::string> follows(DescriptionDrift drift)
    {
        Z4Drift = drift;
        emu::PlanPicture before = emu::plan_picture();
        std::string listed;
        EXPECT_EQ(run("/n", &listed), Z4_EXIT_CHANGES) << listed;
        std::string applied;
        EXPECT_EQ(run("/s", &applied), Z4_EXIT_DONE) << applied;
        std::set<std::string> made = emu::plan_difference(before, emu::plan_picture());
        EXPECT_EQ(emu::plan_items(listed), made) << listed;
        EXPECT_EQ(run("/n"), Z4_EXIT_DONE);
        return made;
    }
};

TEST_F(Drift, the_writer_the_plan_and_the_look_after_the_write_follow_one_description)
{
    ASSERT_EQ(run("/s"), Z4_EXIT_DONE);
    ASSERT_EQ(run("/n"), Z4_EXIT_DONE);
    std::string board1 = BOARD1;
    for (char &c : board1)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    EXPECT_EQ(follows(Z4_DRIFT_BOARD_VALUE), std::set<std::string>{"set " + board1 + " interrupt"});
    EXPECT_EQ(emu::reg_get_value(BOARD1, "Interrupt")->data, emu::bytes(std::string("\x06\0\0\0", 4)));

    // Back to the description as it is: the board's value goes back, and nothing else changes.
    EXPECT_EQ(follows(Z4_DRIFT_NONE), std::set<std::string>{"set " + board1 + " interrupt"});

    std::set<std::string> renamed = follows(Z4_DRIFT_PORT_NAME);
    EXPECT_EQ(renamed.size(), 4u * 8u);  // each port: the old key out, the new one in with two values
    EXPECT_TRUE(renamed.count("create key " + board1 + "\\serial02"));
    EXPECT_TRUE(renamed.count("delete key " + board1 + "\\serial2"));
    EXPECT_TRUE(emu::reg_has_key(BOARD1 + "\\Serial08"));
    EXPECT_FALSE(emu::reg_has_key(BOARD1 + "\\Serial8"));
    follows(Z4_DRIFT_NONE);

    // A start mode set by hand is kept; under the drifted rule it is not, by both.
    emu::reg_put_dword(Z4_SERVICE_KEY, "Start", 4);
    Z4Drift = Z4_DRIFT_NONE;
    EXPECT_EQ(run("/n"), Z4_EXIT_DONE);
    std::string service = Z4_SERVICE_KEY;
    for (char &c : service)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(follows(Z4_DRIFT_START_RULE), std::set<std::string>{"set " + service + " start"});
    EXPECT_EQ(emu::reg_get_value(Z4_SERVICE_KEY, "Start")->data, emu::bytes(std::string("\x02\0\0\0", 4)));
}

}  // namespace
