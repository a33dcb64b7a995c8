// The files a run reads and writes: devices refused by name and by kind, the report never
// written through a file or link planted where it goes, names outside the code page kept, every
// failure with the system's reason.
#include "unattended_fixture.h"

#include <sys/stat.h>

#include "comdb_record.h"
#include "dos_device_names.h"
#include "file_record.h"
#include "z4setup_files.h"

namespace {

using namespace unattended;

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool device(const std::u16string &name) { return isZ4_device_name(name.c_str()); }

TEST(FileNames, devices_are_told_by_their_name_whatever_the_folder_or_extension)
{
    for (const char16_t *name : {u"nul", u"NUL.ini", u"com1.ini", u"C:\\x\\Com9.txt", u"lpt1",
                                 u"sub/aux.x.y", u"con .txt", u"prn", u"CONIN$", u"\\\\.\\pipe\\x",
                                 u"\\\\.\\COM3", u"a:nul"})
        EXPECT_TRUE(device(name)) << std::string(name, name + std::char_traits<char16_t>::length(name));
    for (const char16_t *name : {u"com10.ini", u"nullable.ini", u"console.ini", u"com.ini", u"lpt",
                                 u"boards.ini", u"\\\\.\\C:\\boards.ini", u"my nul.ini", u"comx", u"com0.ini",
                                 u"lpt0"})
        EXPECT_FALSE(device(name)) << std::string(name, name + std::char_traits<char16_t>::length(name));
}

// The tool's rule against what Windows answers, name by name: every name that is a DOS device,
// or that cannot name a file on a disk, is refused; every other name is taken.
TEST(FileNames, the_rule_answers_as_the_system_does_name_by_name)
{
    for (const emu::DeviceNameAnswer &a : emu::device_name_answers()) {
        std::u16string name(a.name);
        std::string shown;
        for (char16_t c : name)
            shown += c < 0x80 ? static_cast<char>(c) : '?';
        EXPECT_EQ(device(name), a.dosDevice || !a.disk) << shown;
    }
}

// The command line's text round-trips: what GetCommandLineW gave is what the file calls get.
TEST(FileNames, a_name_outside_the_code_page_reaches_the_file_calls_unchanged)
{
    const std::u16string wide = u"r\u0151port \U0001F4C1.ini";
    char utf8[64];
    utf8Z4_of_wide(wide.c_str(), utf8);
    EXPECT_STREQ(utf8, "r\xc5\x91port \xf0\x9f\x93\x81.ini");
    EXPECT_EQ(unitsZ4_of_utf8(utf8), wide.size());
    Z4FileName name;
    ASSERT_TRUE(nameZ4_file(utf8, &name));
    EXPECT_EQ(std::u16string(name.wide), wide);
    EXPECT_STREQ(name.shown, "r?port ??.ini");
    // An unpaired surrogate, which Windows allows in a name, is kept too.
    const char16_t lone[] = {'a', 0xD800, 'b', 0};
    utf8Z4_of_wide(lone, utf8);
    ASSERT_TRUE(nameZ4_file(utf8, &name));
    EXPECT_EQ(std::u16string(name.wide), std::u16string(lone));
}

TEST_F(Unattended, a_device_given_as_a_file_is_refused_before_anything_is_read_or_written)
{
    machine = configured_machine;
    for (const char *verb : {"/s ", "/n ", "/r "}) {
        for (const char *name : {"nul.ini", "COM1.ini", "lpt2"}) {
            std::string path = dir + "/" + name;
            Outcome o = run(verb + path, nullptr);
            EXPECT_EQ(o.code, Z4_EXIT_BAD_FILE) << verb << name;
            EXPECT_EQ(o.out, path + ": is a device, not a file\n") << verb << name;
            for (const auto &call : emu::file_calls())
                EXPECT_NE(call.call, "CreateFileW") << verb << name << ": " << call.path;
            if (verb[1] != 'r')
                EXPECT_TRUE(emu::reg_calls().empty()) << verb << name;
        }
    }
}

// Names that Windows resolves to a port, a volume or a pipe by their form: refused by name too,
// before any file is opened; every file that is opened is opened so that a pipe's server could
// never act as the tool's account.
TEST_F(Unattended, a_device_by_the_form_of_its_name_is_refused_and_no_open_can_be_impersonated)
{
    machine = configured_machine;
    for (const char *verb : {"/s ", "/n ", "/r "}) {
        for (const std::string &path : {dir + "/com1:", dir + "/COM\xC2\xB9.ini", std::string("//./COM10"),
                                        std::string("\\\\?\\GLOBALROOT\\Device\\Serial0"),
                                        std::string("\\\\.\\C:"), std::string("\\\\server\\pipe\\z4")}) {
            Outcome o = run(verb + ("\"" + path + "\""), nullptr);
            EXPECT_EQ(o.code, Z4_EXIT_BAD_FILE) << verb << path;
            EXPECT_NE(o.out.find(": is a device, not a file\n"), std::string::npos) << verb << path << o.out;
            for (const auto &call : emu::file_calls())
                EXPECT_NE(call.call, "CreateFileW") << verb << path << ": " << call.path;
        }
    }
    std::string boards = file("boards.ini", "[Board1]\nBusType = ISA\nPorts = 8\n");
    for (const char *verb : {"/s ", "/r "}) {
        run(verb + boards, nullptr);
        size_t opened = 0;
        for (const auto &call : emu::file_calls()) {
            if (call.call != "CreateFileW")
                continue;
            ++opened;
            EXPECT_EQ(call.flags & (SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION),
                      static_cast<DWORD>(SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION))
                << verb << call.path;
        }
        EXPECT_GT(opened, 0u) << verb;
    }
}

// A pipe has no device name: it is told by its kind once opened, and nothing is read from it.
TEST_F(Unattended, a_pipe_given_as_a_file_is_refused_once_opened)
{
    machine = configured_machine;
    std::string fifo = dir + "/boards.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const char *verb : {"/s ", "/r "}) {
        Outcome o = run(verb + fifo, nullptr);
        EXPECT_EQ(o.code, Z4_EXIT_BAD_FILE) << verb;
        EXPECT_EQ(o.out, fifo + ": is a device, not a file\n") << verb;
        for (const auto &call : emu::file_calls())
            EXPECT_NE(call.call, "ReadFile") << verb;
        EXPECT_EQ(emu::open_file_handles(), 0);
    }
}

class Report : public Unattended {
protected:
    std::string target, victim;
    const std::string victimText = "what an attacker wants overwritten\n";

    void SetUp() override
    {
        Unattended::SetUp();
        machine = configured_machine;
        target = file("boards.ini", "; last week's\n");
        victim = file("victim.txt", victimText);
    }
    std::string temp(int n) const
    {
        return target + (n == 1 ? ".z4setup.tmp" : ".z4setup-" + std::to_string(n) + ".tmp");
    }
    // A /r FILE run with `fault` set up on the configured machine: it must fail with `reason`,
    // leave FILE as it was and no report of its own beside it.
    Outcome failed_report(std::function<void()> fault, const std::string &reason)
    {
        machine = [fault] {
            configured_machine();
            fault();
        };
        Outcome o = run("/r " + target, nullptr);
        EXPECT_EQ(o.code, Z4_EXIT_BAD_FILE);
        EXPECT_EQ(o.out, target + ": cannot be written: " + reason + "\n");
        EXPECT_EQ(slurp(target), "; last week's\n");
        struct stat st;
        EXPECT_TRUE(lstat(temp(1).c_str(), &st) != 0 || S_ISLNK(st.st_mode)) << "a report left at " << temp(1);
        return o;
    }
    void plant_links(int count)
    {
        for (int n = 1; n <= count; ++n)
            ASSERT_EQ(symlink(victim.c_str(), temp(n).c_str()), 0);
    }
};

TEST_F(Report, links_at_every_temporary_name_are_never_followed)
{
    plant_links(8);
    Outcome o = run("/r " + target, nullptr);
    EXPECT_EQ(o.code, Z4_EXIT_BAD_FILE);
    EXPECT_EQ(o.out, target + ": cannot be written: every name beside it for the report (.z4setup.tmp "
                              "to .z4setup-8.tmp) is taken: File exists. (error 80)\n");
    EXPECT_EQ(slurp(victim), victimText);
    EXPECT_EQ(slurp(target), "; last week's\n");
    for (int n = 1; n <= 8; ++n) {
        struct stat st;
        EXPECT_EQ(lstat(temp(n).c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the tool removed what it did not make: " << temp(n);
    }
}

// The call that puts the report in FILE's place: ReplaceFileW where Windows has it (2000 and
// later), MoveFileExW on Windows NT 4.0.
const char *const PLACING[] = {"ReplaceFileW", "MoveFileExW"};

TEST_F(Report, a_free_name_after_planted_links_takes_the_report)
{
    plant_links(7);
    std::string want = run("/r", nullptr).out;
    for (const char *placing : PLACING) {
        machine = [placing] {
            configured_machine();
            emu::set_replace_file_available(placing == PLACING[0]);
        };
        Outcome o = run("/r " + target, nullptr);
        EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
        EXPECT_EQ(slurp(target), want);
        EXPECT_EQ(slurp(victim), victimText);
        EXPECT_FALSE(std::ifstream(temp(8)).good());
        // Made new, flushed, then put in FILE's place, in that order.
        std::vector<std::string> order;
        for (const auto &call : emu::file_calls())
            if ((call.call != "CreateFileW" && call.call != "GetFileAttributesW") || call.path == temp(8))
                order.push_back(call.call);
        EXPECT_EQ(order, (std::vector<std::string>{"CreateFileW", "FlushFileBuffers", placing}));
    }
}

// FILE keeps what Windows keeps beside its bytes: its security descriptor (a locked-down file on
// a share stays locked down), its attributes and its mode. A FILE that does not exist yet is
// made by the move.
TEST_F(Report, the_report_keeps_the_files_protection_and_attributes)
{
    const std::string locked = "O:BAG:SYD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)";
    machine = [this, locked] {
        configured_machine();
        emu::set_file_security(target, locked);
        emu::set_file_attributes(target, FILE_ATTRIBUTE_HIDDEN);
    };
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    Outcome o = run("/r " + target, nullptr);
    EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
    EXPECT_NE(slurp(target).find("[Board1]"), std::string::npos);
    EXPECT_EQ(emu::file_security(target), locked);
    EXPECT_EQ(emu::file_attributes(target), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    std::string fresh = dir + "/new.ini";
    o = run("/r " + fresh, nullptr);
    EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
    bool moved = false;
    for (const auto &call : emu::file_calls())
        moved = moved || (call.call == "MoveFileExW" && call.path == fresh);
    EXPECT_TRUE(moved);
    EXPECT_NE(slurp(fresh).find("[Board1]"), std::string::npos);
}

// A read-only FILE stays as it is, with the system's reason, and nothing is made beside it.
TEST_F(Report, a_read_only_file_is_not_replaced)
{
    for (const char *placing : PLACING) {
        ASSERT_EQ(chmod(target.c_str(), 0444), 0);
        failed_report([placing] { emu::set_replace_file_available(placing == PLACING[0]); },
                      "Access denied. (error 5)");
        for (const auto &call : emu::file_calls())
            EXPECT_NE(call.path, temp(1)) << placing << ": " << call.call;
        ASSERT_EQ(chmod(target.c_str(), 0644), 0);
    }
}

// The stream's end is part of the report: when the disk refuses it, FILE stays as it was.
TEST_F(Report, a_report_that_does_not_reach_the_disk_is_never_moved_over_the_file)
{
    failed_report([] { emu::file_inject("FlushFileBuffers", ERROR_DISK_FULL); },
                  "Disk full. (error 112)");
    for (const auto &call : emu::file_calls())
        EXPECT_NE(call.call, "MoveFileExW");
}

// A stream whose writes fail (a full disk) is no report: FILE stays, the file made goes.
TEST_F(Report, a_report_on_a_full_disk_is_never_moved_over_the_file)
{
    failed_report([] { emu::file_fill_disk(true); }, "Write fault. (error 29)");
}

// A failed move removes the file the tool made, and only that one.
TEST_F(Report, a_failed_move_deletes_only_what_the_tool_made)
{
    plant_links(1);
    for (const char *placing : PLACING) {
        failed_report(
            [placing] {
                emu::set_replace_file_available(placing == PLACING[0]);
                emu::file_inject(placing, ERROR_SHARING_VIOLATION);
            },
            "Sharing violation. (error 32)");
        std::vector<std::string> deleted;
        for (const auto &call : emu::file_calls())
            if (call.call == "DeleteFileW")
                deleted.push_back(call.path);
        EXPECT_EQ(deleted, std::vector<std::string>{temp(2)}) << placing;
        EXPECT_FALSE(std::ifstream(temp(2)).good());
        EXPECT_EQ(slurp(victim), victimText);
    }
}

TEST_F(Report, a_name_outside_the_code_page_is_written_under_that_name)
{
    std::string lookalike = file("roport.ini", "; another file\n");
    std::string name = dir + "/r\xc5\x91port.ini";
    // Through the process's entry, which takes the command line as UTF-16.
    NewProcessTest::SetUp();
    configured_machine();
    emu::set_command_line("z4setup.com /r \"" + name + "\"");
    ::testing::internal::CaptureStdout();
    int code = mainZ4_run(module, SW_SHOWDEFAULT, true);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(code, Z4_EXIT_DONE);
    EXPECT_EQ(out, "z4setup: the configuration is written to " + dir + "/r?port.ini\n");
    EXPECT_NE(slurp(name).find("[Board1]"), std::string::npos);
    EXPECT_EQ(slurp(lookalike), "; another file\n");
}

TEST_F(Unattended, a_board_file_that_cannot_be_read_says_why)
{
    std::string path = file("boards.ini", "[Board1]\nBusType = PCI\nPorts = 4\n");
    machine = [] {
        configured_machine();
        emu::file_inject("CreateFileW", ERROR_SHARING_VIOLATION);
    };
    Outcome held = run("/n " + path, nullptr);
    EXPECT_EQ(held.code, Z4_EXIT_BAD_FILE);
    EXPECT_EQ(held.out, path + ": cannot be opened: Sharing violation. (error 32)\n");
    machine = [] {
        configured_machine();
        emu::file_inject("ReadFile", ERROR_ACCESS_DENIED);
    };
    Outcome unread = run("/s " + path, nullptr);
    EXPECT_EQ(unread.code, Z4_EXIT_BAD_FILE);
    EXPECT_EQ(unread.out, path + ": cannot be read: Access denied. (error 5)\n");
    EXPECT_EQ(emu::open_file_handles(), 0);
}

// A msports.dll in the program's folder is never loaded: the system folder's database is used.
TEST_F(Unattended, a_dll_planted_beside_the_program_is_never_loaded)
{
    machine = [] {
        typical_machine();
        emu::comdb_install(true);
        emu::comdb_plant_beside_program(true);
    };
    Outcome o = apply("[Board1]\nBusType = ISA\nPorts = 8\n");
    EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
    EXPECT_TRUE(emu::planted_dll_loads().empty());
    int claims = 0;
    for (const auto &call : emu::comdb_calls())
        claims += call.call == "ComDBClaimPort";
    EXPECT_EQ(claims, 8);
}

}  // namespace
