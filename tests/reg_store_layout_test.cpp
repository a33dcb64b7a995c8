// The registry layout's value tables, the data and length rule, and the number in a text.
#include <gtest/gtest.h>

#include <cstring>

#include "registry_setup.h"
#include "registry_faults.h"
#include "reg_store.h"

namespace {

// Writes one table entry to a fresh key and returns what the call passed and what was stored.
emu::RegCall write_entry(const ServiceValue &entry, std::vector<uint8_t> *stored)
{
    emu::reg_reset();
    emu::reg_put_key("SOFTWARE\\LayoutTest");
    HKEY key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\LayoutTest", 0, KEY_ALL_ACCESS, &key), 0);
    emu::reg_clear_calls();
    EXPECT_EQ(setZ4_value(key, entry), 0);
    RegCloseKey(key);
    auto v = emu::reg_get_value("SOFTWARE\\LayoutTest", entry.name);
    EXPECT_TRUE(v.has_value());
    if (v)
        *stored = v->data;
    return emu::reg_calls().at(0);
}

}  // namespace

TEST(ValueTables, service_values_are_written_in_this_order_with_these_types)
{
    const char *names[] = {"ErrorControl", "Group", "Start", "Type"};
    const uint32_t types[] = {REG_DWORD, REG_SZ, REG_DWORD, REG_DWORD};
    const uint32_t numbers[] = {0, 0, 2, 1};
    for (int i = 0; i < SERVICE_VALUE_COUNT; ++i) {
        EXPECT_STREQ(ServiceValueTable[i].name, names[i]);
        EXPECT_EQ(ServiceValueTable[i].type, types[i]);
        if (types[i] == REG_DWORD)
            EXPECT_EQ(ServiceValueTable[i].number, numbers[i]) << names[i];
    }
    EXPECT_STREQ(ServiceValueTable[1].text, "Extended base");
    EXPECT_STREQ(ServiceValueTable[SERVICE_VALUE_START].name, "Start");
    EXPECT_STREQ(PortValueTable[PORT_VALUE_DOSDEVICES].name, "DosDevices");
    EXPECT_EQ(PortValueTable[PORT_VALUE_DOSDEVICES].type, static_cast<uint32_t>(REG_SZ));
    EXPECT_STREQ(PortValueTable[PORT_VALUE_PORTINDEX].name, "PortIndex");
    EXPECT_EQ(PortValueTable[PORT_VALUE_PORTINDEX].type, static_cast<uint32_t>(REG_DWORD));
}

TEST(ValueTables, a_dword_is_its_four_little_endian_bytes)
{
    ServiceValue v = {"PortIndex", REG_DWORD, 0x01020304, ""};
    std::vector<uint8_t> stored;
    emu::RegCall call = write_entry(v, &stored);
    EXPECT_EQ(call.op, "RegSetValueExA");
    EXPECT_EQ(call.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(call.length, 4u);
    EXPECT_EQ(stored, (std::vector<uint8_t>{4, 3, 2, 1}));
}

TEST(ValueTables, a_text_goes_without_its_terminating_nul)
{
    ServiceValue group = ServiceValueTable[1];
    std::vector<uint8_t> stored;
    EXPECT_EQ(write_entry(group, &stored).length, 13u);

    ServiceValue dos = {"DosDevices", REG_SZ, 0, "COM12 "};
    EXPECT_EQ(write_entry(dos, &stored).length, 6u);
    dos = {"DosDevices", REG_SZ, 0, "COM9 "};
    EXPECT_EQ(write_entry(dos, &stored).length, 5u);

    // A text that fills the whole field is cut before its last byte: the registry reads the
    // byte after the length it is given, which must still lie inside the field.
    ServiceValue full = {"Full", REG_SZ, 0, ""};
    std::memset(full.text, 'x', sizeof full.text);
    EXPECT_EQ(write_entry(full, &stored).length, 19u);
}

TEST(NumberInText, skips_blanks_takes_a_sign_and_stops_at_the_first_non_digit)
{
    auto at = [](const char *t, size_t p) { return numberZ4_at(t, std::strlen(t), p); };
    EXPECT_EQ(at("COM12 ", 3), 12u);
    EXPECT_EQ(at("Serial7", 6), 7u);
    EXPECT_EQ(at("Serial", 6), 0u);   // position at the end
    EXPECT_EQ(at("Seri", 6), 0u);     // position beyond the end
    EXPECT_EQ(at("COM  \t42x", 3), 42u);
    EXPECT_EQ(at("COM+5", 3), 5u);
    EXPECT_EQ(at("COM-1", 3), 0xFFFFFFFFu);  // compares as a very large number
    EXPECT_EQ(at("COMx5", 3), 0u);
    EXPECT_EQ(at("COM4294967297", 3), 1u);   // wraps like the 32-bit conversion
    // Only the bytes given are read, whatever follows them.
    const char unterminated[] = {'C', 'O', 'M', '1', '2', '3'};
    EXPECT_EQ(numberZ4_at(unterminated, 5, 3), 12u);
}
