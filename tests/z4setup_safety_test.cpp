// What keeps a machine as it was: numbers another driver's port already has are only written
// when the user says so, and only one z4setup runs at a time.
#include "new_process_test.h"

#include <unistd.h>

#include <fstream>
#include <functional>

#include "board_model.h"
#include "config_dialog_ids.h"
#include "dialog_user.h"
#include "reg_file.h"
#include "reg_store.h"
#include "test_support.h"
#include "window_record.h"
#include "z4setup_verbs.h"

namespace {

HINSTANCE const module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
const std::string BOARD1 = std::string(Z4_PARAMETERS_KEY) + "\\Board1";

class Safety : public NewProcessTest {
protected:
    std::vector<emu::MessageBoxRecord> boxes;
    std::vector<int> answers;  // given to the boxes in turn; IDOK when none is left
    std::vector<int> focus_after_box;

    void SetUp() override
    {
        NewProcessTest::SetUp();
        emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial0", "COM1");
        emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial1", "COM2");
        emu::reg_put_key(Z4_PORTS_KEY);
        emu::reg_put_key(Z4_SERVICES_KEY);
        emu::set_message_box_handler([this](const emu::MessageBoxRecord &box) {
            boxes.push_back(box);
            if (answers.empty())
                return IDOK;
            int answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        });
    }

    int run(const std::string &arguments, std::function<void(emu::DialogUser &)> user = nullptr,
            std::string *out = nullptr)
    {
        emu::set_dialog_user(std::move(user));
        emu::set_command_line("z4setup.exe " + arguments);
        ::testing::internal::CaptureStdout();
        int code = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
        std::string printed = ::testing::internal::GetCapturedStdout();
        if (out)
            *out = printed;
        return code;
    }

    std::string board_file(const std::string &text)
    {
        std::string path = "/tmp/z4safety-" + std::to_string(getpid()) + ".ini";
        std::ofstream(path) << text;
        return path;
    }

    static void retype(emu::DialogUser &u, int id, const std::string &text)
    {
        u.erase(id);
        u.type(id, text);
    }
};

TEST_F(Safety, a_typed_com_suffix_another_driver_has_asks_and_no_goes_back_to_it)
{
    answers = {IDNO, IDYES};
    int code = run("", [this](emu::DialogUser &u) {
        retype(u, 203, "8");
        retype(u, IDC_LOGICAL_SUFFIX, "1");
        u.press(IDC_OK);
        EXPECT_TRUE(u.dialog_open());
        EXPECT_EQ(u.focused(), IDC_LOGICAL_SUFFIX);
        EXPECT_FALSE(emu::reg_has_key(Z4_SERVICE_KEY));
        u.press(IDC_OK);
    });
    EXPECT_EQ(code, 0);
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto &box : boxes) {
        EXPECT_EQ(box.caption, "CONFIGURATION WARNING");
        EXPECT_EQ(box.text, "COM1 is already used by Serial0. Use these numbers anyway?");
        EXPECT_EQ(box.style, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
        EXPECT_NE(box.owner, nullptr);
    }
    // Yes writes the numbers as typed.
    EXPECT_EQ(emu::reg_text(BOARD1 + "\\Serial3", "DosDevices"), "COM1 ");
}

TEST_F(Safety, a_typed_device_suffix_another_driver_has_names_its_port)
{
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial9", "COM12");
    answers = {IDNO};
    run("", [](emu::DialogUser &u) {
        retype(u, 203, "8");
        retype(u, IDC_DEVICE_SUFFIX, "5");  // Serial5 to Serial12 on COM3 to COM10
        u.press(IDC_OK);
        EXPECT_EQ(u.focused(), IDC_DEVICE_SUFFIX);
        u.press(IDC_CANCEL);
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Serial9 is already used by COM12. Use these numbers anyway?");
    EXPECT_TRUE(emu::calls_of("RegCreateKeyExA").empty());
}

TEST_F(Safety, the_first_port_that_collides_is_named_its_com_number_before_its_device)
{
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial6", "COM40");
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial44", "COM8");
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Modem7", "COM7");
    CurrentZ4config[0] = {BUS_ISA, 0x308, 10, 8, 1};
    SerialMaxNum = 2;  // Serial3 to Serial10
    COMMaxNum = 4;     // COM5 to COM12
    Z4Collision c;
    ASSERT_TRUE(findZ4_collision(&c));
    EXPECT_TRUE(c.isCom);  // port 2: COM7 (Modem7); port 3: Serial6 and COM8
    EXPECT_STREQ(c.text, "COM7 is already used by Modem7.");
    emu::reg_remove_value(Z4_DEVICE_MAP_KEY, "Modem7");
    ASSERT_TRUE(findZ4_collision(&c));
    EXPECT_TRUE(c.isCom);
    EXPECT_STREQ(c.text, "COM8 is already used by Serial44.");
    emu::reg_remove_value(Z4_DEVICE_MAP_KEY, "Serial44");
    ASSERT_TRUE(findZ4_collision(&c));
    EXPECT_FALSE(c.isCom);
    EXPECT_STREQ(c.text, "Serial6 is already used by COM40.");
    EXPECT_EQ(emu::reg_open_handle_count(), 0);
}

TEST_F(Safety, the_drivers_own_loaded_ports_give_no_warning_and_an_unreadable_map_is_asked_about)
{
    // The driver as loaded owns Serial2 and Serial3 on COM3 and COM4: they are being replaced.
    for (const char *name : {"\\Device\\Serial2.a", "\\Device\\Serial2.b", "\\Device\\Serial3.a",
                             "\\Device\\Serial3.b"})
        emu::reg_put_value(Z4_RESOURCE_MAP_KEY, name, REG_BINARY, {1});
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial2", "COM3");
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial3", "COM4");
    int code = run("", [](emu::DialogUser &u) {
        EXPECT_EQ(u.text(IDC_DEVICE_SUFFIX), "2");
        EXPECT_EQ(u.text(IDC_LOGICAL_SUFFIX), "3");
        retype(u, 203, "8");
        u.press(IDC_OK);
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(emu::reg_has_key(BOARD1 + "\\Serial2"));

    // A collision the check cannot see: the device map refuses it its second opening. That is
    // no "nothing in use": the person is asked, and decides.
    for (int answer : {IDNO, IDYES}) {
        SetUp();
        boxes.clear();
        answers = {answer};
        emu::reg_inject("RegOpenKeyExA", Z4_DEVICE_MAP_KEY, "", ERROR_ACCESS_DENIED, 2);
        run("", [](emu::DialogUser &u) {
            retype(u, 203, "8");
            retype(u, IDC_LOGICAL_SUFFIX, "1");
            u.press(IDC_OK);
            if (u.dialog_open())
                u.press(IDC_CANCEL);
        });
        ASSERT_GE(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "The device map cannot be read (RegOpenKeyEx = 5): the numbers other "
                                 "drivers' ports use cannot be checked. Use these numbers anyway?");
        for (size_t b = 1; b < boxes.size(); ++b)
            ADD_FAILURE() << boxes[b].caption << ": " << boxes[b].text;
        EXPECT_EQ(emu::reg_has_key(BOARD1 + "\\Serial3"), answer == IDYES);
    }
    // Without a window it is refused, as any collision.
    SetUp();
    emu::reg_inject("RegQueryInfoKeyA", Z4_DEVICE_MAP_KEY, "", ERROR_ACCESS_DENIED);
    std::string out;
    EXPECT_EQ(run("/s " + board_file("[Board1]\nBusType=ISA\nPorts=8\n"), nullptr, &out), Z4_EXIT_REFUSED);
    EXPECT_EQ(out, "CONFIGURATION WARNING: The device map cannot be read (RegQueryInfoKey = 5): the "
                   "numbers other drivers' ports use cannot be checked.\n");
}

TEST_F(Safety, a_board_file_that_collides_is_refused_without_the_question)
{
    std::string out;
    int code = run("/s " + board_file("[Board1]\nBusType=ISA\nPorts=8\n[Numbering]\nFirstDevice=1\n"),
                   nullptr, &out);
    EXPECT_EQ(code, Z4_EXIT_REFUSED);
    EXPECT_EQ(out, "CONFIGURATION WARNING: Serial1 is already used by COM2.\n");
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(emu::calls_of("RegCreateKeyExA").empty());
}

// Where the system names its ports "\Device\Serial<n>", a device number above the COM numbers
// in use is seen too: the first suggestion passes it, and typing onto it is refused.
TEST_F(Safety, device_numbers_of_windows_2000_names_are_passed_over_and_warned_of)
{
    emu::reg_remove_key(Z4_DEVICE_MAP_KEY);
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "\\Device\\Serial0", "COM1");
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "\\Device\\Serial7", "COM2");
    std::string out;
    EXPECT_EQ(run("/s " + board_file("[Board1]\nBusType=ISA\nPorts=8\n"), nullptr, &out), 0);
    EXPECT_EQ(out, "Board1: ISA, Interrupt 10, IOAddr 308, Ports 8: Serial8-Serial15, COM8-COM15\n");

    NewProcessTest::SetUp();
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "\\Device\\Serial0", "COM1");
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "\\Device\\Serial7", "COM2");
    emu::reg_put_key(Z4_SERVICES_KEY);
    EXPECT_EQ(run("/s " + board_file("[Board1]\nBusType=ISA\nPorts=8\n[Numbering]\nFirstDevice=0\n"),
                  nullptr, &out),
              Z4_EXIT_REFUSED);
    EXPECT_EQ(out, "CONFIGURATION WARNING: Serial0 is already used by COM1.\n");
}

TEST_F(Safety, the_report_says_when_ok_would_ask_first)
{
    emu::reg_put_dword(BOARD1, "BusType", 1);
    emu::reg_put_dword(BOARD1 + "\\Serial1", "PortIndex", 3);
    emu::reg_put_value(BOARD1 + "\\Serial1", "DosDevices", REG_SZ, emu::bytes("COM2 "));
    std::string out;
    EXPECT_EQ(run("/r", nullptr, &out), 0);
    EXPECT_NE(out.find("\n; pressing Ok now asks first, and /s refuses: COM2 is already used by "
                       "Serial1.\n"),
              std::string::npos)
        << out;
}

TEST_F(Safety, a_run_holds_the_tools_mutex_throughout_and_lets_it_go_at_the_end)
{
    run("", [](emu::DialogUser &u) {
        EXPECT_EQ(emu::open_mutex_handles(), 1);
        u.press(IDC_CANCEL);
    });
    EXPECT_EQ(emu::mutexes_created(), std::vector<std::string>{"Global\\Z4SetupRunning"});
    EXPECT_EQ(emu::open_mutex_handles(), 0);

    // Windows NT 4.0 refuses a name with a backslash: the plain name serves there.
    SetUp();
    emu::reject_global_names(true);
    run("/r");
    EXPECT_EQ(emu::mutexes_created(),
              (std::vector<std::string>{"Global\\Z4SetupRunning", "Z4SetupRunning"}));
    EXPECT_EQ(emu::open_mutex_handles(), 0);
}

TEST_F(Safety, a_second_instance_touches_nothing_a_box_for_the_dialog_a_line_and_5_otherwise)
{
    emu::hold_mutex("Global\\Z4SetupRunning");
    EXPECT_EQ(run(""), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Another z4setup is running.");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(emu::windows().empty());

    for (const std::string args : {"/s " + board_file("[Board1]\nBusType=ISA\nPorts=8\n"),
                                   std::string("/r"), std::string("/d")}) {
        std::string out;
        EXPECT_EQ(run(args, nullptr, &out), Z4_EXIT_RUNNING) << args;
        EXPECT_EQ(out, "Another z4setup is running.\n") << args;
    }
    EXPECT_TRUE(emu::reg_calls().empty());
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(emu::open_mutex_handles(), 0);

    // The usage needs no registry and no mutex.
    EXPECT_EQ(run("/?"), 0);
    EXPECT_EQ(boxes.size(), 2u);

    // Under NT 4.0's plain name, the holder is seen all the same.
    SetUp();
    emu::reject_global_names(true);
    emu::hold_mutex("z4setuprunning");
    EXPECT_EQ(run("/r"), Z4_EXIT_RUNNING);
}

}  // namespace
