// The dialog inside the whole run: the typical session from registry to registry, the ways
// out that write nothing, Help, and dialogs that cannot be run.
#include "test_support.h"
#include "config_dialog_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "reg_store.h"
#include "z4setup.h"

namespace {

const std::string DEVICE_MAP = Z4_DEVICE_MAP_KEY;
const std::string PORTS = Z4_PORTS_KEY;
const std::string SERVICE = Z4_SERVICE_KEY;
const std::string BOARD1 = std::string(Z4_PARAMETERS_KEY) + "\\Board1";
HINSTANCE const module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

DWORD dword(const std::string &key, const std::string &name)
{
    auto v = emu::reg_get_value(key, name);
    if (!v || v->type != REG_DWORD)
        return 0xBDBDBDBD;
    return emu::dword_of(v->data).value_or(0xBDBDBDBD);
}

std::string text(const std::string &key, const std::string &name)
{
    return emu::reg_text(key, name).value_or("<absent>");
}

bool wrote_anything()
{
    for (const auto &c : emu::reg_calls())
        if (emu::changes_registry(c))
            return true;
    return false;
}

}  // namespace

class DialogRun : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        // The machine of the typical run: COM1 and COM2, no configuration of this driver.
        emu::reg_put_sz(DEVICE_MAP, "Serial0", "COM1");
        emu::reg_put_sz(DEVICE_MAP, "Serial1", "COM2");
        emu::reg_put_sz(PORTS, "COM1:", "9600,n,8,1");
        emu::reg_put_sz(PORTS, "COM2:", "9600,n,8,1");
    }

    int run_tool(std::function<void(emu::DialogUser &)> user)
    {
        emu::set_dialog_user(std::move(user));
        emu::set_command_line("z4setup.exe");
        return runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
    }

    static bool traced(const std::string &line) { return emu::traced(line); }
};

TEST_F(DialogRun, the_typical_run_writes_board_1_with_eight_ports_from_com3)
{
    int code = run_tool([](emu::DialogUser &u) {
        EXPECT_EQ(u.text(200), "ISA");
        EXPECT_EQ(u.text(202), "308");
        EXPECT_EQ(u.text(201), "10");
        for (int s = 1; s < 4; ++s) {
            EXPECT_EQ(u.text(id(s, COL_BUS_TYPE)), "None");
            EXPECT_FALSE(u.enabled(id(s, COL_NUM_PORTS)));
        }
        EXPECT_EQ(u.text(IDC_DEVICE_SUFFIX), "3");
        EXPECT_EQ(u.text(IDC_LOGICAL_SUFFIX), "3");
        u.erase(203);
        u.type(203, "8");
        u.press(IDC_OK);
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(traced("Z4WndProc:after CONFIG ret:1 \n"));
    EXPECT_EQ(COMMaxNum, 2u);
    EXPECT_EQ(SerialMaxNum, 2u);

    EXPECT_EQ(dword(SERVICE, "ErrorControl"), 0u);
    EXPECT_EQ(text(SERVICE, "Group"), "Extended base");
    EXPECT_EQ(dword(SERVICE, "Start"), 2u);
    EXPECT_EQ(dword(SERVICE, "Type"), 1u);
    EXPECT_EQ(dword(BOARD1, "IOAddr"), 0x308u);
    EXPECT_EQ(dword(BOARD1, "Interrupt"), 10u);
    EXPECT_EQ(dword(BOARD1, "BusType"), 1u);
    std::vector<std::string> ports;
    for (int n = 3; n <= 10; ++n) {
        std::string key = BOARD1 + "\\Serial" + std::to_string(n);
        EXPECT_EQ(text(key, "DosDevices"), "COM" + std::to_string(n) + " ") << key;
        EXPECT_EQ(dword(key, "PortIndex"), static_cast<DWORD>(n - 3)) << key;
        EXPECT_EQ(text(PORTS, "COM" + std::to_string(n) + ":"), "9600,n,8,1");
        ports.push_back("Serial" + std::to_string(n));
    }
    auto subkeys = emu::reg_subkeys(BOARD1);
    std::sort(subkeys.begin(), subkeys.end());
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(subkeys, ports);
    EXPECT_EQ(emu::reg_subkeys(std::string(Z4_PARAMETERS_KEY)), std::vector<std::string>{"Board1"});
    // The dialog is gone, the main window closed.
    for (const auto &w : emu::windows())
        EXPECT_TRUE(w.destroyed) << w.class_name;
}

TEST_F(DialogRun, cancel_esc_and_the_close_box_end_with_0_and_write_nothing)
{
    const std::vector<std::function<void(emu::DialogUser &)>> ways = {
        [](emu::DialogUser &u) { u.press(IDC_CANCEL); },
        [](emu::DialogUser &u) { u.key_escape(); },
        [](emu::DialogUser &u) {
            u.type(203, "8");
            u.close_box();
        },
        [](emu::DialogUser &u) {  // Enter on Cancel reached by Tab clicks Cancel
            u.focus(IDC_OK);
            u.tab();
            EXPECT_TRUE(u.is_default_button(IDC_CANCEL));
            u.key_enter();
        },
    };
    for (size_t i = 0; i < ways.size(); ++i) {
        SetUp();
        std::string before = emu::reg_save_text({});
        EXPECT_EQ(run_tool(ways[i]), 0) << i;
        EXPECT_TRUE(traced("Z4WndProc:after CONFIG ret:0 \n")) << i;
        EXPECT_FALSE(wrote_anything()) << i;
        EXPECT_EQ(emu::reg_save_text({}), before) << i;
        EXPECT_TRUE(emu::message_boxes().empty()) << i;
    }
}

TEST_F(DialogRun, cancel_after_a_failed_ok_writes_nothing_either)
{
    std::string before = emu::reg_save_text({});
    EXPECT_EQ(run_tool([](emu::DialogUser &u) {
                  u.key_enter();  // 0 ports
                  EXPECT_TRUE(u.dialog_open());
                  u.key_escape();
              }),
              0);
    EXPECT_EQ(emu::message_boxes().size(), 1u);
    EXPECT_FALSE(wrote_anything());
    EXPECT_EQ(emu::reg_save_text({}), before);
}

// With a help file beside the exe (as a driver package may ship one) Help asks WinHelp for its
// contents; without one it shows the dialog's own help in a box the dialog owns, and asks no
// viewer for anything. Either way the dialog stays as it was.
TEST_F(DialogRun, help_opens_the_help_file_beside_the_exe_or_else_the_dialogs_own_help)
{
    char folder[] = "/tmp/z4help-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string exe = std::string(folder) + "/z4setup.exe", hlp = std::string(folder) + "/z4setup.hlp";
    for (bool shipped : {true, false}) {
        SCOPED_TRACE(shipped ? "z4setup.hlp beside the exe" : "no help file");
        DialogTest::SetUp();
        emu::set_module_path(exe);
        if (shipped)
            std::ofstream(hlp) << "?_\x03";
        else
            std::remove(hlp.c_str());
        HWND owner = nullptr;
        run_tool([&](emu::DialogUser &u) {
            owner = u.hwnd();
            std::string ports = u.text(203), irq = u.text(201);
            u.press(IDC_HELP);
            EXPECT_TRUE(u.dialog_open());
            EXPECT_EQ(u.text(203), ports);
            EXPECT_EQ(u.text(201), irq);
            u.press(IDC_CANCEL);
        });
        if (shipped) {
            ASSERT_EQ(emu::help_requests().size(), 1u);  // and nothing asks the viewer to close
            const emu::HelpRequest &h = emu::help_requests()[0];
            EXPECT_EQ(h.owner, owner);
            EXPECT_EQ(h.file, "z4setup.hlp");
            EXPECT_EQ(h.command, static_cast<UINT>(HELP_CONTENTS));
            EXPECT_EQ(h.data, 0u);
            EXPECT_TRUE(emu::message_boxes().empty());
        } else {
            EXPECT_TRUE(emu::help_requests().empty());
            ASSERT_EQ(emu::message_boxes().size(), 1u);
            const emu::MessageBoxRecord &box = emu::message_boxes()[0];
            EXPECT_EQ(box.owner, owner);
            EXPECT_EQ(box.caption, "Help");
            EXPECT_EQ(box.style, static_cast<UINT>(MB_OK));
            for (const char *word : {"Bus Type", "IRQ", "IO Addr", "Number of Ports", "Device Name Suffix",
                                     "Logical Name Suffix", "Ok checks", "z4setup /?", "read-me"})
                EXPECT_NE(box.text.find(word), std::string::npos) << word;
        }
    }
    std::remove(hlp.c_str());
    rmdir(folder);
}

TEST_F(DialogTest, a_dialog_its_user_leaves_open_is_destroyed_and_returns_minus_1)
{
    EXPECT_EQ(run([](emu::DialogUser &u) { u.type(203, "8"); }), -1);
    ASSERT_EQ(emu::dialog_failures().size(), 1u);
    EXPECT_NE(emu::dialog_failures()[0].find("still open"), std::string::npos);
    EXPECT_FALSE(emu::open_dialog().dialog_open());
    emu::ui_reset();

    emu::set_dialog_user(nullptr);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, Z4DlgProc, 0), -1);
    ASSERT_EQ(emu::dialog_failures().size(), 1u);
    EXPECT_NE(emu::dialog_failures()[0].find("no user"), std::string::npos);
    emu::ui_reset();

    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(4711), nullptr, Z4DlgProc, 0), -1);
    EXPECT_EQ(emu::dialog_failures().size(), 1u);
    emu::ui_reset();
}

TEST_F(DialogTest, an_owner_is_disabled_while_its_dialog_runs_and_active_again_after)
{
    HWND owner = nullptr;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Owner";
    ASSERT_TRUE(RegisterClassA(&wc));
    owner = CreateWindowExA(0, "Owner", "", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                            nullptr, nullptr);
    emu::set_dialog_user([&](emu::DialogUser &u) {
        EXPECT_FALSE(IsWindowEnabled(owner));
        u.key_escape();
    });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), owner, Z4DlgProc, 0), 0);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetFocus(), owner);
}
