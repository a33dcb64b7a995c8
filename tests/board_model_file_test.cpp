// The board file reader: what a well-formed file gives, and the one line that names the first
// fault of a malformed one.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "board_model_file.h"
#include "test_support.h"

namespace {

struct Parsed {
    bool ok;
    BoardFile file;
    std::string error;
};

Parsed parse(const std::string &text)
{
    Parsed p{};
    char error[Z4_BOARD_FILE_ERROR_CHARS];
    p.ok = parseZ4_board_file(text.data(), text.size(), "boards.ini", &p.file, error);
    p.error = error;
    return p;
}

TEST(BoardFile, comments_blanks_any_case_and_both_line_ends_read_as_written)
{
    Parsed p = parse("; a file of the whole kind\r\n"
                     "\r\n"
                     "  [ board3 ]   # the third board\n"
                     "busTYPE=isa\n"
                     "  Interrupt   =   12  ; shared\r\n"
                     "IOADDR = 0x3f0\n"
                     "ports = 064\n"
                     "[BOARD1]\n"
                     "BusType = PCI\n"
                     "Ports = 8\n"
                     "[Board2];\n"
                     "BusType = none\n"
                     "[numbering]\n"
                     "FirstCom = 99\n"
                     "FIRSTDEVICE = 0");
    ASSERT_TRUE(p.ok) << p.error;
    const BoardFileSection &third = p.file.boards[2];
    EXPECT_EQ(third.line, 3);
    EXPECT_EQ(third.busType.value, BUS_ISA);
    EXPECT_EQ(third.interrupt.value, 12u);
    EXPECT_EQ(third.interrupt.line, 5);
    EXPECT_EQ(third.ioAddr.value, 0x3F0u);
    EXPECT_EQ(third.ports.value, 64u);
    EXPECT_EQ(p.file.boards[0].busType.value, BUS_PCI);
    EXPECT_EQ(p.file.boards[0].interrupt.line, 0);
    EXPECT_EQ(p.file.boards[1].busType.value, BUS_NONE);
    EXPECT_EQ(p.file.boards[1].ports.line, 0);  // a None board needs none
    EXPECT_EQ(p.file.boards[3].line, 0);
    EXPECT_EQ(p.file.firstCOM.value, 99u);
    EXPECT_EQ(p.file.firstDevice.line, 15);
    EXPECT_EQ(p.file.firstDevice.value, 0u);
}

// What a shell leaves when the program it redirected never ran, a file of comments only, or one
// cut short before its first board: none may stand for "no boards".
TEST(BoardFile, a_file_without_a_board_section_is_refused_at_its_last_line)
{
    const char *refusal = ": no board section: a board file holds at least one of [Board1] to "
                          "[Board4] (for no boards, [Board1] with BusType = None)";
    const struct {
        std::string text;
        int line;
    } cases[] = {
        {"", 1},
        {"\r\n  \t\r\n", 2},
        {"; nothing\r\n# nothing either\n", 2},
        {"[Numbering]\nFirstCOM = 3\nFirstDevice = 3", 3},
        {"\xEF\xBB\xBF", 1},
        {std::string("\xFF\xFE", 2), 1},
    };
    for (const auto &c : cases) {
        Parsed p = parse(c.text);
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.error, "boards.ini:" + std::to_string(c.line) + refusal);
    }
    Parsed none = parse("[Board1]\nBusType = None\n");
    ASSERT_TRUE(none.ok) << none.error;
    EXPECT_EQ(none.file.boards[0].busType.value, BUS_NONE);
}

// PowerShell 5.1 redirects as UTF-16 LE with a mark; Notepad saves "Unicode" so, "Unicode big
// endian" as UTF-16 BE, and UTF-8 often with a mark.
using emu::utf16_marked;

TEST(BoardFile, files_marked_as_utf8_or_utf16_read_as_the_same_board_file)
{
    const std::string text = "; boards\r\n[Board1]\r\nBusType = ISA\r\nInterrupt = 5\r\n"
                             "Ports = 8\r\n[Numbering]\r\nFirstCOM = 7\r\n";
    Parsed plain = parse(text);
    ASSERT_TRUE(plain.ok) << plain.error;
    for (const std::string &marked :
         {"\xEF\xBB\xBF" + text, utf16_marked(text, true), utf16_marked(text, false)}) {
        Parsed p = parse(marked);
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(std::memcmp(&p.file, &plain.file, sizeof p.file), 0);
    }
}

TEST(BoardFile, utf16_outside_ascii_fails_as_any_unknown_word_and_passes_in_a_comment)
{
    // "\u00cfSA" as the bus type, "\u00e9" in a comment, on lines 2 and 3.
    std::string text = utf16_marked("[Board1]\r\nBusType = #SA\r\nPorts = 8 ; caf#\r\n", true);
    size_t first = text.find('#'), second = text.rfind('#');
    text[first] = '\xCF';
    text[second] = '\xE9';
    Parsed p = parse(text);
    EXPECT_EQ(p.error, "boards.ini:2: BusType ?SA is not ISA, PCI or None");
    text[first] = 'I';
    Parsed fine = parse(text);
    EXPECT_TRUE(fine.ok) << fine.error;

    Parsed odd = parse(utf16_marked("[Board1]\nBusType = None\n", true) + "x");
    EXPECT_EQ(odd.error, "boards.ini:2: the file ends inside a UTF-16 character");
}

TEST(BoardFile, every_malformed_line_is_named_with_its_file_line_and_fault)
{
    const struct {
        const char *text;
        const char *error;
    } cases[] = {
        {"[Board5]\n", "boards.ini:1: unknown section [Board5] (Board1 to Board4 and Numbering are known)"},
        {"[Board1\n", "boards.ini:1: no ] at the end of the section name [Board1"},
        {"[Board1]\nBusType=ISA\nPorts=8\n[board1]\n", "boards.ini:4: section [board1] is given twice (first on line 1)"},
        {"BusType = ISA\n", "boards.ini:1: BusType = ISA stands outside any section"},
        {"[Board1]\nBusType ISA\n", "boards.ini:2: no = in BusType ISA"},
        {"[Board1]\nSpeed = 9600\n", "boards.ini:2: unknown key Speed (a board section takes BusType, Interrupt, IOAddr and Ports)"},
        {"[Numbering]\nPorts = 8\n", "boards.ini:2: unknown key Ports (the Numbering section takes FirstDevice and FirstCOM)"},
        {"[Board1]\nBusType=ISA\nports=8\nPORTS=16\n", "boards.ini:4: PORTS is given twice (first on line 3)"},
        {"[Board1]\nBusType = EISA\n", "boards.ini:2: BusType EISA is not ISA, PCI or None"},
        {"[Board1]\nBusType = ISA\nInterrupt = 9\n", "boards.ini:3: Interrupt 9 is not one of 3, 4, 5, 7, 10, 11, 12, 15"},
        {"[Board1]\nInterrupt = ten\n", "boards.ini:2: Interrupt ten is not a decimal number"},
        {"[Board1]\nIOAddr = 200\n", "boards.ini:2: IOAddr 200 is not one of the addresses the dialog offers"},
        {"[Board1]\nIOAddr = 0x\n", "boards.ini:2: IOAddr 0x is not a hexadecimal number"},
        {"[Board1]\nIOAddr = 308h\n", "boards.ini:2: IOAddr 308h has something after its number"},
        {"[Board1]\nPorts = 8a\n", "boards.ini:2: Ports 8a has something after its number"},
        {"[Board1]\nPorts = -8\n", "boards.ini:2: Ports -8 is not a decimal number"},
        {"[Board1]\nPorts =\n", "boards.ini:2: Ports has no value"},
        {"[Board1]\nPorts = 4294967296\n", "boards.ini:2: Ports 4294967296 is out of range"},
        {"[Numbering]\nFirstCOM = 3 4\n", "boards.ini:2: FirstCOM 3 4 has something after its number"},
        {"[Board2]\nPorts = 8\n", "boards.ini:1: [Board2] has no BusType"},
        {"[Board3]\nBusType = PCI\n", "boards.ini:1: [Board3] has no Ports"},
    };
    for (const auto &c : cases) {
        Parsed p = parse(c.text);
        EXPECT_FALSE(p.ok) << c.text;
        EXPECT_EQ(p.error, c.error) << c.text;
    }
}

TEST(BoardFile, a_nul_byte_or_a_long_line_is_refused_where_it_stands)
{
    Parsed nul = parse(std::string("[Board1]\nBusType = ISA\0\nPorts = 8\n", 33));
    EXPECT_EQ(nul.error, "boards.ini:2: a NUL byte: is this UTF-16 without a byte-order mark? "
                         "Save the file as ANSI, UTF-8 or Unicode");
    Parsed unmarked = parse(std::string("[\0B\0", 4));
    EXPECT_EQ(unmarked.error, nul.error.replace(11, 1, "1"));

    std::string longest = "[Board1]\nBusType = ISA\nPorts = 8 ;" + std::string(255 - 11, 'x') + "\n";
    EXPECT_TRUE(parse(longest).ok);
    Parsed tooLong = parse("[Board1]\r\n; " + std::string(254, 'x') + "\r\n");
    EXPECT_EQ(tooLong.error, "boards.ini:2: the line is longer than 255 characters");
}

TEST(BoardFile, the_largest_file_is_read_and_one_byte_more_is_refused)
{
    std::string text = "[Board1]\nBusType = ISA\nPorts = 8\n";
    std::string comment = "; " + std::string(97, '.') + "\n";  // 100 bytes a line
    while (text.size() + comment.size() <= Z4_BOARD_FILE_MAX_BYTES)
        text += comment;
    text += std::string(Z4_BOARD_FILE_MAX_BYTES - text.size() - 1, ';') + "\n";
    ASSERT_EQ(text.size(), Z4_BOARD_FILE_MAX_BYTES);
    Parsed largest = parse(text);
    EXPECT_TRUE(largest.ok) << largest.error;
    EXPECT_EQ(largest.file.boards[0].ports.value, 8u);

    Parsed over = parse(text + "\n");
    EXPECT_FALSE(over.ok);
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    EXPECT_EQ(over.error, "boards.ini:" + std::to_string(lines + 1) +
                              ": the file goes on past 65536 bytes");
}

TEST(BoardFile, a_file_that_cannot_be_opened_says_why_without_a_line)
{
    BoardFile file;
    char error[Z4_BOARD_FILE_ERROR_CHARS];
    EXPECT_FALSE(readZ4_board_file("/nonexistent/boards.ini", &file, error));
    EXPECT_STREQ(error, "/nonexistent/boards.ini: cannot be opened: Path not found. (error 3)");
}

// A deep share path must not push the line and the reason out of the message.
TEST(BoardFile, a_long_path_gives_way_from_its_start_never_the_line_or_the_reason)
{
    std::string name = std::string(1000, 'd') + "\\boards.ini";
    std::string value(240, 'x');
    BoardFile file;
    char error[Z4_BOARD_FILE_ERROR_CHARS];
    std::string text = "[Board1]\nBusType = " + value + "\n";
    EXPECT_FALSE(parseZ4_board_file(text.data(), text.size(), name.c_str(), &file, error));
    std::string message = error;
    std::string reason = ":2: BusType " + value + " is not ISA, PCI or None";
    EXPECT_EQ(message.size(), sizeof error - 1);
    EXPECT_EQ(message.substr(0, 3), "...");
    EXPECT_EQ(message.substr(message.size() - reason.size()), reason);
    EXPECT_NE(message.find("\\boards.ini" + reason), std::string::npos);

    EXPECT_FALSE(parseZ4_board_file(text.data(), text.size(), "boards.ini", &file, error));
    EXPECT_EQ(std::string(error), "boards.ini" + reason);
}

}  // namespace

namespace {

// The example that goes into the release package must be a file "/s" takes.
TEST(BoardFile, the_packaged_example_reads_as_two_boards)
{
    BoardFile file;
    char error[Z4_BOARD_FILE_ERROR_CHARS];
    ASSERT_TRUE(readZ4_board_file(Z4_SOURCE_DIR "/docs/windows/boards-example.ini", &file, error))
        << error;
    EXPECT_EQ(file.boards[0].busType.value, BUS_ISA);
    EXPECT_EQ(file.boards[1].busType.value, BUS_PCI);
    EXPECT_EQ(file.boards[1].ports.value, 16u);
    EXPECT_EQ(file.boards[2].line, 0);
    EXPECT_EQ(file.numberingLine, 0);
}

}  // namespace
