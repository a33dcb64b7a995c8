// Start-up: the removal switch, the main window, the run sequence and the exit codes.
#include <gtest/gtest.h>

#include <string>

#include "board_model.h"
#include "new_process_test.h"
#include "config_dialog.h"
#include "registry_setup.h"
#include "reg_file.h"
#include "registry_faults.h"
#include "ui_record.h"
#include "window_record.h"
#include "reg_store.h"
#include "z4setup.h"

namespace {

// The module handle WinMain gets; the emulation knows it carries no resources but the dialog.
HINSTANCE const module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

class StartUp : public NewProcessTest {
protected:
    // Runs the whole process with the given command line; the dialog ends with `end_code`.
    int run(const std::string &command_line, INT_PTR end_code = 0)
    {
        emu::set_dialog_stand_in([&, end_code](const emu::DialogCall &) {
            calls_before_dialog = emu::reg_calls().size();
            return end_code;
        });
        emu::set_command_line(command_line);
        return runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
    }

    bool removal_ran() const
    {
        for (const auto &c : emu::reg_calls())
            if (c.op == "RegDeleteKeyA")
                return true;
        return false;
    }

    size_t calls_before_dialog = 0;
};

}  // namespace

TEST(ArgumentText, follows_the_program_name_and_every_character_below_33)
{
    EXPECT_STREQ(argumentZ4_text("z4setup.exe /d"), "/d");
    EXPECT_STREQ(argumentZ4_text("z4setup.exe \t \x01/D x"), "/D x");
    EXPECT_STREQ(argumentZ4_text("\"C:\\Program Files\\z4setup.exe\"/d"), "/d");
    EXPECT_STREQ(argumentZ4_text("\"C:\\Program Files\\z4setup.exe\"  -d"), "-d");
    EXPECT_STREQ(argumentZ4_text("z4setup.exe"), "");
    EXPECT_STREQ(argumentZ4_text("\"unterminated /d"), "");
    EXPECT_STREQ(argumentZ4_text(""), "");
    // Characters above 127 are text, not blanks, even where char is signed.
    EXPECT_STREQ(argumentZ4_text("z4setup.exe \xe9/d"), "\xe9/d");
}

TEST(ArgumentText, only_the_first_two_characters_select_removal)
{
    EXPECT_TRUE(isZ4_removal("/d"));
    EXPECT_TRUE(isZ4_removal("/D"));
    EXPECT_TRUE(isZ4_removal("/delete"));
    EXPECT_TRUE(isZ4_removal("/Dx y"));
    EXPECT_FALSE(isZ4_removal("-d"));
    EXPECT_FALSE(isZ4_removal("d"));
    EXPECT_FALSE(isZ4_removal("/"));
    EXPECT_FALSE(isZ4_removal(""));
    EXPECT_FALSE(isZ4_removal("/e"));
    EXPECT_FALSE(isZ4_removal(" /d"));
}

TEST_F(StartUp, removal_switch_removes_without_a_window_and_exits_with_1)
{
    for (const char *line : {"z4setup.exe /d", "z4setup.exe /D", "z4setup.exe    /delete",
                             "\"C:\\z 4\\z4setup.exe\"/D"}) {
        SetUp();
        emu::reg_put_dword(Z4_PARAMETERS_KEY "\\Board1", "BusType", 1);
        EXPECT_EQ(run(line), 1) << line;
        EXPECT_FALSE(emu::reg_has_key(Z4_SERVICE_KEY)) << line;
        EXPECT_TRUE(emu::windows().empty()) << line;
        EXPECT_TRUE(emu::window_classes().empty()) << line;
        EXPECT_TRUE(emu::dialog_calls().empty()) << line;
        EXPECT_TRUE(removal_ran()) << line;
    }
}

TEST_F(StartUp, other_arguments_open_the_dialog_once_and_exit_with_0)
{
    for (const char *line : {"z4setup.exe", "z4setup.exe -d", "z4setup.exe d", "z4setup.exe /x"}) {
        SetUp();
        EXPECT_EQ(run(line), 0) << line;
        ASSERT_EQ(emu::dialog_calls().size(), 1u) << line;
        EXPECT_FALSE(removal_ran()) << line;
    }
}

TEST_F(StartUp, main_window_class_and_window_are_as_the_shell_registers_them)
{
    run("z4setup.exe", 0);
    auto classes = emu::window_classes();
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ(classes[0].name, "Z4WndClass");
    EXPECT_EQ(classes[0].style, 0x83u);
    EXPECT_EQ(classes[0].cls_extra, 0);
    EXPECT_EQ(classes[0].wnd_extra, 0);
    EXPECT_EQ(classes[0].icon, nullptr);  // the module carries no icon of its own
    EXPECT_NE(classes[0].cursor, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(classes[0].background), 6u);
    EXPECT_EQ(classes[0].menu, nullptr);

    auto windows = emu::windows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].class_name, "Z4WndClass");
    EXPECT_EQ(windows[0].title, "Korvana Zentrix IV Configuration");
    EXPECT_EQ(windows[0].style, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(windows[0].ex_style, 0u);
    EXPECT_EQ(windows[0].x, CW_USEDEFAULT);
    EXPECT_EQ(windows[0].y, CW_USEDEFAULT);
    EXPECT_EQ(windows[0].width, CW_USEDEFAULT);
    EXPECT_EQ(windows[0].height, CW_USEDEFAULT);
    EXPECT_EQ(windows[0].parent, nullptr);
    EXPECT_EQ(windows[0].show_state, SW_SHOWDEFAULT);
    EXPECT_TRUE(windows[0].destroyed);

    ASSERT_EQ(emu::dialog_calls().size(), 1u);
    const auto &d = emu::dialog_calls()[0];
    EXPECT_EQ(d.owner, windows[0].hwnd);
    EXPECT_EQ(d.template_id, IDD_CONFIG);
    EXPECT_EQ(d.proc, &Z4DlgProc);
    EXPECT_EQ(d.param, 0);
}

TEST_F(StartUp, the_show_state_given_at_entry_reaches_the_first_showing)
{
    emu::set_dialog_stand_in([](const emu::DialogCall &) { return INT_PTR(0); });
    EXPECT_EQ(runZ4_arguments(module, "z4setup.exe", SW_SHOWNORMAL), 0);
    ASSERT_EQ(emu::windows().size(), 1u);
    EXPECT_EQ(emu::windows()[0].show_state, SW_SHOWNORMAL);
}

TEST_F(StartUp, scan_and_reader_run_inside_window_creation_and_the_dialog_only_from_the_loop)
{
    // The dialog stand-in sees the window already shown: the command was posted, not sent.
    int shown_at_dialog = -2;
    emu::set_dialog_stand_in([&](const emu::DialogCall &call) {
        for (const auto &w : emu::windows())
            if (w.hwnd == call.owner)
                shown_at_dialog = w.show_state;
        calls_before_dialog = emu::reg_calls().size();
        return INT_PTR(0);
    });
    EXPECT_EQ(runZ4_arguments(module, "z4setup.exe", SW_SHOWDEFAULT), 0);
    EXPECT_EQ(shown_at_dialog, SW_SHOWDEFAULT);

    const auto &calls = emu::reg_calls();
    ASSERT_GE(calls.size(), 3u);
    // The scan opens the resource map first, then the device map; the reader the Parameters key.
    EXPECT_EQ(calls[0].op, "RegOpenKeyExA");
    EXPECT_EQ(calls[0].key, Z4_RESOURCE_MAP_KEY);
    size_t device_map = 0, parameters = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].op == "RegOpenKeyExA" && calls[i].key == Z4_DEVICE_MAP_KEY && !device_map)
            device_map = i;
        if (calls[i].op == "RegOpenKeyExA" && calls[i].key == Z4_PARAMETERS_KEY && !parameters)
            parameters = i;
    }
    EXPECT_GT(device_map, 0u);
    EXPECT_GT(parameters, device_map);
    EXPECT_EQ(calls_before_dialog, calls.size()) << "nothing touches the registry after Cancel";
}

TEST_F(StartUp, ok_deletes_the_old_boards_before_the_writer_and_then_closes)
{
    CurrentZ4config[0].NumPorts = 0;
    EXPECT_EQ(run("z4setup.exe", 1), 0);
    const auto &calls = emu::reg_calls();
    ASSERT_GT(calls.size(), calls_before_dialog);
    // First thing after the dialog: the board deletion opens Parameters; then the writer the Ports key.
    EXPECT_EQ(calls[calls_before_dialog].op, "RegOpenKeyExA");
    EXPECT_EQ(calls[calls_before_dialog].key, Z4_PARAMETERS_KEY);
    size_t ports = 0;
    for (size_t i = calls_before_dialog; i < calls.size(); ++i)
        if (calls[i].key == Z4_PORTS_KEY) {
            ports = i;
            break;
        }
    EXPECT_GT(ports, calls_before_dialog);
    EXPECT_TRUE(emu::reg_has_key(Z4_SERVICE_KEY));
    EXPECT_TRUE(emu::windows()[0].destroyed);
    EXPECT_EQ(emu::reg_open_handle_count(), 0);
}

TEST_F(StartUp, cancel_or_a_failed_dialog_writes_nothing_and_still_exits_with_0)
{
    emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial0", "COM1");
    for (INT_PTR end : {INT_PTR(0), INT_PTR(-1), INT_PTR(2)}) {
        SetUp();
        emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial0", "COM1");
        std::string before = emu::reg_save_text({});
        EXPECT_EQ(run("z4setup.exe", end), 0) << end;
        EXPECT_EQ(emu::reg_save_text({}), before) << end;
        EXPECT_FALSE(emu::reg_has_key(Z4_SERVICE_KEY)) << end;
        for (const auto &c : emu::reg_calls())
            EXPECT_TRUE(c.op != "RegSetValueExA" && c.op != "RegCreateKeyExA" &&
                        c.op != "RegDeleteKeyA")
                << c.op << " " << c.key;
        EXPECT_EQ(emu::debug_output().back(), "Z4WndProc:DESTROY \n");
    }
}

TEST_F(StartUp, the_end_code_and_the_destruction_are_traced)
{
    run("z4setup.exe", 0);
    const auto &t = emu::debug_output();
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[t.size() - 2], "Z4WndProc:after CONFIG ret:0 \n");
    EXPECT_EQ(t.back(), "Z4WndProc:DESTROY \n");
}

TEST_F(StartUp, a_window_that_cannot_be_made_ends_the_process_with_0_and_no_message)
{
    emu::fail_register_class(true);
    EXPECT_EQ(run("z4setup.exe"), 0);
    EXPECT_TRUE(emu::windows().empty());
    SetUp();
    emu::fail_create_window(true);
    EXPECT_EQ(run("z4setup.exe"), 0);
    EXPECT_TRUE(emu::dialog_calls().empty());
    EXPECT_TRUE(emu::message_boxes().empty());
    EXPECT_TRUE(emu::reg_calls().empty()) << "the scan runs only inside window creation";
}

TEST_F(StartUp, main_window_procedure_answers_commands_and_leaves_the_rest_to_the_default)
{
    emu::set_dialog_stand_in([](const emu::DialogCall &) { return INT_PTR(0); });
    EXPECT_EQ(Z4WndProc(nullptr, WM_COMMAND, 12345, 0), 0);
    EXPECT_EQ(Z4WndProc(nullptr, WM_COMMAND, MAKEWPARAM(IDM_CONFIG, 1), 0), 1)
        << "a configure command that did not end with Ok answers 1";
    emu::set_dialog_stand_in([](const emu::DialogCall &) { return INT_PTR(1); });
    EXPECT_EQ(Z4WndProc(nullptr, WM_COMMAND, IDM_CONFIG, 0), 0);
}
