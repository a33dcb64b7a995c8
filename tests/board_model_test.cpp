// The board tables' start contents, the option lists and the address text conversion.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "board_model.h"

TEST(AddressText, every_character_is_one_hex_digit_position)
{
    EXPECT_EQ(hex_to_int("308"), 0x308u);
    EXPECT_EQ(hex_to_int("3F0"), 0x3F0u);
    EXPECT_EQ(hex_to_int("3f0"), 0x3F0u);
    EXPECT_EQ(hex_to_int(""), 0u);
    EXPECT_EQ(hex_to_int("3 8"), 0x308u);  // the blank counts as a zero digit
    EXPECT_EQ(hex_to_int("30"), 0x30u);
    EXPECT_EQ(hex_to_int("ffff"), 0xFFFFu);
    EXPECT_EQ(hex_to_int("g1"), 0x01u);
}

TEST(AddressText, digits_beyond_eight_shift_the_first_ones_out)
{
    EXPECT_EQ(hex_to_int("123456789"), 0x23456789u);
}

TEST(OptionLists, address_list_starts_with_the_usual_four_and_leaves_out_reserved_ports)
{
    ASSERT_EQ(ioAddrChoiceCount, 79);
    EXPECT_STREQ(ioAddrChoices[0], "308");
    EXPECT_STREQ(ioAddrChoices[1], "310");
    EXPECT_STREQ(ioAddrChoices[2], "318");
    EXPECT_STREQ(ioAddrChoices[3], "320");
    std::set<uint32_t> seen;
    uint32_t previous = 0;
    for (int i = 0; i < ioAddrChoiceCount; ++i) {
        uint32_t a = hex_to_int(ioAddrChoices[i]);
        EXPECT_TRUE(seen.insert(a).second) << ioAddrChoices[i] << " listed twice";
        EXPECT_EQ(a % 8, 0u) << ioAddrChoices[i];
        EXPECT_GE(a, 0x158u);
        EXPECT_LE(a, 0x3F0u);
        // Upper-case hex without prefix: what the dialog compares "%X" against.
        char text[8];
        snprintf(text, sizeof text, "%X", a);
        EXPECT_EQ(std::string(text), ioAddrChoices[i]);
        if (i > 4)
            EXPECT_GT(a, previous) << "ascending after the first four";
        previous = a;
    }
    for (uint32_t reserved : {0x1F0u, 0x1F8u, 0x200u, 0x278u, 0x2F8u})
        EXPECT_EQ(seen.count(reserved), 0u) << std::hex << reserved;
    EXPECT_EQ(seen.count(0x378u), 1u);
    EXPECT_EQ(seen.count(0x3F0u), 1u);
    EXPECT_EQ(seen.count(0x300u), 1u);
}

TEST(OptionLists, only_isa_offers_addresses_and_interrupts)
{
    EXPECT_EQ(addressZ4_choices(BUS_ISA).count, 79);
    EXPECT_EQ(interruptZ4_choices(BUS_ISA).count, 8);
    for (uint32_t t : {0u, 2u, 3u, 0xFFFFFFFFu}) {
        EXPECT_EQ(addressZ4_choices(t).count, 0) << t;
        EXPECT_EQ(interruptZ4_choices(t).count, 0) << t;
    }
    const char *irqs[] = {"3", "4", "5", "7", "10", "11", "12", "15"};
    for (int i = 0; i < 8; ++i)
        EXPECT_STREQ(irqChoices[i], irqs[i]);
    EXPECT_STREQ(busTypeNames[BUS_NONE], "None");
    EXPECT_STREQ(busTypeNames[BUS_ISA], "ISA");
    EXPECT_STREQ(busTypeNames[BUS_PCI], "PCI");
}

TEST(BoardTables, start_with_one_isa_board_that_has_no_ports)
{
    CurrentZ4config[2].NumPorts = 16;
    COMMaxNum = 40;
    resetZ4_model();
    for (const BoardConfig *table : {RegistryZ4config, CurrentZ4config}) {
        EXPECT_EQ(table[0].BusType, BUS_ISA);
        EXPECT_EQ(table[0].IOAddr, 0x308u);
        EXPECT_EQ(table[0].Interrupt, 10u);
        EXPECT_EQ(table[0].NumPorts, 0u);
        EXPECT_EQ(table[0].Enabled, 1u);
        for (int i = 1; i < Z4_SLOTS; ++i) {
            EXPECT_EQ(table[i].BusType, 0u);
            EXPECT_EQ(table[i].IOAddr, 0u);
            EXPECT_EQ(table[i].Interrupt, 0u);
            EXPECT_EQ(table[i].NumPorts, 0u);
            EXPECT_EQ(table[i].Enabled, 0u);
        }
    }
    const uint32_t defaults[] = {0x308, 0x310, 0x318, 0x320};
    for (int i = 0; i < Z4_SLOTS; ++i) {
        EXPECT_EQ(DefaultZ4config[i].BusType, BUS_ISA);
        EXPECT_EQ(DefaultZ4config[i].IOAddr, defaults[i]);
        EXPECT_EQ(DefaultZ4config[i].Interrupt, 10u);
        EXPECT_EQ(DefaultZ4config[i].NumPorts, 0u);
        EXPECT_EQ(DefaultZ4config[i].Enabled, 1u);
    }
}
