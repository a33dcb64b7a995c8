// The system port scan: device and COM numbers in use, the loaded driver's share of them,
// and the reports when the two maps cannot be read.
#include "reg_store_fixture.h"
#include "reg_store_kept.h"

using namespace store;

namespace {

class Scan : public StoreTest {
protected:
    // A resource-map value; only its name matters.
    static void loaded(const std::string &name)
    {
        emu::reg_put_value(RESOURCE_MAP, name, REG_BINARY, {1, 2, 3, 4});
    }
    // Two resource entries per device, as the driver claims them.
    static void loaded_devices(int first, int last)
    {
        for (int d = first; d <= last; ++d) {
            loaded("\\Device\\Serial" + std::to_string(d) + ".Raw");
            loaded("\\Device\\Serial" + std::to_string(d) + ".Translated");
        }
    }
    static void mapped(const std::string &name, const std::string &com)
    {
        emu::reg_put_sz(DEVICE_MAP, name, com);
    }
    static void mapped_devices(int first, int last)
    {
        for (int d = first; d <= last; ++d)
            mapped("Serial" + std::to_string(d), "COM" + std::to_string(d + 1));
    }
    static void scan_from_other_numbers()
    {
        COMMaxNum = 77;
        SerialMaxNum = 66;
        LoadedSerialMaxNum = 55;
        getZ4_port_numbers();
    }
};

}  // namespace

// ---- numbering ----

TEST_F(Scan, neither_map_present_gives_the_start_numbers_without_a_box)
{
    scan_from_other_numbers();
    EXPECT_EQ(SerialMaxNum, 0u);
    EXPECT_EQ(COMMaxNum, 1u);
    EXPECT_EQ(LoadedSerialMaxNum, 0u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Scan, device_map_alone_gives_its_highest_device_and_com_numbers)
{
    mapped("Serial0", "COM1");
    mapped("Serial1", "COM2");
    scan_from_other_numbers();
    EXPECT_EQ(SerialMaxNum, 1u);
    EXPECT_EQ(COMMaxNum, 2u);
    EXPECT_EQ(LoadedSerialMaxNum, 0u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Scan, the_loaded_drivers_own_ports_are_given_back_for_renumbering)
{
    loaded_devices(2, 9);  // 16 entries
    mapped_devices(0, 9);  // Serial0..9 on COM1..10
    getZ4_port_numbers();
    EXPECT_EQ(LoadedSerialMaxNum, 9u);
    EXPECT_EQ(SerialMaxNum, 1u);  // 9 - 16 / 2
    EXPECT_EQ(COMMaxNum, 2u);     // 10 - 8
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Scan, a_higher_device_of_another_driver_stops_the_adjustment)
{
    loaded_devices(2, 9);
    mapped_devices(0, 10);
    getZ4_port_numbers();
    EXPECT_EQ(LoadedSerialMaxNum, 9u);
    EXPECT_EQ(SerialMaxNum, 10u);
    EXPECT_EQ(COMMaxNum, 11u);
}

TEST_F(Scan, an_odd_number_of_driver_entries_rounds_down)
{
    loaded("\\Device\\Serial4.a");
    loaded("\\Device\\Serial4.b");
    loaded("\\Device\\Serial3.a");
    mapped_devices(3, 4);  // COM4, COM5
    getZ4_port_numbers();
    EXPECT_EQ(SerialMaxNum, 3u);
    EXPECT_EQ(COMMaxNum, 4u);
}

TEST_F(Scan, the_adjustment_wraps_below_zero)
{
    loaded_devices(0, 7);  // 16 entries, highest device 7
    mapped("Serial7", "COM5");
    getZ4_port_numbers();
    EXPECT_EQ(SerialMaxNum, 0xFFFFFFFFu);
    EXPECT_EQ(COMMaxNum, 0xFFFFFFFDu);
}

TEST_F(Scan, adjustment_runs_on_an_empty_device_map_and_on_no_resource_map)
{
    emu::reg_put_key(DEVICE_MAP);
    loaded("\\Device\\Serial0.a");
    loaded("\\Device\\Serial0.b");
    getZ4_port_numbers();
    // Both highest device numbers are 0, so the two entries are given back: 0 - 1, 1 - 1.
    EXPECT_EQ(SerialMaxNum, 0xFFFFFFFFu);
    EXPECT_EQ(COMMaxNum, 0u);

    SetUp();
    mapped("Serial0", "COM1");
    getZ4_port_numbers();  // count 0: nothing subtracted although 0 equals 0
    EXPECT_EQ(SerialMaxNum, 0u);
    EXPECT_EQ(COMMaxNum, 1u);
}

TEST_F(Scan, a_device_number_counts_only_with_its_point_within_positions_12_to_17)
{
    loaded("\\Device\\Serial123.a");   // point at 17
    loaded("\\Device\\Serial1234.b");  // point at 18: counted, no number
    loaded("\\Device\\Serial999");     // no point at all: counted, no number
    loaded("\\Device\\Serial12");      // ends before any point
    mapped("Serial123", "COM3");
    getZ4_port_numbers();
    EXPECT_EQ(LoadedSerialMaxNum, 123u);
    EXPECT_EQ(SerialMaxNum, 121u);  // four entries counted: 123 - 2
    EXPECT_EQ(COMMaxNum, 1u);
}

TEST_F(Scan, resource_names_are_compared_on_twelve_characters_with_case)
{
    loaded("\\Device\\serial4.a");   // lower-case serial counts
    loaded("\\Device\\Seriak4.b");   // the last two letters are not compared
    loaded("\\device\\Serial9.c");   // lower-case device does not count
    loaded("\\Device\\Seri");        // short name: counted, no number
    loaded("Device\\Serial8.d");     // no leading backslash
    mapped("Serial4", "COM6");
    getZ4_port_numbers();
    EXPECT_EQ(LoadedSerialMaxNum, 4u);
    EXPECT_EQ(SerialMaxNum, 3u);  // three counted: 4 - 1
    EXPECT_EQ(COMMaxNum, 5u);
}

TEST_F(Scan, com_data_counts_whatever_the_name_but_only_in_upper_case)
{
    mapped("Modem", "COM7");
    mapped("serial3", "com9");
    mapped("SERIAL5", "COM2");
    getZ4_port_numbers();
    EXPECT_EQ(COMMaxNum, 7u);
    EXPECT_EQ(SerialMaxNum, 3u);  // "SERIAL" is neither spelling
}

TEST_F(Scan, the_default_name_gives_no_device_but_its_data_counts)
{
    mapped("", "COM4");
    getZ4_port_numbers();
    EXPECT_EQ(SerialMaxNum, 0u);
    EXPECT_EQ(COMMaxNum, 4u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Scan, numbers_are_compared_unsigned_so_a_minus_sign_makes_them_large)
{
    mapped("Serial-1", "COM -2");
    getZ4_port_numbers();
    EXPECT_EQ(SerialMaxNum, 0xFFFFFFFFu);
    EXPECT_EQ(COMMaxNum, 0xFFFFFFFEu);
}

TEST_F(Scan, device_map_data_without_a_nul_is_read_within_its_bytes)
{
    emu::reg_put_value(DEVICE_MAP, "Serial2", REG_SZ, bytes("COM12"));
    emu::reg_put_value(DEVICE_MAP, "Serial3", REG_SZ, bytes("COM1234567"));  // all 10 bytes
    getZ4_port_numbers();
    EXPECT_EQ(COMMaxNum, 1234567u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Scan, both_maps_are_read_only_with_the_buffer_lengths_of_the_layout)
{
    loaded("\\Device\\Serial1.a");
    mapped("Serial1", "COM2");
    getZ4_port_numbers();
    auto opens = calls("RegOpenKeyExA");
    ASSERT_EQ(opens.size(), 2u);
    for (const auto &o : opens)
        EXPECT_EQ(o.access, static_cast<REGSAM>(KEY_READ));
    auto enums = calls("RegEnumValueA");
    ASSERT_EQ(enums.size(), 2u);
    EXPECT_EQ(enums[0].key, RESOURCE_MAP);
    EXPECT_EQ(enums[0].name_length, 80u);
    EXPECT_EQ(enums[0].length, 100u);
    EXPECT_EQ(enums[1].key, DEVICE_MAP);
    EXPECT_EQ(enums[1].name_length, 80u);
    EXPECT_EQ(enums[1].length, 10u);
    EXPECT_TRUE(calls("RegSetValueExA").empty());
    EXPECT_TRUE(calls("RegCreateKeyExA").empty());
    EXPECT_TRUE(calls("RegDeleteKeyA").empty());
}

// ---- failures ----

TEST_F(Scan, resource_map_access_denied_shows_its_box_and_the_device_map_still_counts)
{
    loaded_devices(1, 2);
    emu::reg_deny(RESOURCE_MAP);
    mapped_devices(1, 2);
    getZ4_port_numbers();
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "ERROR|Error: Unable to open LOADED SERIAL DRIVER serialz4 key."
                           "Probably due to security reasons."});
    EXPECT_EQ(LoadedSerialMaxNum, 0u);
    EXPECT_EQ(SerialMaxNum, 2u);
    EXPECT_EQ(COMMaxNum, 3u);
}

TEST_F(Scan, resource_map_failing_otherwise_is_passed_over_in_silence)
{
    loaded_devices(1, 2);
    emu::reg_inject("RegOpenKeyExA", RESOURCE_MAP, "", 1018);
    mapped_devices(1, 2);
    getZ4_port_numbers();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(LoadedSerialMaxNum, 0u);
    EXPECT_EQ(SerialMaxNum, 2u);
}

TEST_F(Scan, a_failed_resource_entry_is_reported_with_1311_and_the_loop_goes_on)
{
    loaded("\\Device\\Serial5.a");
    loaded("\\Device\\Serial6.a");
    loaded("\\Device\\Serial6.b");
    emu::reg_inject("RegEnumValueA", RESOURCE_MAP, "\\Device\\Serial6.a", 87);
    mapped_devices(5, 6);
    getZ4_port_numbers();
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "ERROR|EnumValue Line:1311 0 based index = 1, retValue = 87, "
                           "ValueLen = 80"});
    // The failed entry had no name, so it was not counted: 2 entries, 1 given back.
    EXPECT_EQ(LoadedSerialMaxNum, 6u);
    EXPECT_EQ(SerialMaxNum, 5u);
}

TEST_F(Scan, resource_data_longer_than_100_bytes_fails_the_entry_with_1311)
{
    emu::reg_put_value(RESOURCE_MAP, "\\Device\\Serial3.a", REG_BINARY,
                       std::vector<uint8_t>(101, 0xbd));
    loaded("\\Device\\Serial2.a");
    mapped_devices(2, 3);
    getZ4_port_numbers();
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "ERROR|EnumValue Line:1311 0 based index = 0, retValue = 234, "
                           "ValueLen = 80"});
    EXPECT_EQ(LoadedSerialMaxNum, 2u);  // the next entry was still read
}

TEST_F(Scan, device_map_access_denied_ends_the_scan_without_adjustment)
{
    loaded_devices(4, 5);
    mapped_devices(0, 5);
    emu::reg_deny(DEVICE_MAP);
    scan_from_other_numbers();
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "ERROR|Error:Unable to open SERIALCOMM key.Probably due to security "
                           "reasons."});
    EXPECT_EQ(LoadedSerialMaxNum, 5u);
    EXPECT_EQ(SerialMaxNum, 0u);
    EXPECT_EQ(COMMaxNum, 1u);
}

TEST_F(Scan, device_map_failing_otherwise_ends_the_scan_in_silence)
{
    loaded_devices(0, 0);  // would wrap the numbers if the adjustment ran
    emu::reg_inject("RegOpenKeyExA", DEVICE_MAP, "", 2);
    mapped("Serial0", "COM1");
    getZ4_port_numbers();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(SerialMaxNum, 0u);
    EXPECT_EQ(COMMaxNum, 1u);
}

TEST_F(Scan, a_failed_device_entry_is_reported_with_1405_and_the_loop_goes_on)
{
    mapped("Serial1", "COM2");
    mapped("Serial8", "COM9");
    mapped("Serial3", "COM4");
    emu::reg_inject("RegEnumValueA", DEVICE_MAP, "Serial8", 1018);
    getZ4_port_numbers();
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "ERROR|Line:1405 0 based index = 1, retValue = 1018, ValueLen = 80"});
    EXPECT_EQ(SerialMaxNum, 3u);
    EXPECT_EQ(COMMaxNum, 4u);
}

TEST_F(Scan, device_data_too_long_for_10_bytes_fails_and_counts_nothing)
{
    mapped("Serial2", "COM3");
    mapped("Serial4", "COM12345678");  // 12 bytes with the NUL
    getZ4_port_numbers();
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "ERROR|Line:1405 0 based index = 1, retValue = 234, ValueLen = 80"});
    EXPECT_EQ(COMMaxNum, 3u);
}

TEST_F(Scan, a_failed_key_query_counts_as_no_values)
{
    loaded_devices(1, 1);
    mapped("Serial1", "COM2");
    emu::reg_inject("RegQueryInfoKeyA", DEVICE_MAP, "", 6);
    getZ4_port_numbers();
    EXPECT_EQ(LoadedSerialMaxNum, 1u);
    EXPECT_EQ(SerialMaxNum, 0u);  // nothing read from the device map; 1 differs from 0
    EXPECT_EQ(COMMaxNum, 1u);
    EXPECT_EQ(calls("RegEnumValueA").size(), 2u);
}

TEST_F(Scan, an_enumeration_answered_with_122_is_no_failure)
{
    loaded("\\Device\\Serial1.a");
    mapped("Serial1", "COM2");
    mapped("Serial2", "COM3");
    emu::reg_inject("RegEnumValueA", RESOURCE_MAP, "", ERROR_INSUFFICIENT_BUFFER);
    emu::reg_inject("RegEnumValueA", DEVICE_MAP, "Serial2", ERROR_INSUFFICIENT_BUFFER);
    getZ4_port_numbers();
    EXPECT_TRUE(boxes().empty());
    // Those calls delivered nothing, so only Serial1 on COM2 counts.
    EXPECT_EQ(LoadedSerialMaxNum, 0u);
    EXPECT_EQ(SerialMaxNum, 1u);
    EXPECT_EQ(COMMaxNum, 2u);
}

// From Windows 2000 on (and under Wine) the system's serial driver names its device-map values
// "\Device\Serial<n>": their device numbers count as "Serial<n>" does on Windows NT 4.0.
TEST_F(Scan, device_map_names_of_windows_2000_and_later_give_their_device_numbers)
{
    mapped("\\Device\\Serial0", "COM1");
    mapped("\\Device\\Serial7", "COM2");
    scan_from_other_numbers();
    EXPECT_EQ(SerialMaxNum, 7u);
    EXPECT_EQ(COMMaxNum, 2u);

    emu::reg_reset();
    mapped("\\Device\\serial12", "COM3");
    mapped("\\device\\Serial40", "COM4");  // "device" in lower case is no such name
    mapped("\\Device\\Seria", "COM5");
    scan_from_other_numbers();
    EXPECT_EQ(SerialMaxNum, 12u);
    EXPECT_EQ(COMMaxNum, 5u);
    EXPECT_TRUE(boxes().empty());
}

// ---- what a run keeps ----

// A second scan in one process keeps its own reading of both maps, not one added to the first.
TEST_F(Scan, a_second_scan_keeps_only_its_own_reading_of_the_maps)
{
    loaded_devices(2, 9);
    mapped_devices(0, 9);
    keepZ4_reads(true);
    getZ4_port_numbers();
    getZ4_port_numbers();
    mapped("Serial20", "COM30");
    getZ4_port_numbers();
    EXPECT_EQ(Z4Kept.loadedCount, 16u);  // "\Device\Serial2.Raw" to "\Device\Serial9.Translated"
    EXPECT_TRUE(Z4Kept.loadedRead);
    ASSERT_EQ(Z4Kept.deviceMapCount, 11u);
    EXPECT_STREQ(Z4Kept.deviceMap[10].name, "Serial20");
    keepZ4_reads(false);
}
