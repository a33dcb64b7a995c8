// Ok: the controls read back, the first error in a box owned by the dialog with the focus
// then on the control to mend, and the numbers handed to the writer.
#include "config_dialog_fixture.h"

namespace {

const char PORTS_MESSAGE[] = "ERROR: Number of Ports is out of legal range for board ";
const char LOGICAL_MESSAGE[] = "ERROR: Logical name suffix is out of legal range";
const char DEVICE_MESSAGE[] = "ERROR: Device name suffix is out of legal range";

// What one Ok showed: the box texts, and where the focus went after them.
struct Outcome {
    bool stayed_open = false;
    std::vector<std::string> texts;
    int focus = 0;
};

}  // namespace

class Validation : public DialogTest {
protected:
    // Opens the dialog, lets `enter` fill it in, presses Ok once and cancels if it stayed open.
    Outcome ok_once(std::function<void(emu::DialogUser &)> enter)
    {
        Outcome o;
        INT_PTR end = run([&](emu::DialogUser &u) {
            enter(u);
            u.press(IDC_OK);
            o.stayed_open = u.dialog_open();
            for (const auto &b : u.boxes()) {
                EXPECT_EQ(b.owner, u.hwnd());
                EXPECT_EQ(b.caption, "CONFIGURATION ERROR");
                EXPECT_EQ(b.style, static_cast<UINT>(MB_OK));
                o.texts.push_back(b.text);
            }
            o.focus = u.focused();
            if (o.stayed_open)
                u.press(IDC_CANCEL);
        });
        EXPECT_EQ(end, o.stayed_open ? 0 : 1);
        return o;
    }

    static void ports(emu::DialogUser &u, int slot, const std::string &count)
    {
        u.erase(id(slot, COL_NUM_PORTS));
        u.type(id(slot, COL_NUM_PORTS), count);
    }
    static void suffix(emu::DialogUser &u, int control, const std::string &value)
    {
        u.erase(control);
        u.type(control, value);
    }
};

TEST_F(Validation, port_counts_pass_only_at_4_and_multiples_of_8_up_to_64)
{
    // The count is read as the system reads a number: what follows the digits is ignored.
    for (auto [entered, count] : {std::pair{"4", 4u}, {"8", 8u}, {"16", 16u}, {"24", 24u},
                                  {"32", 32u}, {"40", 40u}, {"48", 48u}, {"56", 56u}, {"64", 64u},
                                  {"8a", 8u}, {" 16", 16u}, {"+4", 4u}, {"24 7", 24u}}) {
        SetUp();
        Outcome o = ok_once([&](emu::DialogUser &u) { ports(u, 0, entered); });
        EXPECT_FALSE(o.stayed_open) << entered;
        EXPECT_EQ(CurrentZ4config[0].NumPorts, count) << entered;
        EXPECT_EQ(CurrentZ4config[0].Enabled, 1u) << entered;
    }
    for (const char *bad : {"0", "3", "5", "12", "20", "65", "72", "", "a8", "4294967300", "-8"}) {
        SetUp();
        Outcome o = ok_once([&](emu::DialogUser &u) { ports(u, 0, bad); });
        EXPECT_TRUE(o.stayed_open) << bad;
        EXPECT_EQ(o.texts, std::vector<std::string>{std::string(PORTS_MESSAGE) + "1"}) << bad;
        EXPECT_EQ(o.focus, 203) << bad;
    }
}

TEST_F(Validation, a_pci_slot_needs_a_legal_port_count_and_a_none_slot_is_never_tested)
{
    CurrentZ4config[2] = {BUS_PCI, 0, 0, 0, 1};
    CurrentZ4config[3] = {BUS_NONE, 0x320, 10, 5, 1};  // shown empty and disabled
    Outcome o = ok_once([&](emu::DialogUser &u) { ports(u, 0, "8"); });
    EXPECT_EQ(o.texts, std::vector<std::string>{std::string(PORTS_MESSAGE) + "3"});
    EXPECT_EQ(o.focus, 223);

    SetUp();
    CurrentZ4config[2] = {BUS_PCI, 0x300, 7, 16, 0};
    CurrentZ4config[3] = {BUS_NONE, 0x320, 10, 5, 1};
    o = ok_once([&](emu::DialogUser &u) { ports(u, 0, "8"); });
    EXPECT_FALSE(o.stayed_open);
    const BoardConfig &pci = CurrentZ4config[2], &none = CurrentZ4config[3];
    EXPECT_EQ(pci.BusType, BUS_PCI);
    EXPECT_EQ(pci.IOAddr, 0u);
    EXPECT_EQ(pci.Interrupt, 0u);
    EXPECT_EQ(pci.NumPorts, 16u);
    EXPECT_EQ(pci.Enabled, 1u);
    EXPECT_EQ(none.BusType + none.IOAddr + none.Interrupt + none.NumPorts + none.Enabled, 0u);
}

TEST_F(Validation, logical_suffix_must_be_1_to_99_and_gives_com_max_one_below)
{
    for (auto [entered, com] :
         {std::pair{"1", 0u}, {"99", 98u}, {" 7", 6u}, {" 3", 2u}, {"5x", 4u}}) {
        SetUp();
        Outcome o = ok_once([&](emu::DialogUser &u) {
            ports(u, 0, "8");
            suffix(u, IDC_LOGICAL_SUFFIX, entered);
        });
        EXPECT_FALSE(o.stayed_open) << entered;
        EXPECT_EQ(COMMaxNum, com) << entered;
    }
    // "-1" and "4294967295" both read as 4294967295, which is -1 as signed.
    for (const char *bad : {"0", "100", "", "-1", "4294967295", "x5"}) {
        SetUp();
        Outcome o = ok_once([&](emu::DialogUser &u) {
            ports(u, 0, "8");
            suffix(u, IDC_LOGICAL_SUFFIX, bad);
        });
        EXPECT_EQ(o.texts, std::vector<std::string>{LOGICAL_MESSAGE}) << bad;
        EXPECT_EQ(o.focus, IDC_LOGICAL_SUFFIX) << bad;
    }
}

TEST_F(Validation, device_suffix_may_be_0_or_empty_which_wraps_serial_max_below_zero)
{
    for (auto [entered, serial] : {std::pair{"0", 0xFFFFFFFFu}, {"", 0xFFFFFFFFu}, {"99", 98u},
                                   {"7abc", 6u}}) {
        SetUp();
        Outcome o = ok_once([&](emu::DialogUser &u) {
            ports(u, 0, "8");
            suffix(u, IDC_DEVICE_SUFFIX, entered);
        });
        EXPECT_FALSE(o.stayed_open) << entered;
        EXPECT_EQ(SerialMaxNum, serial) << entered;
    }
    // "-1" reads as 4294967295: -1 as signed, below the range.
    for (const char *bad : {"100", "-1", "4294967295"}) {
        SetUp();
        Outcome o = ok_once([&](emu::DialogUser &u) {
            ports(u, 0, "8");
            suffix(u, IDC_LOGICAL_SUFFIX, "5");
            suffix(u, IDC_DEVICE_SUFFIX, bad);
        });
        EXPECT_EQ(o.texts, std::vector<std::string>{DEVICE_MESSAGE}) << bad;
        EXPECT_EQ(o.focus, IDC_DEVICE_SUFFIX) << bad;
        EXPECT_EQ(COMMaxNum, 4u) << bad;  // set before the failing check, not rolled back
    }
}

TEST_F(Validation, only_the_first_error_is_shown)
{
    CurrentZ4config[1] = {BUS_ISA, 0x308, 10, 12, 1};  // also conflicts with board 1
    Outcome o = ok_once([&](emu::DialogUser &u) {
        ports(u, 0, "8");
        suffix(u, IDC_LOGICAL_SUFFIX, "0");
    });
    EXPECT_EQ(o.texts, std::vector<std::string>{std::string(PORTS_MESSAGE) + "2"});
    EXPECT_EQ(o.focus, 213);
    EXPECT_EQ(CurrentZ4config[0].Enabled, 1u);  // slot 1 was read and passed before
}

TEST_F(Validation, two_isa_boards_at_one_address_name_the_lower_first_and_focus_the_higher)
{
    CurrentZ4config[2] = {BUS_ISA, 0x308, 10, 8, 1};
    Outcome o = ok_once([&](emu::DialogUser &u) { ports(u, 0, "8"); });
    EXPECT_EQ(o.texts, std::vector<std::string>{"ERROR: IOAddr:0x308 Board 1 conflicts with Board3"});
    EXPECT_EQ(o.focus, 222);
    EXPECT_EQ(COMMaxNum, 1u);  // both numbers set before the conflict check
    EXPECT_EQ(SerialMaxNum, 1u);
}

TEST_F(Validation, an_unselected_address_reads_0_and_conflicts_with_a_pci_slot)
{
    CurrentZ4config[0] = {BUS_PCI, 0, 0, 8, 1};
    CurrentZ4config[1] = {BUS_ISA, 0x200, 10, 8, 1};  // 0x200 is not offered
    Outcome o = ok_once([](emu::DialogUser &) {});
    EXPECT_EQ(o.texts, std::vector<std::string>{"ERROR: IOAddr:0x0 Board 1 conflicts with Board2"});
    EXPECT_EQ(o.focus, 212);

    SetUp();
    CurrentZ4config[0] = {BUS_ISA, 0x200, 10, 8, 1};
    CurrentZ4config[1] = {BUS_PCI, 0, 0, 8, 1};
    o = ok_once([](emu::DialogUser &) {});
    EXPECT_EQ(o.texts, std::vector<std::string>{"ERROR: IOAddr:0x0 Board 2 conflicts with Board1"});
    EXPECT_EQ(o.focus, 202);
}

TEST_F(Validation, an_isa_board_without_address_or_interrupt_passes_when_nothing_else_reads_0)
{
    for (int s = 0; s < 4; ++s)
        CurrentZ4config[s] = {BUS_ISA, 0x200u + 8u * s, 9, 8, 1};  // none of them offered
    CurrentZ4config[1].IOAddr = 0x310;
    CurrentZ4config[2].IOAddr = 0x318;
    CurrentZ4config[3].IOAddr = 0x320;
    Outcome o = ok_once([](emu::DialogUser &) {});
    EXPECT_FALSE(o.stayed_open);
    EXPECT_EQ(CurrentZ4config[0].IOAddr, 0u);
    EXPECT_EQ(CurrentZ4config[0].Interrupt, 0u);
    int gus = 0;
    for (const auto &t : emu::debug_output())
        gus += t.rfind("GUS bd=", 0) == 0;
    EXPECT_EQ(gus, 4);
    EXPECT_EQ(emu::debug_output().back(), "GUS bd=3 bustypesymbol=230:");
}

TEST_F(Validation, the_focus_moves_only_after_the_box_is_closed_and_a_corrected_ok_passes)
{
    int focus_in_box = -1, restore_in_box = -1;
    bool open_in_box = false;
    emu::set_message_box_handler([&](const emu::MessageBoxRecord &) {
        emu::DialogUser d = emu::open_dialog();
        open_in_box = d.dialog_open();
        focus_in_box = d.focused();
        restore_in_box = d.focus_to_restore();
        EXPECT_FALSE(d.press(IDC_OK));  // the dialog is disabled while the box is up
        return IDOK;
    });
    INT_PTR end = run([&](emu::DialogUser &u) {
        ports(u, 0, "8");
        suffix(u, IDC_LOGICAL_SUFFIX, "100");
        u.key_enter();  // from the suffix edit: IDOK
        EXPECT_TRUE(u.dialog_open());
        EXPECT_EQ(u.focused(), IDC_LOGICAL_SUFFIX);
        suffix(u, IDC_LOGICAL_SUFFIX, "5");
        u.key_enter();
        EXPECT_FALSE(u.dialog_open());
    });
    ASSERT_EQ(emu::dialog_failures().size(), 1u);  // the refused press
    emu::ui_reset();
    EXPECT_EQ(end, 1);
    EXPECT_TRUE(open_in_box);
    EXPECT_EQ(focus_in_box, 0);
    EXPECT_EQ(restore_in_box, IDC_LOGICAL_SUFFIX);
    EXPECT_EQ(COMMaxNum, 4u);
}

TEST_F(Validation, the_focus_goes_to_the_offending_control_after_returning_to_the_last_one)
{
    Outcome o;
    std::vector<emu::Notification> seen;
    run([&](emu::DialogUser &u) {
        suffix(u, IDC_DEVICE_SUFFIX, "5");
        size_t mark = u.notifications().size();
        u.key_enter();  // port count 0 on board 1
        for (size_t i = mark; i < u.notifications().size(); ++i)
            seen.push_back(u.notifications()[i]);
        u.press(IDC_CANCEL);
    });
    // IDOK; the box takes the focus from 240; it comes back; then it moves to 203.
    std::vector<std::pair<int, int>> got;
    for (const auto &n : seen)
        got.push_back({n.id, n.code});
    std::vector<std::pair<int, int>> want = {{IDOK, 0},
                                             {240, EN_KILLFOCUS},
                                             {240, EN_SETFOCUS},
                                             {240, EN_KILLFOCUS},
                                             {203, EN_SETFOCUS}};
    EXPECT_EQ(got, want);
}
