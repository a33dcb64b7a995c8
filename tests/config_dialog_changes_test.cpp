// Changing a board control as the user does: the bus type switch rules, the shared interrupt,
// addresses and port counts stored as they are entered.
#include "config_dialog_fixture.h"

namespace {

bool same(const BoardConfig &a, const BoardConfig &b)
{
    return a.BusType == b.BusType && a.IOAddr == b.IOAddr && a.Interrupt == b.Interrupt &&
           a.NumPorts == b.NumPorts && a.Enabled == b.Enabled;
}

}  // namespace

TEST_F(DialogTest, switching_to_isa_without_isa_anywhere_takes_the_slots_defaults)
{
    CurrentZ4config[0] = RegistryZ4config[0] = {0, 0, 0, 0, 0};
    show([&](emu::DialogUser &u) {
        ASSERT_TRUE(u.pick(210, "ISA"));
        EXPECT_TRUE(same(CurrentZ4config[1], {BUS_ISA, 0x310, 10, 0, 1}));
        EXPECT_EQ(u.text(211), "10");
        EXPECT_EQ(u.text(212), "310");
        EXPECT_EQ(u.text(213), "0");
        EXPECT_TRUE(u.enabled(211) && u.enabled(212) && u.enabled(213));
    });
}

TEST_F(DialogTest, switching_to_isa_takes_the_interrupt_of_the_first_other_isa_slot_in_the_dialog)
{
    CurrentZ4config[0] = {BUS_ISA, 0x308, 5, 8, 1};
    RegistryZ4config[0] = {BUS_NONE, 0, 0, 0, 0};
    RegistryZ4config[1] = {BUS_ISA, 0x340, 11, 16, 1};
    show([&](emu::DialogUser &u) {
        u.pick(220, "ISA");
        EXPECT_EQ(CurrentZ4config[2].Interrupt, 5u);
        EXPECT_EQ(u.text(221), "5");
        // With no other ISA slot in the dialog, the registry's first ISA board gives it.
        u.pick(200, "None");
        u.pick(220, "None");
        u.pick(230, "ISA");
        EXPECT_EQ(CurrentZ4config[3].Interrupt, 11u);
    });
}

TEST_F(DialogTest, switching_to_isa_passes_over_the_switched_slot_and_asks_the_dialog_first)
{
    // Board 1 switches; boards 3 and 4 are the ISA slots above it, the registry's first ISA
    // board says 11. Reading the switched slot itself, or the registry first, would give 11.
    CurrentZ4config[0] = {BUS_PCI, 0, 0, 8, 1};
    CurrentZ4config[2] = {BUS_ISA, 0x318, 5, 8, 1};
    CurrentZ4config[3] = {BUS_ISA, 0x320, 7, 8, 1};
    RegistryZ4config[0] = {BUS_NONE, 0, 0, 0, 0};
    RegistryZ4config[1] = {BUS_ISA, 0x340, 11, 16, 1};
    show([&](emu::DialogUser &u) {
        ASSERT_TRUE(u.pick(200, "ISA"));
        EXPECT_TRUE(same(CurrentZ4config[0], {BUS_ISA, 0x308, 5, 0, 1}));
        EXPECT_EQ(u.text(201), "5");
        EXPECT_EQ(CurrentZ4config[3].Interrupt, 7u);  // picking a bus type shares nothing
    });
}

TEST_F(DialogTest, switching_to_isa_with_no_other_isa_slot_may_take_its_own_registry_interrupt)
{
    // The registry's lowest ISA board is the switched slot itself: its 12, not board 3's 11.
    CurrentZ4config[0] = {BUS_NONE, 0, 0, 0, 0};
    CurrentZ4config[1] = {BUS_PCI, 0, 0, 8, 1};
    RegistryZ4config[0] = {BUS_ISA, 0x340, 12, 16, 1};
    RegistryZ4config[2] = {BUS_ISA, 0x318, 11, 8, 1};
    show([&](emu::DialogUser &u) {
        ASSERT_TRUE(u.pick(200, "ISA"));
        EXPECT_TRUE(same(CurrentZ4config[0], {BUS_ISA, 0x340, 12, 16, 1}));
        EXPECT_EQ(u.text(201), "12");
        EXPECT_EQ(u.text(202), "340");
    });
}

TEST_F(DialogTest, switching_to_the_registrys_own_bus_type_brings_back_its_address_and_ports)
{
    RegistryZ4config[1] = {BUS_ISA, 0x340, 12, 16, 1};
    RegistryZ4config[2] = {BUS_PCI, 0, 0, 32, 1};
    show([&](emu::DialogUser &u) {
        u.pick(210, "ISA");
        EXPECT_EQ(CurrentZ4config[1].IOAddr, 0x340u);
        EXPECT_EQ(CurrentZ4config[1].NumPorts, 16u);
        EXPECT_EQ(u.text(212), "340");
        EXPECT_EQ(u.text(213), "16");
        u.pick(220, "PCI");
        EXPECT_TRUE(same(CurrentZ4config[2], {BUS_PCI, 0, 0, 32, 1}));
        EXPECT_EQ(u.text(223), "32");
        u.pick(210, "PCI");  // the registry held slot 1 as ISA
        EXPECT_TRUE(same(CurrentZ4config[1], {BUS_PCI, 0, 0, 0, 1}));
        EXPECT_EQ(u.text(213), "0");
        EXPECT_FALSE(u.enabled(211));
        EXPECT_TRUE(u.enabled(213));
    });
}

TEST_F(DialogTest, switching_to_none_clears_the_slot_and_away_and_back_discards_the_entries)
{
    show([&](emu::DialogUser &u) {
        u.erase(203);
        u.type(203, "24");
        u.pick(202, "3F0");
        u.pick(200, "ISA");  // the type shown: the entries stay
        EXPECT_EQ(CurrentZ4config[0].NumPorts, 24u);
        EXPECT_EQ(u.text(203), "24");
        u.pick(200, "None");
        EXPECT_TRUE(same(CurrentZ4config[0], {0, 0, 0, 0, 0}));
        EXPECT_EQ(u.text(203), "");
        EXPECT_FALSE(u.enabled(201) || u.enabled(202) || u.enabled(203));
        u.pick(200, "ISA");
        EXPECT_TRUE(same(CurrentZ4config[0], {BUS_ISA, 0x308, 10, 0, 1}));
    });
}

TEST_F(DialogTest, only_a_changed_bus_type_is_traced_and_refreshes)
{
    show([&](emu::DialogUser &u) {
        size_t traces = emu::debug_output().size();
        int painted = u.invalidations();
        u.pick(200, "ISA");
        EXPECT_EQ(emu::debug_output().size(), traces);
        EXPECT_EQ(u.invalidations(), painted);
        u.pick(210, "PCI");
        EXPECT_EQ(emu::debug_output()[traces], "Bustype changed to :PCI:\n");
        EXPECT_EQ(u.invalidations(), painted + 1);
    });
}

TEST_F(DialogTest, an_interrupt_chosen_on_one_isa_slot_shows_on_every_isa_slot_at_once)
{
    CurrentZ4config[1] = {BUS_ISA, 0x310, 10, 8, 1};
    CurrentZ4config[2] = {BUS_PCI, 0, 0, 8, 1};
    CurrentZ4config[3] = {BUS_ISA, 0x320, 10, 8, 1};
    show([&](emu::DialogUser &u) {
        ASSERT_TRUE(u.pick(231, "12"));
        for (int s : {0, 1, 3}) {
            EXPECT_EQ(CurrentZ4config[s].Interrupt, 12u) << s;
            EXPECT_EQ(u.text(id(s, COL_IRQ)), "12") << s;
        }
        EXPECT_EQ(CurrentZ4config[2].Interrupt, 0u);
    });
}

TEST_F(DialogTest, giving_the_focus_to_an_interrupt_box_already_shares_its_interrupt)
{
    // Slots read from the registry may carry different interrupts until then.
    CurrentZ4config[0] = {BUS_ISA, 0x308, 5, 8, 1};
    CurrentZ4config[1] = {BUS_ISA, 0x310, 11, 8, 1};
    CurrentZ4config[2] = {BUS_ISA, 0x318, 9, 8, 1};  // 9 is not offered: no selection
    show([&](emu::DialogUser &u) {
        int painted = u.invalidations();
        ASSERT_TRUE(u.focus(211));
        EXPECT_EQ(CurrentZ4config[0].Interrupt, 11u);
        EXPECT_EQ(CurrentZ4config[2].Interrupt, 11u);
        EXPECT_EQ(u.text(221), "11");
        EXPECT_GT(u.invalidations(), painted);
        EXPECT_EQ(u.focused(), 211);
    });
    SetUp();
    CurrentZ4config[0] = {BUS_ISA, 0x308, 5, 8, 1};
    CurrentZ4config[2] = {BUS_ISA, 0x318, 9, 8, 1};
    show([&](emu::DialogUser &u) {
        ASSERT_TRUE(u.focus(221));
        EXPECT_EQ(CurrentZ4config[0].Interrupt, 0u);
        EXPECT_EQ(u.selection(201), -1);
    });
}

TEST_F(DialogTest, port_counts_are_stored_as_each_character_arrives)
{
    CurrentZ4config[1] = {BUS_PCI, 0, 0, 0, 1};
    show([&](emu::DialogUser &u) {
        u.erase(213);
        EXPECT_EQ(CurrentZ4config[1].NumPorts, 0u);
        u.keys("1");
        EXPECT_EQ(CurrentZ4config[1].NumPorts, 1u);
        u.keys("6");
        EXPECT_EQ(CurrentZ4config[1].NumPorts, 16u);
        u.keys("x");  // what follows the digits is not read
        EXPECT_EQ(CurrentZ4config[1].NumPorts, 16u);
        u.keys("\b\b");
        EXPECT_EQ(CurrentZ4config[1].NumPorts, 1u);
        u.erase(213);
        EXPECT_EQ(CurrentZ4config[1].NumPorts, 0u);
        EXPECT_EQ(u.text(213), "");
        u.keys("x8");  // no digit first: not a number
        EXPECT_EQ(CurrentZ4config[1].NumPorts, 0u);
        EXPECT_EQ(u.text(213), "x8");
    });
}

TEST_F(DialogTest, the_refresh_stores_each_shown_port_count_back_through_a_nested_notification)
{
    CurrentZ4config[1] = {BUS_PCI, 0, 0, 0, 1};
    RegistryZ4config[1] = {BUS_PCI, 0, 0, 48, 1};
    show([&](emu::DialogUser &u) {
        size_t mark = u.notifications().size();
        u.pick(210, "ISA");
        u.pick(210, "PCI");
        // Inside the pick's notification (depth 1) the refresh made the edit notify (depth 2).
        bool nested = false;
        for (size_t i = mark; i < u.notifications().size(); ++i) {
            const auto &n = u.notifications()[i];
            if (n.id == 213 && n.code == EN_CHANGE && n.depth == 2)
                nested = true;
            EXPECT_LE(n.depth, 2) << n.id;  // the nested call does not refresh again
        }
        EXPECT_TRUE(nested);
        EXPECT_EQ(CurrentZ4config[1].NumPorts, 48u);
    });
}

TEST_F(DialogTest, an_address_is_stored_without_refresh_or_conflict_check)
{
    CurrentZ4config[1] = {BUS_ISA, 0x310, 10, 8, 1};
    show([&](emu::DialogUser &u) {
        int painted = u.invalidations();
        ASSERT_TRUE(u.pick(212, "308"));  // board 1's address
        EXPECT_EQ(CurrentZ4config[1].IOAddr, 0x308u);
        EXPECT_EQ(CurrentZ4config[0].IOAddr, 0x308u);
        EXPECT_EQ(u.invalidations(), painted);
        EXPECT_TRUE(u.boxes().empty());
    });
}
