// .reg files load into and save out of the emulated registry as regedit reads and writes them.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "registry_setup.h"
#include "reg_file.h"

namespace {

const std::string FIXTURES = std::string(Z4_SOURCE_DIR) + "/tests/fixtures/reg/";
const std::string SERVICE = "SYSTEM\\CurrentControlSet\\Services\\Serialz4";
const std::string BOARD = SERVICE + "\\Parameters\\Board1";

std::vector<uint8_t> bytes(const char *s, size_t n)
{
    return std::vector<uint8_t>(s, s + n);
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Keys, values, types and bytes of the whole registry, in enumeration order.
std::string dump(const std::string &path = "")
{
    std::string out = "[" + path + "]\n";
    for (const auto &v : emu::reg_values(path)) {
        out += v.name + " " + std::to_string(v.type) + ":";
        for (uint8_t b : v.data) out += " " + std::to_string(b);
        out += "\n";
    }
    for (const auto &sub : emu::reg_subkeys(path)) out += dump(path.empty() ? sub : path + "\\" + sub);
    return out;
}

class RegFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        emu::reg_reset();
        // what the fixtures delete must be there first
        emu::reg_put_dword("SOFTWARE\\Z4Fixture", "Gone", 1);
        emu::reg_put_key("SOFTWARE\\Z4Fixture\\Old\\Older");
    }
    void TearDown() override { emu::reg_reset(); }

    std::string temp(const char *name) { return ::testing::TempDir() + name; }

    void expect_fixture_contents()
    {
        EXPECT_EQ(emu::reg_get_value(SERVICE, "Group")->data, bytes("Extended base", 14));
        EXPECT_EQ(emu::reg_get_value(SERVICE, "Start")->data, bytes("\2\0\0\0", 4));
        EXPECT_EQ(emu::reg_get_value(BOARD, "Interrupt")->data, bytes("\12\0\0\0", 4));
        EXPECT_EQ(emu::reg_get_value(BOARD, "IOAddr")->type, (DWORD)REG_DWORD);
        EXPECT_EQ(emu::reg_get_value(BOARD + "\\Serial3", "DosDevices")->data, bytes("COM5 ", 6));
        auto com6 = emu::reg_get_value(BOARD + "\\Serial4", "DosDevices");
        EXPECT_EQ(com6->type, (DWORD)REG_SZ);
        EXPECT_EQ(com6->data, bytes("COM6 ", 5));
        const std::string fix = "SOFTWARE\\Z4Fixture";
        EXPECT_EQ(emu::reg_get_value(fix, "")->data, bytes("default \"quoted\" C:\\path", 25));
        auto binary = emu::reg_get_value(fix, "Binary");
        EXPECT_EQ(binary->type, (DWORD)REG_BINARY);
        ASSERT_EQ(binary->data.size(), 27u);
        EXPECT_EQ(binary->data[26], 0x1a);
        EXPECT_EQ(emu::reg_get_value(fix, "Multi")->data, bytes("a\0b\0", 5));
        EXPECT_EQ(emu::reg_get_value(fix, "Multi")->type, (DWORD)REG_MULTI_SZ);
        EXPECT_EQ(emu::reg_get_value(fix, "Expand")->data, bytes("%SYS%", 6));
        EXPECT_FALSE(emu::reg_get_value(fix, "Gone"));
        EXPECT_FALSE(emu::reg_has_key(fix + "\\Old"));
        EXPECT_TRUE(emu::reg_has_key(SERVICE + "\\Parameters"));
    }
};

TEST_F(RegFile, the_same_configuration_loads_from_unicode_ansi_and_regedit4_files)
{
    std::string error;
    ASSERT_TRUE(emu::reg_load_file(FIXTURES + "z4_board_unicode.reg", &error)) << error;
    expect_fixture_contents();
    std::string from_unicode = dump();

    for (const char *name : {"z4_board_regedit4.reg", "z4_board_ansi5_lf.reg"}) {
        SetUp();
        ASSERT_TRUE(emu::reg_load_file(FIXTURES + name, &error)) << name << ": " << error;
        EXPECT_EQ(dump(), from_unicode) << name;
    }
}

TEST_F(RegFile, every_format_saves_and_loads_back_to_the_same_bytes)
{
    std::string error;
    ASSERT_TRUE(emu::reg_load_file(FIXTURES + "z4_board_unicode.reg", &error)) << error;
    const std::string odd = "SOFTWARE\\Z4Fixture\\Odd \"names\"";
    emu::reg_put_value(odd, "", REG_SZ, {});                         // empty, not even a NUL
    emu::reg_put_value(odd, "q\"b\\s", REG_SZ, bytes("a\r\nb", 5));  // needs hex(1)
    emu::reg_put_value(odd, "Eight", 11, bytes("\1\2\3\4\5\6\7\10", 8));
    emu::reg_put_value(odd, "Short", REG_DWORD, bytes("\1\2", 2));
    emu::reg_put_value(odd, "High", REG_SZ, bytes("\x80\xe9\xff", 4));
    std::vector<uint8_t> big(300);
    for (size_t i = 0; i < big.size(); ++i) big[i] = (uint8_t)i;
    emu::reg_put_value(odd, "Big", REG_BINARY, big);
    const std::string before = dump();

    for (auto format : {emu::RegFileFormat::Unicode5, emu::RegFileFormat::Unicode5Ansi,
                        emu::RegFileFormat::Regedit4}) {
        const std::string file = temp("roundtrip.reg");
        ASSERT_TRUE(emu::reg_save_file(file, format, {}, &error)) << error;
        emu::reg_reset();
        ASSERT_TRUE(emu::reg_load_file(file, &error)) << error;
        EXPECT_EQ(dump(), before) << "format " << (int)format;
        std::remove(file.c_str());
    }
}

TEST_F(RegFile, saved_text_is_what_regedit_writes)
{
    emu::reg_put_sz(BOARD + "\\Serial3", "DosDevices", "COM5 ");
    emu::reg_put_value(BOARD + "\\Serial4", "DosDevices", REG_SZ, bytes("COM6 ", 5));
    emu::reg_put_dword(BOARD + "\\Serial4", "PortIndex", 0x1a);
    std::string text = emu::reg_save_text({"hkey_local_machine\\" + BOARD});
    EXPECT_EQ(text,
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\" + BOARD + "]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\" + BOARD + "\\Serial3]\r\n"
              "\"DosDevices\"=\"COM5 \"\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\" + BOARD + "\\Serial4]\r\n"
              "\"DosDevices\"=hex(1):43,4f,4d,36,20\r\n"
              "\"PortIndex\"=dword:0000001a\r\n\r\n");

    // a UTF-16 file holds its text data in hex as UTF-16 too
    std::string error;
    const std::string file = temp("unicode.reg");
    ASSERT_TRUE(emu::reg_save_file(file, emu::RegFileFormat::Unicode5, {BOARD}, &error));
    std::string raw = read_file(file);
    ASSERT_GE(raw.size(), 6u);
    EXPECT_EQ(raw.substr(0, 6), std::string("\xFF\xFEW\0i\0", 6));
    std::string narrow;
    for (size_t i = 2; i + 1 < raw.size(); i += 2) narrow += raw[i];
    std::string wide_text = text;
    wide_text.replace(wide_text.find("43,4f,4d,36,20"), 14, "43,00,4f,00,4d,00,36,00,20,00");
    EXPECT_EQ(narrow, wide_text);
    ASSERT_TRUE(emu::reg_save_file(file, emu::RegFileFormat::Regedit4, {BOARD}, &error));
    EXPECT_EQ(read_file(file).substr(0, 10), "REGEDIT4\r\n");
    std::remove(file.c_str());

    EXPECT_FALSE(emu::reg_save_file(file, emu::RegFileFormat::Regedit4, {"SOFTWARE\\Nowhere"},
                                    &error));
    EXPECT_NE(error.find("SOFTWARE\\Nowhere"), std::string::npos) << error;
}

TEST_F(RegFile, long_hex_data_wraps_within_eighty_columns_with_continuations)
{
    emu::reg_put_value("SOFTWARE\\Z4Fixture", "Big", REG_BINARY, std::vector<uint8_t>(100, 0xab));
    std::string text = emu::reg_save_text({"SOFTWARE\\Z4Fixture"});
    size_t start = text.find("\"Big\"=hex:");
    ASSERT_NE(start, std::string::npos);
    int lines = 0;
    size_t count = 0;
    for (size_t p = start;; ++lines) {
        size_t end = text.find("\r\n", p);
        std::string line = text.substr(p, end - p);
        EXPECT_LE(line.size(), 80u) << line;
        for (char c : line) count += c == ',';
        p = end + 2;
        if (line.back() != '\\') break;
        EXPECT_EQ(line.substr(line.size() - 2), ",\\");
        EXPECT_EQ(text.substr(p, 2), "  ");
    }
    EXPECT_GE(lines, 4);
    EXPECT_EQ(count, 99u);
}

TEST_F(RegFile, malformed_files_name_file_and_line_and_change_nothing)
{
    const std::string before = dump();
    struct Case {
        const char *text;
        int line;
        const char *reason;
    };
    const Case cases[] = {
        {"REGEDIT5\r\n[HKEY_LOCAL_MACHINE\\A]\r\n", 1, "not a registry file"},
        {"\"x\"=dword:1\r\n", 1, "not a registry file"},
        {"REGEDIT4\r\n\"x\"=dword:1\r\n", 2, "before the first key"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n[HKEY_CURRENT_USER\\B]\r\n", 3, "HKEY_LOCAL_MACHINE"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\r\n", 2, "']'"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\\\\B]\r\n", 2, "empty key name"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=dword:123456789\r\n", 3, "dword"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=dword:\r\n", 3, "dword"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=\"open\r\n", 3, "not closed"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=\"a\\qb\"\r\n", 3, "unknown escape"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=\"a\" junk\r\n", 3, "after the closing quote"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\" dword:1\r\n", 3, "'='"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=qword:1\r\n", 3, "unknown data format"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=hex:01,\\\r\n  02,xy\r\n", 4, "hex data"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=hex:01 02\r\n", 3, "commas"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=hex:01,\\\r\n", 3, "ends inside"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=hex(7:00\r\n", 3, "hex(N)"},
        {"REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=dword:1\r\n", 3, "deleted key"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\nx=1\r\n", 3, "neither a key"},
    };
    for (const auto &c : cases) {
        std::string error;
        EXPECT_FALSE(emu::reg_load_text(c.text, "case.reg", &error)) << c.text;
        std::string where = "case.reg:" + std::to_string(c.line) + ": ";
        EXPECT_EQ(error.compare(0, where.size(), where), 0) << error << "\nfor\n" << c.text;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error << "\nfor\n" << c.text;
        EXPECT_EQ(dump(), before) << c.text;
    }

    // UTF-16 text data of an odd length, in a UTF-16 file
    std::string wide = "\xFF\xFE";
    for (char c : std::string("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=hex(1):41\r\n"))
        wide += std::string(1, c) + '\0';
    std::string error;
    EXPECT_FALSE(emu::reg_load_text(wide, "wide.reg", &error));
    EXPECT_EQ(error, "wide.reg:3: UTF-16 text data of an odd length");
    EXPECT_EQ(dump(), before);

    const std::string file = FIXTURES + "malformed_hex.reg";
    EXPECT_FALSE(emu::reg_load_file(file, &error));
    EXPECT_EQ(error.compare(0, file.size() + 4, file + ":5: "), 0) << error;
    EXPECT_FALSE(emu::reg_has_key("SOFTWARE\\Z4Fixture\\Fine"));
    EXPECT_FALSE(emu::reg_get_value("SOFTWARE\\Z4Fixture", "Fine"));
    EXPECT_FALSE(emu::reg_load_file(FIXTURES + "no_such_file.reg", &error));
    EXPECT_NE(error.find("no_such_file.reg"), std::string::npos);
}

}  // namespace
