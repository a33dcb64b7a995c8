// Reading the board file: sections, keys and values checked line by line, nothing guessed.
#include "board_model_file.h"

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

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

Span trimmed(Span s)
{
    while (s.length && isBlank(s.at[0]))
        ++s.at, --s.length;
    while (s.length && isBlank(s.at[s.length - 1]))
        --s.length;
    return s;
}

bool sameWord(Span s, const char *word)
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
    char *error;
    BoardFile *file;
    int section;  // -1 none yet, 0 to 3 a board, Z4_SLOTS the numbering
};

// The message "NAME:LINE: what", with `what` formatted from a format that takes the span's
// text as "%.*s" (and `number` as "%d", when the format has it).
bool fail(Parse &p, const char *what, Span s = {"", 0}, int number = 0)
{
    int n = std::snprintf(p.error, Z4_BOARD_FILE_ERROR_CHARS, "%s:%d: ", p.name, p.line);
    if (n < 0 || n >= Z4_BOARD_FILE_ERROR_CHARS)
        return false;
    std::snprintf(p.error + n, Z4_BOARD_FILE_ERROR_CHARS - n, what, static_cast<int>(s.length),
                  s.at, number);
    return false;
}

// A decimal or (hex) hexadecimal number of up to 32 bits that is the whole value.
bool number(Parse &p, Span key, Span value, bool hex, uint32_t *out)
{
    // Messages name the key with its value: "Ports 8a".
    char named[2 * Z4_BOARD_FILE_MAX_LINE + 2];
    Span both = {named, static_cast<size_t>(std::snprintf(named, sizeof named, "%.*s %.*s",
                                                          static_cast<int>(key.length), key.at,
                                                          static_cast<int>(value.length), value.at))};
    if (value.length == 0)
        return fail(p, "%.*s has no value", key);
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
            return fail(p, "%.*s is out of range", both);
    }
    if (i == 0)
        return fail(p, hex ? "%.*s is not a hexadecimal number" : "%.*s is not a decimal number",
                    both);
    if (i < digits.length)
        return fail(p, "%.*s has something after its number", both);
    *out = static_cast<uint32_t>(v);
    return true;
}

// The dialog's lists hold their numbers as the refresh formats them.
bool inList(OptionList list, uint32_t v, bool hex)
{
    char text[16];
    std::snprintf(text, sizeof text, hex ? "%X" : "%u", static_cast<unsigned>(v));
    return optionListHas(list, text);
}

// Stores one value after checking it is new to its section and of its kind.
bool setValue(Parse &p, BoardFileValue &slot, Span key, uint32_t v)
{
    if (slot.line != 0)
        return fail(p, "%.*s is given twice (first on line %d)", key, slot.line);
    slot.line = p.line;
    slot.value = v;
    return true;
}

bool boardKey(Parse &p, BoardFileSection &board, Span key, Span value)
{
    uint32_t v;
    if (sameWord(key, Z4_FILE_BUS_TYPE)) {
        int type = -1;
        for (int t = 0; t < BUS_TYPE_COUNT; ++t)
            if (sameWord(value, busTypeNames[t]))
                type = t;
        if (type < 0)
            return fail(p, "BusType %.*s is not ISA, PCI or None", value);
        return setValue(p, board.busType, key, static_cast<uint32_t>(type));
    }
    if (sameWord(key, Z4_FILE_INTERRUPT)) {
        if (!number(p, key, value, false, &v))
            return false;
        if (!inList(interruptChoicesFor(BUS_ISA), v, false))
            return fail(p, "Interrupt %.*s is not one of 3, 4, 5, 7, 10, 11, 12, 15", value);
        return setValue(p, board.interrupt, key, v);
    }
    if (sameWord(key, Z4_FILE_IO_ADDR)) {
        if (!number(p, key, value, true, &v))
            return false;
        if (!inList(addressChoicesFor(BUS_ISA), v, true))
            return fail(p, "IOAddr %.*s is not one of the addresses the dialog offers", value);
        return setValue(p, board.ioAddr, key, v);
    }
    if (sameWord(key, Z4_FILE_PORTS))
        return number(p, key, value, false, &v) && setValue(p, board.ports, key, v);
    return fail(p, "unknown key %.*s (a board section takes BusType, Interrupt, IOAddr and Ports)",
                key);
}

bool numberingKey(Parse &p, Span key, Span value)
{
    uint32_t v;
    if (sameWord(key, Z4_FILE_FIRST_DEVICE))
        return number(p, key, value, false, &v) && setValue(p, p.file->firstDevice, key, v);
    if (sameWord(key, Z4_FILE_FIRST_COM))
        return number(p, key, value, false, &v) && setValue(p, p.file->firstCOM, key, v);
    return fail(p, "unknown key %.*s (the Numbering section takes FirstDevice and FirstCOM)", key);
}

bool sectionHeader(Parse &p, Span s)
{
    if (s.at[s.length - 1] != ']')
        return fail(p, "no ] at the end of the section name %.*s", s);
    Span name = trimmed({s.at + 1, s.length - 2});
    int *line = nullptr;
    int section = -1;
    for (int b = 0; b < Z4_SLOTS; ++b) {
        char board[8];
        std::snprintf(board, sizeof board, Z4_FILE_BOARD_FORMAT, b + 1);
        if (sameWord(name, board)) {
            section = b;
            line = &p.file->boards[b].line;
        }
    }
    if (sameWord(name, Z4_FILE_NUMBERING)) {
        section = Z4_SLOTS;
        line = &p.file->numberingLine;
    }
    if (!line)
        return fail(p, "unknown section [%.*s] (Board1 to Board4 and Numbering are known)", name);
    if (*line != 0)
        return fail(p, "section [%.*s] is given twice (first on line %d)", name, *line);
    *line = p.line;
    p.section = section;
    return true;
}

bool parseLine(Parse &p, Span s)
{
    for (size_t i = 0; i < s.length; ++i)
        if (s.at[i] == ';' || s.at[i] == '#') {
            s.length = i;
            break;
        }
    s = trimmed(s);
    if (s.length == 0)
        return true;
    if (s.at[0] == '[')
        return sectionHeader(p, s);
    if (p.section < 0)
        return fail(p, "%.*s stands outside any section", s);
    const char *equals = static_cast<const char *>(std::memchr(s.at, '=', s.length));
    if (!equals)
        return fail(p, "no = in %.*s", s);
    Span key = trimmed({s.at, static_cast<size_t>(equals - s.at)});
    Span value = trimmed({equals + 1, static_cast<size_t>(s.at + s.length - equals - 1)});
    if (p.section == Z4_SLOTS)
        return numberingKey(p, key, value);
    return boardKey(p, p.file->boards[p.section], key, value);
}

// What every board section must give, checked once the whole file is read.
bool sectionsComplete(Parse &p)
{
    for (int b = 0; b < Z4_SLOTS; ++b) {
        const BoardFileSection &board = p.file->boards[b];
        if (board.line == 0)
            continue;
        p.line = board.line;
        char text[8];
        Span name = {text, static_cast<size_t>(std::snprintf(text, sizeof text, Z4_FILE_BOARD_FORMAT, b + 1))};
        if (board.busType.line == 0)
            return fail(p, "[%.*s] has no BusType", name);
        if (board.busType.value != BUS_NONE && board.ports.line == 0)
            return fail(p, "[%.*s] has no Ports", name);
    }
    return true;
}

}  // namespace

bool parseZ4_board_file(const char *text, size_t length, const char *name, BoardFile *file,
                        char (&error)[Z4_BOARD_FILE_ERROR_CHARS])
{
    std::memset(file, 0, sizeof *file);
    error[0] = '\0';
    Parse p = {name, 1, error, file, -1};
    size_t start = 0;
    for (size_t i = 0; i < length && i < Z4_BOARD_FILE_MAX_BYTES; ++i)
        if (text[i] == '\n')
            ++p.line;
    if (length > Z4_BOARD_FILE_MAX_BYTES)
        return fail(p, "the file goes on past 65536 bytes");
    p.line = 1;
    while (start < length) {
        const char *nl = static_cast<const char *>(std::memchr(text + start, '\n', length - start));
        size_t end = nl ? static_cast<size_t>(nl - text) : length;
        Span line = {text + start, end - start};
        if (line.length && line.at[line.length - 1] == '\r')
            --line.length;
        if (std::memchr(line.at, '\0', line.length))
            return fail(p, "a NUL byte");
        if (line.length > Z4_BOARD_FILE_MAX_LINE)
            return fail(p, "the line is longer than 255 characters");
        if (!parseLine(p, line))
            return false;
        start = end + 1;
        ++p.line;
    }
    return sectionsComplete(p);
}

bool readZ4_board_file(const char *path, BoardFile *file, char (&error)[Z4_BOARD_FILE_ERROR_CHARS])
{
    std::FILE *f = std::fopen(path, "rb");
    if (!f) {
        std::snprintf(error, sizeof error, "%s:0: cannot be opened", path);
        return false;
    }
    // One byte more than a file may hold tells a file that is too long. Taken from the heap: a
    // static buffer of this size would be stored in the exe.
    char *text = static_cast<char *>(std::malloc(Z4_BOARD_FILE_MAX_BYTES + 1));
    size_t length = text ? std::fread(text, 1, Z4_BOARD_FILE_MAX_BYTES + 1, f) : 0;
    bool failed = !text || std::ferror(f) != 0;
    std::fclose(f);
    bool parsed = false;
    if (failed)
        std::snprintf(error, sizeof error, "%s:0: cannot be read", path);
    else
        parsed = parseZ4_board_file(text, length, path, file, error);
    std::free(text);
    return parsed;
}
