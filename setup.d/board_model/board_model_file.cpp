// Reading the board file: sections, keys and values checked line by line, nothing guessed.
#include "board_model_file.h"

#include "z4setup_files.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The text of one line, or of part of one, as pointers into the file; not NUL-terminated.
struct Span {
    const char *at;
    size_t length;
};

bool isZ4_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

Span trimZ4_blanks(Span s)
{
    while (s.length && isZ4_blank(s.at[0]))
        ++s.at, --s.length;
    while (s.length && isZ4_blank(s.at[s.length - 1]))
        --s.length;
    return s;
}

bool sameZ4_word(Span s, const char *word)
{
    size_t n = std::strlen(word);
    if (s.length != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s.at[i])) !=
            std::tolower(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}

// The parse in progress: where it is, and where its one message goes.
struct Parse {
    const char *name;
    int line;
    char (*error)[Z4_BOARD_FILE_ERROR_CHARS];
    BoardFile *file;
    int section;  // -1 none yet, 0 to 3 a board, Z4_SLOTS the numbering
};

// The message "NAME:LINE: what", with `what` formatted from a format that takes the span's
// text as "%.*s" (and `number` as "%d", when the format has it).
bool failZ4_line(Parse &p, const char *what, Span s = {"", 0}, int number = 0)
{
    char reason[Z4_BOARD_FILE_ERROR_CHARS];
    std::snprintf(reason, sizeof reason, what, static_cast<int>(s.length), s.at, number);
    formatZ4_file_error(*p.error, p.name, p.line, reason);
    return false;
}

// A decimal or (hex) hexadecimal number of up to 32 bits that is the whole value.
bool numberZ4_in(Parse &p, Span key, Span value, bool hex, uint32_t *out)
{
    // Messages name the key with its value: "Ports 8a".
    char named[2 * Z4_BOARD_FILE_MAX_LINE + 2];
    Span both = {named, static_cast<size_t>(std::snprintf(named, sizeof named, "%.*s %.*s",
                                                          static_cast<int>(key.length), key.at,
                                                          static_cast<int>(value.length), value.at))};
    if (value.length == 0)
        return failZ4_line(p, "%.*s has no value", key);
    Span digits = value;
    if (hex && digits.length >= 2 && digits.at[0] == '0' && (digits.at[1] == 'x' || digits.at[1] == 'X'))
        digits.at += 2, digits.length -= 2;
    uint64_t v = 0;
    size_t i = 0;
    for (; i < digits.length; ++i) {
        int c = static_cast<unsigned char>(digits.at[i]);
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && std::isxdigit(c))
            d = std::tolower(c) - 'a' + 10;
        else
            break;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull)
            return failZ4_line(p, "%.*s is out of range", both);
    }
    if (i == 0)
        return failZ4_line(p, hex ? "%.*s is not a hexadecimal number" : "%.*s is not a decimal number",
                    both);
    if (i < digits.length)
        return failZ4_line(p, "%.*s has something after its number", both);
    *out = static_cast<uint32_t>(v);
    return true;
}

// The dialog's lists hold their numbers as the refresh formats them.
bool inZ4_list(OptionList list, uint32_t v, bool hex)
{
    char text[16];
    std::snprintf(text, sizeof text, hex ? "%X" : "%u", static_cast<unsigned>(v));
    return optionZ4_list_has(list, text);
}

// Stores one value after checking it is new to its section and of its kind.
bool setZ4_file_value(Parse &p, BoardFileValue &slot, Span key, uint32_t v)
{
    if (slot.line != 0)
        return failZ4_line(p, "%.*s is given twice (first on line %d)", key, slot.line);
    slot.line = p.line;
    slot.value = v;
    return true;
}

bool boardZ4_file_key(Parse &p, BoardFileSection &board, Span key, Span value)
{
    uint32_t v;
    if (sameZ4_word(key, Z4_FILE_BUS_TYPE)) {
        int type = -1;
        for (int t = 0; t < BUS_TYPE_COUNT; ++t)
            if (sameZ4_word(value, busTypeNames[t]))
                type = t;
        if (type < 0)
            return failZ4_line(p, "BusType %.*s is not ISA, PCI or None", value);
        return setZ4_file_value(p, board.busType, key, static_cast<uint32_t>(type));
    }
    // The interrupt and the address: one of the ISA board's choices the dialog offers.
    const struct {
        const char *key;
        bool hex;
        OptionList choices;
        const char *outside;
        BoardFileValue &slot;
    } options[] = {
        {Z4_FILE_INTERRUPT, false, interruptZ4_choices(BUS_ISA),
         "Interrupt %.*s is not one of 3, 4, 5, 7, 10, 11, 12, 15", board.interrupt},
        {Z4_FILE_IO_ADDR, true, addressZ4_choices(BUS_ISA),
         "IOAddr %.*s is not one of the addresses the dialog offers", board.ioAddr},
    };
    for (const auto &option : options) {
        if (!sameZ4_word(key, option.key))
            continue;
        if (!numberZ4_in(p, key, value, option.hex, &v))
            return false;
        if (!inZ4_list(option.choices, v, option.hex))
            return failZ4_line(p, option.outside, value);
        return setZ4_file_value(p, option.slot, key, v);
    }
    if (sameZ4_word(key, Z4_FILE_PORTS))
        return numberZ4_in(p, key, value, false, &v) && setZ4_file_value(p, board.ports, key, v);
    return failZ4_line(p, "unknown key %.*s (a board section takes BusType, Interrupt, IOAddr and Ports)",
                key);
}

bool numberingZ4_file_key(Parse &p, Span key, Span value)
{
    uint32_t v;
    if (sameZ4_word(key, Z4_FILE_FIRST_DEVICE))
        return numberZ4_in(p, key, value, false, &v) && setZ4_file_value(p, p.file->firstDevice, key, v);
    if (sameZ4_word(key, Z4_FILE_FIRST_COM))
        return numberZ4_in(p, key, value, false, &v) && setZ4_file_value(p, p.file->firstCOM, key, v);
    return failZ4_line(p, "unknown key %.*s (the Numbering section takes FirstDevice and FirstCOM)", key);
}

bool sectionZ4_header(Parse &p, Span s)
{
    if (s.at[s.length - 1] != ']')
        return failZ4_line(p, "no ] at the end of the section name %.*s", s);
    Span name = trimZ4_blanks({s.at + 1, s.length - 2});
    int *line = nullptr;
    int section = -1;
    for (int b = 0; b < Z4_SLOTS; ++b) {
        char board[8];
        std::snprintf(board, sizeof board, Z4_FILE_BOARD_FORMAT, b + 1);
        if (sameZ4_word(name, board)) {
            section = b;
            line = &p.file->boards[b].line;
        }
    }
    if (sameZ4_word(name, Z4_FILE_NUMBERING)) {
        section = Z4_SLOTS;
        line = &p.file->numberingLine;
    }
    if (!line)
        return failZ4_line(p, "unknown section [%.*s] (Board1 to Board4 and Numbering are known)", name);
    if (*line != 0)
        return failZ4_line(p, "section [%.*s] is given twice (first on line %d)", name, *line);
    *line = p.line;
    p.section = section;
    return true;
}

bool parseZ4_line(Parse &p, Span s)
{
    for (size_t i = 0; i < s.length; ++i)
        if (s.at[i] == ';' || s.at[i] == '#') {
            s.length = i;
            break;
        }
    s = trimZ4_blanks(s);
    if (s.length == 0)
        return true;
    if (s.at[0] == '[')
        return sectionZ4_header(p, s);
    if (p.section < 0)
        return failZ4_line(p, "%.*s stands outside any section", s);
    const char *equals = static_cast<const char *>(std::memchr(s.at, '=', s.length));
    if (!equals)
        return failZ4_line(p, "no = in %.*s", s);
    Span key = trimZ4_blanks({s.at, static_cast<size_t>(equals - s.at)});
    Span value = trimZ4_blanks({equals + 1, static_cast<size_t>(s.at + s.length - equals - 1)});
    if (p.section == Z4_SLOTS)
        return numberingZ4_file_key(p, key, value);
    return boardZ4_file_key(p, p.file->boards[p.section], key, value);
}

// What every board section must give, checked once the whole file is read.
bool sectionsZ4_complete(Parse &p)
{
    for (int b = 0; b < Z4_SLOTS; ++b) {
        const BoardFileSection &board = p.file->boards[b];
        if (board.line == 0)
            continue;
        p.line = board.line;
        char text[8];
        Span name = {text, static_cast<size_t>(std::snprintf(text, sizeof text, Z4_FILE_BOARD_FORMAT, b + 1))};
        if (board.busType.line == 0)
            return failZ4_line(p, "[%.*s] has no BusType", name);
        if (board.busType.value != BUS_NONE && board.ports.line == 0)
            return failZ4_line(p, "[%.*s] has no Ports", name);
    }
    return true;
}

// The file's bytes as the 8-bit text the lines are read from. A UTF-8 mark is passed over; a
// file marked as UTF-16 (as PowerShell and Notepad save "Unicode") is narrowed to one byte a
// character, each character outside ASCII becoming '?', so that it fails as any unknown word.
struct Text {
    const char *at;
    size_t length;
    char *owned;  // the narrowed copy, to be freed
    bool utf16;
    bool oddByte;  // a UTF-16 file that ends inside a character
};

bool startsZ4_with(const char *bytes, size_t length, const char *mark, size_t markLength)
{
    return length >= markLength && std::memcmp(bytes, mark, markLength) == 0;
}

bool decodedZ4_line(const char *bytes, size_t length, Text *t)
{
    *t = {bytes, length, nullptr, false, false};
    if (startsZ4_with(bytes, length, "\xEF\xBB\xBF", 3)) {
        t->at += 3;
        t->length -= 3;
        return true;
    }
    bool little = startsZ4_with(bytes, length, "\xFF\xFE", 2);
    if (!little && !startsZ4_with(bytes, length, "\xFE\xFF", 2))
        return true;
    t->utf16 = true;
    t->oddByte = length % 2 != 0;
    size_t units = (length - 2) / 2;
    t->owned = static_cast<char *>(std::malloc(units ? units : 1));
    if (!t->owned)
        return false;
    const unsigned char *u = reinterpret_cast<const unsigned char *>(bytes) + 2;
    for (size_t i = 0; i < units; ++i, u += 2) {
        unsigned unit = little ? u[0] | u[1] << 8 : u[0] << 8 | u[1];
        t->owned[i] = unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    t->at = t->owned;
    t->length = units;
    return true;
}

// The lines of a decoded file; `tooLong` when the file went on past what one may hold.
bool parseZ4_lines(Parse &p, const Text &t, bool tooLong)
{
    if (tooLong) {
        for (size_t i = 0; i < t.length; ++i)
            if (t.at[i] == '\n')
                ++p.line;
        return failZ4_line(p, "the file goes on past 65536 bytes");
    }
    size_t start = 0;
    while (start < t.length) {
        const char *nl = static_cast<const char *>(std::memchr(t.at + start, '\n', t.length - start));
        size_t end = nl ? static_cast<size_t>(nl - t.at) : t.length;
        Span line = {t.at + start, end - start};
        if (line.length && line.at[line.length - 1] == '\r')
            --line.length;
        if (std::memchr(line.at, '\0', line.length))
            return failZ4_line(p, t.utf16 ? "a NUL character"
                                   : "a NUL byte: is this UTF-16 without a byte-order mark? Save "
                                     "the file as ANSI, UTF-8 or Unicode");
        if (line.length > Z4_BOARD_FILE_MAX_LINE)
            return failZ4_line(p, "the line is longer than 255 characters");
        if (!parseZ4_line(p, line))
            return false;
        start = end + 1;
        ++p.line;
    }
    // The last line read, or 1 for an empty file.
    if (p.line > 1)
        --p.line;
    if (t.oddByte)
        return failZ4_line(p, "the file ends inside a UTF-16 character");
    // An empty file is what a shell leaves when the program it redirected could not start: it
    // must not stand for "no boards", which a file says with a board set to None.
    bool anyBoard = false;
    for (const BoardFileSection &board : p.file->boards)
        anyBoard = anyBoard || board.line != 0;
    if (!anyBoard)
        return failZ4_line(p, "no board section: a board file holds at least one of [Board1] to [Board4] "
                       "(for no boards, [Board1] with BusType = None)");
    return sectionsZ4_complete(p);
}

}  // namespace

void formatZ4_file_error(char (&error)[Z4_BOARD_FILE_ERROR_CHARS], const char *name, int line,
                         const char *reason)
{
    char tail[Z4_BOARD_FILE_ERROR_CHARS];
    // Line 0 is the file as a whole.
    int n = line ? std::snprintf(tail, sizeof tail, ":%d: %s", line, reason)
                 : std::snprintf(tail, sizeof tail, ": %s", reason);
    if (n < 0)
        tail[0] = '\0';
    joinZ4_name(error, sizeof error, name, tail);
}

bool parseZ4_board_file(const char *bytes, size_t length, const char *name, BoardFile *file,
                        char (&error)[Z4_BOARD_FILE_ERROR_CHARS])
{
    std::memset(file, 0, sizeof *file);
    error[0] = '\0';
    Parse p = {name, 1, &error, file, -1};
    bool tooLong = length > Z4_BOARD_FILE_MAX_BYTES;
    Text t;
    if (!decodedZ4_line(bytes, tooLong ? Z4_BOARD_FILE_MAX_BYTES : length, &t)) {
        p.line = 0;
        return failZ4_line(p, "cannot be read");
    }
    bool parsed = parseZ4_lines(p, t, tooLong);
    std::free(t.owned);
    return parsed;
}

bool readZ4_board_file(const char *path, BoardFile *file, char (&error)[Z4_BOARD_FILE_ERROR_CHARS])
{
    Z4FileName name;
    nameZ4_file(path, &name);
    // One byte more than a file may hold tells a file that is too long. Taken from the heap: a
    // static buffer of this size would be stored in the exe.
    char *text = static_cast<char *>(std::malloc(Z4_BOARD_FILE_MAX_BYTES + 1));
    if (!text) {
        formatZ4_file_error(error, name.shown, 0, "cannot be read: no memory for it");
        return false;
    }
    size_t length = 0;
    DWORD code = 0;
    const char *what;
    Z4FileResult read = readZ4_file(name, text, Z4_BOARD_FILE_MAX_BYTES + 1, &length, &code, &what);
    bool parsed = false;
    if (read != Z4_FILE_DONE) {
        char message[Z4_FILE_MESSAGE_CHARS];
        messageZ4_file(message, name.shown, read, what, code);
        std::snprintf(error, sizeof error, "%s", message);
    } else {
        parsed = parseZ4_board_file(text, length, name.shown, file, error);
    }
    std::free(text);
    return parsed;
}
