// What the dialog shows when it opens: the template's controls, the board columns from
// CurrentZ4config, the option lists per bus type, the enable rules and the numbering fields.
#include "config_dialog_fixture.h"

#include <algorithm>

namespace {

const std::vector<std::string> BUS_NAMES = {"None", "ISA", "PCI"};

std::vector<std::string> list(const char *const *items, int count)
{
    return std::vector<std::string>(items, items + count);
}

}  // namespace

TEST_F(DialogTest, the_template_makes_31_items_in_order_at_their_pixel_places)
{
    show([&](emu::DialogUser &u) {
        EXPECT_EQ(u.caption(), "Zentrix IV Configuration");
        // 303 x 192 dialog units with 8 point MS Sans Serif (6 x 13 base units).
        RECT d = u.dialog_rect();
        EXPECT_EQ(d.right - d.left, 455);
        EXPECT_EQ(d.bottom - d.top, 312);
        RECT ok = u.rect(IDC_OK);  // 90, 156, 40 x 14
        EXPECT_EQ(ok.left, 135);
        EXPECT_EQ(ok.top, 254);
        EXPECT_EQ(ok.right - ok.left, 60);
        EXPECT_EQ(ok.bottom - ok.top, 23);
        RECT ports2 = u.rect(213);  // 148, 84: two units right of its column
        EXPECT_EQ(ports2.left, 222);
        EXPECT_EQ(u.rect(212).left, 219);
    });
    std::vector<emu::WindowRecord> controls;
    for (const auto &w : emu::windows())
        if (w.style & WS_CHILD)
            controls.push_back(w);
    ASSERT_EQ(controls.size(), 31u);
    const int ids[] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                       0xFFFF, 0xFFFF, 200,    201,    202,    203,    210,    211,
                       212,    213,    220,    221,    222,    223,    230,    231,
                       232,    233,    240,    250,    101,    102,    110};
    for (size_t i = 0; i < 31; ++i)
        EXPECT_EQ(controls[i].id, ids[i]) << "item " << i;
    EXPECT_EQ(controls[4].title, "Device Name Suffix: Serial");
    EXPECT_EQ(controls[5].title, "Logical Name Suffix:  COM");
    EXPECT_EQ(controls[9].title, "Board 4");
    EXPECT_EQ(controls[9].class_name, "Button");
    EXPECT_EQ(controls[10].class_name, "ComboBox");
    EXPECT_EQ(controls[13].class_name, "Edit");
    EXPECT_EQ(controls[30].title, "Help");
}

TEST_F(DialogTest, the_dialog_shows_the_templates_styles_with_only_the_enabled_columns_changed)
{
    // config_dialog.inc in template order; every control is a visible child. The statics are
    // right-aligned but for the two suffix labels, the first starts the group; the drop-down
    // lists, edits and buttons are tab stops; "_off" marks the template's disabled controls.
    const DWORD group_right = 0x50020002, right = 0x50000002, left = 0x50000000;
    const DWORD frame = 0x50000007;                       // group box of a board column
    const DWORD bus = 0x50210003, list_off = 0x58210003;  // drop-down list with scroll bar
    const DWORD ports_off = 0x58810080, edit = 0x50810080;  // bordered, scrolling sideways
    const DWORD button = 0x50010000;
    const std::vector<DWORD> want = {group_right, right, right, right, left, left,
                                     frame, frame, frame, frame,
                                     bus, list_off, list_off, ports_off,
                                     bus, list_off, list_off, ports_off,
                                     bus, list_off, list_off, ports_off,
                                     bus, list_off, list_off, ports_off,
                                     edit, edit, button, button, button};
    auto shown = [](const emu::DialogUser &u, DWORD *dialog_style) {
        std::vector<DWORD> styles;
        for (const auto &w : emu::windows()) {
            if (w.destroyed)
                continue;
            if (w.hwnd == u.hwnd())
                *dialog_style = w.style;
            else if (w.parent == u.hwnd())
                styles.push_back(w.style);
        }
        return styles;
    };
    // Every board None: nothing is enabled that the template leaves disabled.
    for (BoardConfig &b : CurrentZ4config)
        b = {BUS_NONE, 0, 0, 0, 0};
    show([&](emu::DialogUser &u) {
        DWORD dialog_style = 0;
        std::vector<DWORD> got = shown(u, &dialog_style);
        EXPECT_EQ(dialog_style, 0x90C800C0u);  // popup, caption, system menu, modal frame, font
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_EQ(got[i], want[i]) << "item " << i << std::hex << ": 0x" << got[i];
    });
    // Board 1 ISA, as the tables start: its three controls lose WS_DISABLED, nothing else.
    SetUp();
    show([&](emu::DialogUser &u) {
        DWORD dialog_style = 0;
        std::vector<DWORD> got = shown(u, &dialog_style);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            DWORD expected = i >= 11 && i <= 13 ? want[i] & ~static_cast<DWORD>(WS_DISABLED)
                                                : want[i];
            EXPECT_EQ(got[i], expected) << "item " << i << std::hex << ": 0x" << got[i];
        }
    });
}

TEST_F(DialogTest, default_tables_show_board_1_as_isa_and_the_others_as_none)
{
    show([&](emu::DialogUser &u) {
        for (int s = 0; s < 4; ++s) {
            EXPECT_EQ(u.items(id(s, COL_BUS_TYPE)), BUS_NAMES);
            EXPECT_TRUE(u.enabled(id(s, COL_BUS_TYPE)));
        }
        EXPECT_EQ(u.text(200), "ISA");
        EXPECT_EQ(u.items(201), list(irqChoices, irqChoiceCount));
        EXPECT_EQ(u.text(201), "10");
        EXPECT_EQ(u.items(202), list(ioAddrChoices, ioAddrChoiceCount));
        EXPECT_EQ(u.items(202).size(), 79u);
        EXPECT_EQ(u.text(202), "308");
        EXPECT_EQ(u.text(203), "0");
        EXPECT_TRUE(u.enabled(201) && u.enabled(202) && u.enabled(203));
        for (int s = 1; s < 4; ++s) {
            EXPECT_EQ(u.text(id(s, COL_BUS_TYPE)), "None");
            for (int c = 1; c < 4; ++c) {
                EXPECT_EQ(u.text(id(s, c)), "") << s << "," << c;
                EXPECT_FALSE(u.enabled(id(s, c))) << s << "," << c;
            }
            EXPECT_TRUE(u.items(id(s, COL_IRQ)).empty());
            EXPECT_TRUE(u.items(id(s, COL_IO_ADDR)).empty());
        }
        // WM_INITDIALOG sets no focus; showing the dialog gives it to the first tab stop.
        EXPECT_EQ(u.focused(), 200);
    });
}

TEST_F(DialogTest, a_pci_slot_shows_only_its_port_count_and_values_off_the_lists_show_empty)
{
    CurrentZ4config[0] = {BUS_ISA, 0x200, 9, 16, 1};  // neither in the lists
    CurrentZ4config[1] = {BUS_PCI, 0, 0, 32, 1};
    CurrentZ4config[2] = {BUS_ISA, 0x3F0, 15, 8, 1};
    show([&](emu::DialogUser &u) {
        EXPECT_EQ(u.items(201).size(), 8u);
        EXPECT_EQ(u.selection(201), -1);
        EXPECT_EQ(u.text(201), "");
        EXPECT_EQ(u.selection(202), -1);
        EXPECT_EQ(u.text(203), "16");
        EXPECT_EQ(u.text(210), "PCI");
        EXPECT_TRUE(u.items(211).empty());
        EXPECT_TRUE(u.items(212).empty());
        EXPECT_FALSE(u.enabled(211));
        EXPECT_FALSE(u.enabled(212));
        EXPECT_TRUE(u.enabled(213));
        EXPECT_EQ(u.text(213), "32");
        EXPECT_EQ(u.text(221), "15");
        EXPECT_EQ(u.text(222), "3F0");
    });
    // The refresh's nested notifications stored back only what they showed.
    EXPECT_EQ(CurrentZ4config[0].IOAddr, 0x200u);
    EXPECT_EQ(CurrentZ4config[0].Interrupt, 9u);
    EXPECT_EQ(CurrentZ4config[1].NumPorts, 32u);
}

TEST_F(DialogTest, numbering_fields_follow_the_loaded_and_used_numbers)
{
    struct Case {
        uint32_t loaded, com, serial;
        const char *logical, *device;
    } cases[] = {
        {0, 2, 0, "3", "3"}, {0, 1, 4, "5", "5"}, {5, 2, 4, "3", "5"},
        {0, 0xFFFFFFFF, 0, "0", "0"},  // the additions wrap
    };
    for (const Case &c : cases) {
        SetUp();
        LoadedSerialMaxNum = c.loaded;
        COMMaxNum = c.com;
        SerialMaxNum = c.serial;
        show([&](emu::DialogUser &u) {
            EXPECT_EQ(u.text(IDC_LOGICAL_SUFFIX), c.logical) << c.loaded << " " << c.com;
            EXPECT_EQ(u.text(IDC_DEVICE_SUFFIX), c.device) << c.loaded << " " << c.com;
        });
        // Only Ok sets the numbers.
        EXPECT_EQ(COMMaxNum, c.com);
        EXPECT_EQ(SerialMaxNum, c.serial);
    }
}

TEST_F(DialogTest, a_bus_type_the_dialog_has_no_name_for_is_shown_and_kept_as_none)
{
    CurrentZ4config[2] = {7, 0x308, 10, 8, 1};
    EXPECT_EQ(run([&](emu::DialogUser &u) {
                  EXPECT_EQ(u.text(220), "None");
                  EXPECT_EQ(u.text(223), "");
                  EXPECT_FALSE(u.enabled(221) || u.enabled(222) || u.enabled(223));
                  u.pick(220, "None");  // the type shown: nothing changes
                  EXPECT_EQ(CurrentZ4config[2].BusType, 7u);
                  u.erase(203);
                  u.type(203, "8");
                  u.key_enter();
              }),
              1);
    EXPECT_EQ(CurrentZ4config[2].BusType, BUS_NONE);
    EXPECT_EQ(CurrentZ4config[2].Enabled, 0u);
}

TEST_F(DialogTest, initialisation_traces_the_lists_and_the_refresh_every_slot)
{
    show([](emu::DialogUser &) {});
    const auto &t = emu::debug_output();
    ASSERT_GE(t.size(), 6u);
    EXPECT_EQ(t[0], "bustypesymbol=200 bdindex=0:");
    EXPECT_EQ(t[1], "i=0 :None:");
    EXPECT_EQ(t[3], "i=2 :PCI:");
    EXPECT_EQ(t[4], "def name index=1 name=ISA:");
    EXPECT_EQ(t[9], "def name index=0 name=None:");
    auto at = std::find(t.begin(), t.end(), "CurrentZ4config[0].BusType=1\n");
    ASSERT_NE(at, t.end());
    EXPECT_EQ(at[1], "tmpsym=201 bdindex=0");
    EXPECT_EQ(at[2].substr(0, 8), "adding 0");
    EXPECT_EQ(at[2].substr(at[2].size() - 5), " :3:\n");
    EXPECT_EQ(at[10], "tmpsym=202 bdindex=0");
    EXPECT_EQ(at[11], "CurrentZ4config[0].BusType=1\n");
    EXPECT_EQ(at[12], "Enable combo box 201\n");
    EXPECT_EQ(at[14], "Enable combo box 203\n");
    EXPECT_EQ(std::count(t.begin(), t.end(), "Enable combo box 233\n"), 1);
}

TEST_F(DialogTest, the_refresh_fills_the_lists_without_drawing_then_repaints_the_dialog_once)
{
    // Every board ISA, so every interrupt and address list is filled, each time.
    for (int s = 1; s < 4; ++s)
        CurrentZ4config[s] = {BUS_ISA, 0x310u + 8u * s, 10, 8, 1};
    auto filled_without_drawing = [](const emu::DialogUser &u) {
        for (int s = 0; s < 4; ++s)
            for (int c : {COL_IRQ, COL_IO_ADDR}) {
                EXPECT_FALSE(u.items(id(s, c)).empty()) << s << "," << c;
                EXPECT_EQ(u.drawn_list_changes(id(s, c)), 0) << s << "," << c;
                EXPECT_TRUE(u.redraw_on(id(s, c))) << s << "," << c;
            }
    };
    show([&](emu::DialogUser &u) {
        EXPECT_EQ(u.invalidations(), 1);
        filled_without_drawing(u);
        u.pick(210, "PCI");
        u.pick(210, "ISA");
        EXPECT_EQ(u.invalidations(), 3);
        filled_without_drawing(u);
    });
}
