// The emulated registry answers the tool's calls with the codes and lengths Windows gives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "registry_setup.h"
#include "registry_faults.h"

namespace {

const char *const SERVICES = "SYSTEM\\CurrentControlSet\\Services";
const char *const PARAMS = "SYSTEM\\CurrentControlSet\\Services\\Serialz4\\Parameters";

class Registry : public ::testing::Test {
protected:
    void SetUp() override { emu::reg_reset(); }
    void TearDown() override { emu::reg_reset(); }

    HKEY open(const std::string &path, REGSAM access = KEY_READ)
    {
        HKEY k = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &k), 0) << path;
        return k;
    }
    HKEY create(const std::string &path, DWORD *disposition = nullptr)
    {
        HKEY k = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &k, disposition),
                  0)
            << path;
        return k;
    }
};

std::vector<uint8_t> bytes(const char *s, size_t n)
{
    return std::vector<uint8_t>(s, s + n);
}

TEST_F(Registry, missing_keys_and_values_answer_2_and_leave_no_handle)
{
    HKEY k = (HKEY)1;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, PARAMS, 0, KEY_READ, &k), 2);
    EXPECT_EQ(k, nullptr);
    emu::reg_put_key(PARAMS);
    k = open(PARAMS);
    DWORD len = 4;
    BYTE buf[4];
    EXPECT_EQ(RegQueryValueExA(k, "Interrupt", nullptr, nullptr, buf, &len), 2);
    EXPECT_EQ(RegCloseKey(k), 0);
    EXPECT_EQ(emu::reg_open_handle_count(), 0);
}

TEST_F(Registry, names_match_in_any_case_and_keep_the_case_they_were_made_with)
{
    HKEY k = create("SYSTEM\\CurrentControlSet\\Services\\Serialz4");
    ASSERT_EQ(RegSetValueExA(k, "ErrorControl", 0, REG_DWORD, (const BYTE *)"\0\0\0\0", 4), 0);
    ASSERT_EQ(RegSetValueExA(k, "ERRORCONTROL", 0, REG_DWORD, (const BYTE *)"\1\0\0\0", 4), 0);
    RegCloseKey(k);
    HKEY again = open("system\\currentcontrolset\\SERVICES\\SERIALZ4");
    DWORD v = 0, len = 4, type = 0;
    EXPECT_EQ(RegQueryValueExA(again, "errorcontrol", nullptr, &type, (BYTE *)&v, &len), 0);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    RegCloseKey(again);
    ASSERT_EQ(emu::reg_values("SYSTEM\\CurrentControlSet\\Services\\Serialz4").size(), 1u);
    EXPECT_EQ(emu::reg_values("SYSTEM\\CurrentControlSet\\Services\\Serialz4")[0].name,
              "ErrorControl");
    EXPECT_EQ(emu::reg_key_name("system\\currentcontrolset\\services\\serialz4"),
              "SYSTEM\\CurrentControlSet\\Services\\Serialz4");
}

TEST_F(Registry, create_makes_every_missing_level_and_reports_whether_it_was_new)
{
    DWORD disp = 0;
    HKEY k = create(std::string(PARAMS) + "\\Board1", &disp);
    EXPECT_EQ(disp, (DWORD)REG_CREATED_NEW_KEY);
    EXPECT_TRUE(emu::reg_has_key(PARAMS));
    RegCloseKey(k);
    k = create(std::string(PARAMS) + "\\board1", &disp);
    EXPECT_EQ(disp, (DWORD)REG_OPENED_EXISTING_KEY);
    RegCloseKey(k);
    // relative to an open key, several levels at once
    HKEY params = open(PARAMS);
    HKEY port = nullptr;
    ASSERT_EQ(RegCreateKeyExA(params, "Board2\\Serial3", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &port, &disp),
              0);
    EXPECT_TRUE(emu::reg_has_key(std::string(PARAMS) + "\\Board2\\Serial3"));
    RegCloseKey(port);
    RegCloseKey(params);
    EXPECT_EQ(emu::reg_open_handle_count(), 0);
}

TEST_F(Registry, subkeys_enumerate_sorted_by_lower_cased_name_and_end_with_259)
{
    emu::reg_put_key(std::string(PARAMS) + "\\Board1\\BoardZ");
    emu::reg_put_key(std::string(PARAMS) + "\\Board1\\Board_1");
    emu::reg_put_key(std::string(PARAMS) + "\\Board1\\Serial3");
    emu::reg_put_key(std::string(PARAMS) + "\\Board1\\Serial10");
    emu::reg_put_key(std::string(PARAMS) + "\\Board1\\serial2");
    HKEY k = open(std::string(PARAMS) + "\\Board1");
    std::vector<std::string> names;
    char name[20];
    DWORD len;
    LONG rc;
    for (DWORD i = 0;; ++i) {
        len = sizeof name;
        rc = RegEnumKeyExA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc != 0) break;
        EXPECT_EQ(len, std::strlen(name));
        names.push_back(name);
    }
    EXPECT_EQ(rc, 259);
    EXPECT_EQ(names, (std::vector<std::string>{"Board_1", "BoardZ", "Serial10", "serial2",
                                               "Serial3"}));
    RegCloseKey(k);
}

TEST_F(Registry, values_enumerate_in_creation_order_or_sorted_as_under_wine)
{
    auto names = [] {
        std::vector<std::string> out;
        HKEY k = nullptr;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, PARAMS, 0, KEY_READ, &k);
        char name[80];
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof name;
            if (RegEnumValueA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr)) break;
            out.push_back(name);
        }
        RegCloseKey(k);
        return out;
    };
    for (const char *n : {"b", "A", "c", "_u"}) emu::reg_put_sz(PARAMS, n, "x");
    EXPECT_EQ(names(), (std::vector<std::string>{"b", "A", "c", "_u"}));
    emu::reg_reset();
    emu::reg_set_sorted_values(true);
    for (const char *n : {"b", "A", "c", "_u"}) emu::reg_put_sz(PARAMS, n, "x");
    EXPECT_EQ(names(), (std::vector<std::string>{"_u", "A", "b", "c"}));
}

TEST_F(Registry, enumeration_buffers_too_small_answer_234_as_wine_does)
{
    emu::reg_put_key(std::string(PARAMS) + "\\Board1");
    emu::reg_put_sz(PARAMS, "LongValueName", "9600,n,8,1");
    HKEY k = open(PARAMS);
    // subkey name: "Board1" needs 7 with its NUL; buffer and length are left as they were
    char name[8];
    std::memset(name, 0xbd, sizeof name);
    DWORD len = 6;
    EXPECT_EQ(RegEnumKeyExA(k, 0, name, &len, nullptr, nullptr, nullptr, nullptr), 234);
    EXPECT_EQ(len, 6u);
    EXPECT_EQ((uint8_t)name[0], 0xbd);
    len = 7;
    EXPECT_EQ(RegEnumKeyExA(k, 0, name, &len, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_STREQ(name, "Board1");
    EXPECT_EQ(len, 6u);

    // value data too small: 234, the needed size, the name not written
    char vname[80];
    BYTE data[20];
    std::memset(vname, 0xbd, sizeof vname);
    DWORD vlen = sizeof vname, dlen = 5, type = 0;
    EXPECT_EQ(RegEnumValueA(k, 0, vname, &vlen, nullptr, &type, data, &dlen), 234);
    EXPECT_EQ(dlen, 11u);
    EXPECT_EQ(vlen, 80u);
    EXPECT_EQ((uint8_t)vname[0], 0xbd);
    // value name too small: 234, the name cut to the buffer, its length left as passed
    vlen = 5;
    dlen = sizeof data;
    EXPECT_EQ(RegEnumValueA(k, 0, vname, &vlen, nullptr, &type, data, &dlen), 234);
    EXPECT_STREQ(vname, "Long");
    EXPECT_EQ(vlen, 5u);
    EXPECT_EQ(dlen, 11u);
    // past the last value
    vlen = sizeof vname;
    dlen = sizeof data;
    EXPECT_EQ(RegEnumValueA(k, 1, vname, &vlen, nullptr, &type, data, &dlen), 259);
    RegCloseKey(k);
}

TEST_F(Registry, query_reports_the_size_needed_and_accepts_a_null_buffer)
{
    emu::reg_put_sz(PARAMS, "Text", "9600,n,8,1");
    HKEY k = open(PARAMS);
    DWORD len = 0, type = 0;
    EXPECT_EQ(RegQueryValueExA(k, "Text", nullptr, &type, nullptr, &len), 0);
    EXPECT_EQ(len, 11u);
    BYTE small[4];
    len = sizeof small;
    EXPECT_EQ(RegQueryValueExA(k, "Text", nullptr, &type, small, &len), 234);
    EXPECT_EQ(len, 11u);
    BYTE buf[32];
    len = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(k, "Text", nullptr, &type, buf, &len), 0);
    EXPECT_EQ(len, 11u);
    EXPECT_STREQ((char *)buf, "9600,n,8,1");
    RegCloseKey(k);
}

TEST_F(Registry, a_text_set_without_its_nul_is_stored_with_the_nul_that_follows_it)
{
    HKEY k = create(std::string(PARAMS) + "\\Board1\\Serial3");
    const char text[] = "COM5 ";
    ASSERT_EQ(RegSetValueExA(k, "DosDevices", 0, REG_SZ, (const BYTE *)text, 5), 0);
    // the byte after the length is not a NUL: exactly the bytes given are kept
    const char longer[] = "COM12 x";
    ASSERT_EQ(RegSetValueExA(k, "Cut", 0, REG_SZ, (const BYTE *)longer, 6), 0);
    // binary data is never extended
    ASSERT_EQ(RegSetValueExA(k, "Raw", 0, REG_BINARY, (const BYTE *)text, 5), 0);
    RegCloseKey(k);
    std::string key = std::string(PARAMS) + "\\Board1\\Serial3";
    EXPECT_EQ(emu::reg_get_value(key, "DosDevices")->data, bytes("COM5 \0", 6));
    EXPECT_EQ(emu::reg_get_value(key, "Cut")->data, bytes("COM12 ", 6));
    EXPECT_EQ(emu::reg_get_value(key, "Raw")->data, bytes("COM5 ", 5));
    const auto &log = emu::reg_calls();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[1].op, "RegSetValueExA");
    EXPECT_EQ(log[1].name, "DosDevices");
    EXPECT_EQ(log[1].length, 5u);
    EXPECT_EQ(log[1].type, (DWORD)REG_SZ);
    EXPECT_EQ(log[1].key, key);
}

TEST_F(Registry, an_unterminated_text_reads_back_with_a_nul_only_when_there_is_room)
{
    std::string key = std::string(PARAMS) + "\\Board1\\Serial3";
    emu::reg_put_value(key, "DosDevices", REG_SZ, bytes("COM5 ", 5));
    HKEY k = open(key);
    BYTE buf[8];
    std::memset(buf, 0xbd, sizeof buf);
    DWORD len = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(k, "DosDevices", nullptr, nullptr, buf, &len), 0);
    EXPECT_EQ(len, 5u);
    EXPECT_EQ(buf[5], 0);
    std::memset(buf, 0xbd, sizeof buf);
    char name[80];
    DWORD nlen = sizeof name;
    len = 5;
    EXPECT_EQ(RegEnumValueA(k, 0, name, &nlen, nullptr, nullptr, buf, &len), 0);
    EXPECT_EQ(len, 5u);
    EXPECT_EQ(buf[5], 0xbd);
    RegCloseKey(k);
}

TEST_F(Registry, key_information_counts_subkeys_values_and_longest_names)
{
    emu::reg_put_key(std::string(PARAMS) + "\\Board1");
    emu::reg_put_key(std::string(PARAMS) + "\\Board12");
    emu::reg_put_dword(PARAMS, "Interrupt", 10);
    emu::reg_put_sz(PARAMS, "Text", "9600,n,8,1");
    HKEY k = open(PARAMS);
    char cls[260];
    DWORD cls_len = sizeof cls, subs = 99, max_sub = 99, max_cls = 99, vals = 99, max_vname = 99,
          max_data = 99, sec = 99;
    FILETIME ft;
    EXPECT_EQ(RegQueryInfoKeyA(k, cls, &cls_len, nullptr, &subs, &max_sub, &max_cls, &vals,
                               &max_vname, &max_data, &sec, &ft),
              0);
    EXPECT_EQ(subs, 2u);
    EXPECT_EQ(max_sub, 7u);
    EXPECT_EQ(vals, 2u);
    EXPECT_EQ(max_vname, 9u);
    EXPECT_EQ(max_data, 22u);  // the text as Windows holds it, in UTF-16
    EXPECT_EQ(cls_len, 0u);
    EXPECT_STREQ(cls, "");
    cls_len = 0;  // Wine answers 0 for the empty class even then
    EXPECT_EQ(RegQueryInfoKeyA(k, cls, &cls_len, nullptr, &subs, nullptr, nullptr, &vals,
                               nullptr, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(cls_len, 0u);
    RegCloseKey(k);
}

TEST_F(Registry, a_key_with_subkeys_is_refused_with_5_unless_deletion_is_recursive)
{
    emu::reg_put_key(std::string(PARAMS) + "\\Board1\\Serial3");
    HKEY services = open(SERVICES);
    EXPECT_EQ(RegDeleteKeyA(services, "Serialz4\\Parameters"), 5);
    EXPECT_TRUE(emu::reg_has_key(std::string(PARAMS) + "\\Board1\\Serial3"));
    HKEY params = open(PARAMS);
    EXPECT_EQ(RegDeleteKeyA(params, "Board1\\Serial3"), 0);
    EXPECT_EQ(RegDeleteKeyA(params, "Board1"), 0);
    EXPECT_EQ(RegDeleteKeyA(params, "Board1"), 2);
    RegCloseKey(params);
    EXPECT_EQ(RegDeleteKeyA(services, "Serialz4\\Parameters"), 0);
    EXPECT_EQ(RegDeleteKeyA(services, "Serialz4"), 0);
    EXPECT_FALSE(emu::reg_has_key("SYSTEM\\CurrentControlSet\\Services\\Serialz4"));
    EXPECT_TRUE(emu::reg_has_key(SERVICES));

    emu::reg_put_key(std::string(PARAMS) + "\\Board1\\Serial3");
    emu::reg_set_recursive_delete(true);
    EXPECT_EQ(RegDeleteKeyA(services, "Serialz4"), 0);
    EXPECT_FALSE(emu::reg_has_key("SYSTEM\\CurrentControlSet\\Services\\Serialz4"));
    RegCloseKey(services);
}

TEST_F(Registry, handles_on_a_deleted_key_answer_1018_and_still_close)
{
    emu::reg_put_key(PARAMS);
    emu::reg_put_dword(PARAMS, "Interrupt", 10);
    HKEY params = open(PARAMS, KEY_ALL_ACCESS);
    HKEY services = open(SERVICES);
    ASSERT_EQ(RegDeleteKeyA(services, "Serialz4\\Parameters"), 0);
    DWORD v, len = 4;
    EXPECT_EQ(RegQueryValueExA(params, "Interrupt", nullptr, nullptr, (BYTE *)&v, &len), 1018);
    EXPECT_EQ(RegSetValueExA(params, "Interrupt", 0, REG_DWORD, (const BYTE *)&v, 4), 1018);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExA(params, "Board1", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                              nullptr),
              1018);
    EXPECT_FALSE(emu::reg_has_key(std::string(PARAMS) + "\\Board1"));
    char name[20];
    len = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(params, 0, name, &len, nullptr, nullptr, nullptr, nullptr), 1018);
    EXPECT_EQ(RegCloseKey(params), 0);
    EXPECT_EQ(RegCloseKey(services), 0);
}

TEST_F(Registry, closed_or_unknown_handles_answer_6_and_closing_the_machine_root_is_harmless)
{
    emu::reg_put_key(PARAMS);
    HKEY k = open(PARAMS);
    ASSERT_EQ(emu::reg_open_handle_count(), 1);
    EXPECT_EQ(emu::reg_open_handle_paths(), (std::vector<std::string>{PARAMS}));
    EXPECT_EQ(RegCloseKey(k), 0);
    EXPECT_EQ(RegCloseKey(k), 6);
    DWORD len = 4;
    BYTE buf[4];
    EXPECT_EQ(RegQueryValueExA(k, "Interrupt", nullptr, nullptr, buf, &len), 6);
    EXPECT_EQ(RegCloseKey(nullptr), 6);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), 0);
    EXPECT_EQ(emu::reg_open_handle_count(), 0);
    // the same key still opens through the root afterwards
    RegCloseKey(open(PARAMS));
}

TEST_F(Registry, a_handle_does_only_what_it_was_opened_for)
{
    emu::reg_put_key(PARAMS);
    HKEY k = open(PARAMS, KEY_READ);
    DWORD v = 1;
    EXPECT_EQ(RegSetValueExA(k, "Interrupt", 0, REG_DWORD, (const BYTE *)&v, 4), 5);
    EXPECT_FALSE(emu::reg_get_value(PARAMS, "Interrupt"));
    RegCloseKey(k);
    k = open(PARAMS, KEY_READ | KEY_SET_VALUE);
    EXPECT_EQ(RegSetValueExA(k, "Interrupt", 0, REG_DWORD, (const BYTE *)&v, 4), 0);
    RegCloseKey(k);
}

TEST_F(Registry, denied_keys_and_everything_below_them_answer_5)
{
    const std::string ports = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
    emu::reg_put_key(ports);
    emu::reg_put_key(SERVICES);
    emu::reg_deny(ports);
    emu::reg_deny(std::string(SERVICES) + "\\Serialz4");
    HKEY k = (HKEY)1;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, ports.c_str(), 0, 0x2001B, &k), 5);
    EXPECT_EQ(k, nullptr);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, PARAMS, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &k, nullptr),
              5);
    EXPECT_FALSE(emu::reg_has_key(std::string(SERVICES) + "\\Serialz4"));
    // a neighbour whose name merely starts the same is not denied
    RegCloseKey(create(std::string(SERVICES) + "\\Serialz4x"));
    EXPECT_EQ(emu::reg_open_handle_count(), 0);
}

TEST_F(Registry, injected_faults_match_op_key_name_and_count)
{
    const std::string board = std::string(PARAMS) + "\\Board1";
    emu::reg_inject("RegCreateKeyExA", board, "", 5);
    HKEY k = (HKEY)1;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, board.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &k, nullptr),
              5);
    EXPECT_EQ(k, nullptr);
    EXPECT_FALSE(emu::reg_has_key(PARAMS));  // nothing at all was made
    EXPECT_EQ(emu::reg_calls().back().result, 5);

    // the second set of "PortIndex" anywhere fails, and stores nothing
    emu::reg_inject("RegSetValueExA", "", "portindex", 1450, 2);
    HKEY a = create(board + "\\Serial3"), b = create(board + "x\\Serial4");
    EXPECT_EQ(emu::reg_open_handle_count(), 2);
    DWORD v = 7;
    EXPECT_EQ(RegSetValueExA(a, "PortIndex", 0, REG_DWORD, (const BYTE *)&v, 4), 0);
    EXPECT_EQ(RegSetValueExA(b, "PortIndex", 0, REG_DWORD, (const BYTE *)&v, 4), 1450);
    EXPECT_FALSE(emu::reg_get_value(board + "x\\Serial4", "PortIndex"));
    EXPECT_EQ(RegSetValueExA(b, "PortIndex", 0, REG_DWORD, (const BYTE *)&v, 4), 0);
    RegCloseKey(a);
    RegCloseKey(b);
}

TEST_F(Registry, an_injected_enumeration_fault_hits_the_named_subkey_and_leaves_the_buffer)
{
    emu::reg_put_key(std::string(PARAMS) + "\\Board1");
    emu::reg_put_key(std::string(PARAMS) + "\\Board2");
    emu::reg_inject("RegEnumKeyExA", PARAMS, "Board2", 1460);
    emu::reg_inject("RegDeleteKeyA", std::string(PARAMS) + "\\Board1", "", 1461, 1);
    HKEY k = open(PARAMS);
    char name[20] = "unchanged";
    DWORD len = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(k, 0, name, &len, nullptr, nullptr, nullptr, nullptr), 0);
    len = sizeof name;
    std::strcpy(name, "unchanged");
    EXPECT_EQ(RegEnumKeyExA(k, 1, name, &len, nullptr, nullptr, nullptr, nullptr), 1460);
    EXPECT_STREQ(name, "unchanged");
    EXPECT_EQ(len, sizeof name);
    EXPECT_EQ(emu::reg_calls().back().name, "Board2");
    EXPECT_EQ(RegDeleteKeyA(k, "Board1"), 1461);
    EXPECT_TRUE(emu::reg_has_key(std::string(PARAMS) + "\\Board1"));
    EXPECT_EQ(RegDeleteKeyA(k, "Board1"), 0);
    // a fault for any call on the key still lets the handle close
    emu::reg_inject("", PARAMS, "", 1462);
    char data[4];
    DWORD dlen = sizeof data;
    EXPECT_EQ(RegQueryValueExA(k, "Interrupt", nullptr, nullptr, (BYTE *)data, &dlen), 1462);
    EXPECT_EQ(RegCloseKey(k), 0);
    EXPECT_EQ(emu::reg_open_handle_count(), 0);
}

TEST_F(Registry, the_call_log_names_each_call_with_its_key_and_result)
{
    emu::reg_put_key(SERVICES);
    HKEY k = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\services", 0, KEY_READ, &k);
    RegOpenKeyExA(k, "Serialz4", 0, KEY_READ, &k);
    const auto &log = emu::reg_calls();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].op, "RegOpenKeyExA");
    EXPECT_EQ(log[0].key, SERVICES);  // the stored spelling
    EXPECT_EQ(log[0].access, (REGSAM)KEY_READ);
    EXPECT_EQ(log[1].key, std::string(SERVICES) + "\\Serialz4");
    EXPECT_EQ(log[1].name, "Serialz4");
    EXPECT_EQ(log[1].result, 2);
    emu::reg_clear_calls();
    EXPECT_TRUE(emu::reg_calls().empty());
}

}  // namespace
