// .reg files for the emulated registry: regedit's import and export formats, version 5 and 4.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "reg_file.h"
#include "registry_setup.h"

namespace {

const char *const HEADER5 = "Windows Registry Editor Version 5.00";
const char *const HEADER4 = "REGEDIT4";
const char *const MACHINE = "HKEY_LOCAL_MACHINE";

// Windows-1252, the 8-bit code page the ANSI calls see: 0x80..0x9F differ from Latin-1.
const uint16_t CP1252_HIGH[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint16_t to_unicode(uint8_t c)
{
    return (c >= 0x80 && c < 0xA0) ? CP1252_HIGH[c - 0x80] : c;
}

// What WideCharToMultiByte gives for a character the code page lacks: '?'.
uint8_t to_ansi(uint16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u < 0x100)) return (uint8_t)u;
    for (int i = 0; i < 32; ++i)
        if (CP1252_HIGH[i] == u) return (uint8_t)(0x80 + i);
    return '?';
}

std::string utf16le_to_ansi(const std::string &bytes, size_t from)
{
    std::string out;
    for (size_t i = from; i + 1 < bytes.size(); i += 2)
        out += (char)to_ansi((uint16_t)((uint8_t)bytes[i] | ((uint8_t)bytes[i + 1] << 8)));
    return out;
}

std::vector<uint8_t> ansi_to_utf16le(const std::vector<uint8_t> &text)
{
    std::vector<uint8_t> out;
    for (uint8_t c : text) {
        uint16_t u = to_unicode(c);
        out.push_back((uint8_t)u);
        out.push_back((uint8_t)(u >> 8));
    }
    return out;
}

enum class OpKind { AddKey, DeleteKey, SetValue, DeleteValue };

struct Op {
    OpKind kind;
    std::string key;
    std::string name;
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
};

struct Parser {
    std::string origin;
    std::vector<std::string> lines;
    size_t line = 0;  // index of the line being parsed
    bool wide = false;  // the file is UTF-16LE
    std::string error;

    bool fail(const std::string &why)
    {
        error = origin + ":" + std::to_string(line + 1) + ": " + why;
        return false;
    }
};

void skip_blanks(const std::string &s, size_t *p)
{
    while (*p < s.size() && (s[*p] == ' ' || s[*p] == '\t')) ++*p;
}

// Only blanks or a comment may follow what a line holds.
bool rest_is_empty(const std::string &s, size_t p)
{
    skip_blanks(s, &p);
    return p == s.size() || s[p] == ';';
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted text starting at s[*p] == '"'; regedit escapes only \ and ", and Wine's export
// also writes \n, \r and \0.
bool parse_quoted(Parser &ps, const std::string &s, size_t *p, std::string *out)
{
    out->clear();
    for (++*p; *p < s.size(); ++*p) {
        char c = s[*p];
        if (c == '"') {
            ++*p;
            return true;
        }
        if (c == '\\') {
            if (++*p == s.size()) break;
            switch (s[*p]) {
            case '\\': *out += '\\'; break;
            case '"': *out += '"'; break;
            case 'n': *out += '\n'; break;
            case 'r': *out += '\r'; break;
            case '0': *out += '\0'; break;
            default: return ps.fail(std::string("unknown escape \\") + s[*p] + " in a quoted text");
            }
            continue;
        }
        *out += c;
    }
    return ps.fail("quoted text is not closed on its line");
}

// The comma-separated bytes after "hex:" or "hex(N):", continued over lines ending in '\'.
bool parse_hex_list(Parser &ps, std::string s, size_t p, std::vector<uint8_t> *out)
{
    out->clear();
    for (;;) {
        skip_blanks(s, &p);
        if (p < s.size() && s[p] == '\\' && rest_is_empty(s, p + 1)) {
            if (ps.line + 1 >= ps.lines.size()) return ps.fail("file ends inside hex data");
            s = ps.lines[++ps.line];
            p = 0;
            continue;
        }
        if (rest_is_empty(s, p)) return true;
        int hi = hex_digit(s[p]);
        if (hi < 0) return ps.fail(std::string("'") + s[p] + "' in hex data");
        int value = hi;
        ++p;
        if (p < s.size() && hex_digit(s[p]) >= 0) value = value * 16 + hex_digit(s[p++]);
        if (p < s.size() && hex_digit(s[p]) >= 0) return ps.fail("hex byte of more than two digits");
        out->push_back((uint8_t)value);
        skip_blanks(s, &p);
        if (p < s.size() && s[p] == ',') {
            ++p;
        } else if (!(p < s.size() && s[p] == '\\') && !rest_is_empty(s, p)) {
            return ps.fail("hex bytes must be separated by commas");
        }
    }
}

bool is_text_type(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

bool parse_data(Parser &ps, const std::string &s, size_t p, Op *op)
{
    if (s.compare(p, 1, "-") == 0) {
        if (!rest_is_empty(s, p + 1)) return ps.fail("text after a value deletion");
        op->kind = OpKind::DeleteValue;
        return true;
    }
    op->kind = OpKind::SetValue;
    if (s.compare(p, 1, "\"") == 0) {
        std::string text;
        if (!parse_quoted(ps, s, &p, &text)) return false;
        if (!rest_is_empty(s, p)) return ps.fail("text after the closing quote");
        op->type = REG_SZ;
        op->data.assign(text.begin(), text.end());
        op->data.push_back(0);
        return true;
    }
    if (s.compare(p, 6, "dword:") == 0) {
        p += 6;
        size_t start = p;
        DWORD v = 0;
        while (p < s.size() && hex_digit(s[p]) >= 0) v = v * 16 + hex_digit(s[p++]);
        if (p == start || p - start > 8) return ps.fail("dword needs one to eight hex digits");
        if (!rest_is_empty(s, p)) return ps.fail("text after the dword");
        op->type = REG_DWORD;
        op->data = {(uint8_t)v, (uint8_t)(v >> 8), (uint8_t)(v >> 16), (uint8_t)(v >> 24)};
        return true;
    }
    if (s.compare(p, 4, "hex:") == 0) {
        op->type = REG_BINARY;
        return parse_hex_list(ps, s, p + 4, &op->data);
    }
    if (s.compare(p, 4, "hex(") == 0) {
        p += 4;
        size_t start = p;
        DWORD type = 0;
        while (p < s.size() && hex_digit(s[p]) >= 0) type = type * 16 + hex_digit(s[p++]);
        if (p == start || p - start > 8 || s.compare(p, 2, "):") != 0)
            return ps.fail("hex(N): needs a hex type number");
        op->type = type;
        if (!parse_hex_list(ps, s, p + 2, &op->data)) return false;
        // Text data in hex is UTF-16 in a UTF-16 file and 8-bit in an 8-bit one, whatever the
        // header says: that is how Wine's regedit reads both (it writes only UTF-16 files).
        if (ps.wide && is_text_type(type)) {
            if (op->data.size() % 2) return ps.fail("UTF-16 text data of an odd length");
            std::string bytes(op->data.begin(), op->data.end());
            std::string text = utf16le_to_ansi(bytes, 0);
            op->data.assign(text.begin(), text.end());
        }
        return true;
    }
    return ps.fail("unknown data format");
}

// "[HKEY_LOCAL_MACHINE\path]" or "[-HKEY_LOCAL_MACHINE\path]"; path "" is the root.
bool parse_key_line(Parser &ps, const std::string &s, size_t p, Op *op)
{
    size_t close = s.rfind(']');
    if (close == std::string::npos || close < p) return ps.fail("key line without ']'");
    if (!rest_is_empty(s, close + 1)) return ps.fail("text after the key name");
    std::string name = s.substr(p + 1, close - p - 1);
    op->kind = OpKind::AddKey;
    if (!name.empty() && name[0] == '-') {
        op->kind = OpKind::DeleteKey;
        name.erase(0, 1);
    }
    std::string hive = name.substr(0, name.find('\\'));
    std::string upper_hive;
    for (char c : hive) upper_hive += (char)std::toupper((unsigned char)c);
    if (upper_hive != MACHINE) return ps.fail("only keys under HKEY_LOCAL_MACHINE can be loaded");
    std::string path = hive.size() < name.size() ? name.substr(hive.size() + 1) : "";
    while (!path.empty() && path.back() == '\\') path.pop_back();
    if (path.find("\\\\") != std::string::npos || (!path.empty() && path[0] == '\\'))
        return ps.fail("empty key name in the path");
    if (op->kind == OpKind::DeleteKey && path.empty())
        return ps.fail("HKEY_LOCAL_MACHINE itself cannot be deleted");
    op->key = path;
    return true;
}

bool parse_all(Parser &ps, std::vector<Op> *ops)
{
    if (ps.lines.empty()) return ps.fail("empty file");
    std::string first = ps.lines[0];
    size_t p = 0;
    skip_blanks(first, &p);
    first = first.substr(p);
    while (!first.empty() && (first.back() == ' ' || first.back() == '\t')) first.pop_back();
    if (first != HEADER5 && first != HEADER4) {
        return ps.fail(std::string("not a registry file: the first line must be \"") + HEADER5 +
                       "\" or \"" + HEADER4 + "\"");
    }
    const size_t none = (size_t)-1;
    size_t current = none;  // index of the key line that value lines belong to
    for (ps.line = 1; ps.line < ps.lines.size(); ++ps.line) {
        const std::string &s = ps.lines[ps.line];
        p = 0;
        skip_blanks(s, &p);
        if (p == s.size() || s[p] == ';') continue;
        Op op{OpKind::AddKey, "", "", REG_NONE, {}};
        if (s[p] == '[') {
            if (!parse_key_line(ps, s, p, &op)) return false;
            current = ops->size();
            ops->push_back(op);
            continue;
        }
        if (s[p] != '@' && s[p] != '"') return ps.fail("line is neither a key, a value nor a comment");
        if (current == none) return ps.fail("value before the first key");
        if ((*ops)[current].kind == OpKind::DeleteKey) return ps.fail("value under a deleted key");
        op.key = (*ops)[current].key;
        if (s[p] == '@') {
            ++p;
        } else if (!parse_quoted(ps, s, &p, &op.name)) {
            return false;
        }
        skip_blanks(s, &p);
        if (p == s.size() || s[p] != '=') return ps.fail("'=' expected after the value name");
        ++p;
        skip_blanks(s, &p);
        if (!parse_data(ps, s, p, &op)) return false;
        ops->push_back(op);
    }
    return true;
}

std::vector<std::string> split_lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// ---- Saving ----

std::string quote(const std::string &s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

// A REG_SZ reads as "text" only when that gives back the same bytes: one NUL, at the end,
// and nothing regedit would split over lines. Anything else goes out as hex(1).
bool shows_as_text(const emu::RegValue &v)
{
    if (v.type != REG_SZ || v.data.empty() || v.data.back() != 0) return false;
    for (size_t i = 0; i + 1 < v.data.size(); ++i)
        if (v.data[i] == 0 || v.data[i] == '\r' || v.data[i] == '\n') return false;
    return true;
}

// regedit's wrapping: bytes run on until the line reaches 77 columns, then "\" and a new
// line indented by two blanks.
void write_hex(std::string &out, size_t line_len, const std::vector<uint8_t> &bytes)
{
    char piece[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(piece, sizeof piece, "%02x", bytes[i]);
        out += piece;
        if (i + 1 == bytes.size()) break;
        out += ',';
        line_len += 3;
        if (line_len >= 77) {
            out += "\\\r\n  ";
            line_len = 2;
        }
    }
}

void write_value(std::string &out, const emu::RegValue &v, bool wide)
{
    std::string line = v.name.empty() ? "@=" : quote(v.name) + "=";
    if (shows_as_text(v)) {
        out += line + quote(std::string(v.data.begin(), v.data.end() - 1)) + "\r\n";
        return;
    }
    if (v.type == REG_DWORD && v.data.size() == 4) {
        char piece[16];
        DWORD d = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | ((DWORD)v.data[3] << 24);
        std::snprintf(piece, sizeof piece, "dword:%08x", d);
        out += line + piece + "\r\n";
        return;
    }
    if (v.type == REG_BINARY) {
        line += "hex:";
    } else {
        char piece[24];
        std::snprintf(piece, sizeof piece, "hex(%x):", (unsigned)v.type);
        line += piece;
    }
    out += line;
    write_hex(out, line.size(), wide && is_text_type(v.type) ? ansi_to_utf16le(v.data) : v.data);
    out += "\r\n";
}

void write_key(std::string &out, const std::string &path, bool wide)
{
    out += "[" + std::string(MACHINE) + (path.empty() ? "" : "\\" + path) + "]\r\n";
    for (const auto &v : emu::reg_values(path)) write_value(out, v, wide);
    out += "\r\n";
    for (const auto &sub : emu::reg_subkeys(path))
        write_key(out, path.empty() ? sub : path + "\\" + sub, wide);
}

std::string strip_machine(const std::string &root)
{
    std::string prefix = std::string(MACHINE) + "\\";
    if (root.size() >= prefix.size()) {
        std::string head = root.substr(0, prefix.size());
        for (char &c : head) c = (char)std::toupper((unsigned char)c);
        if (head == prefix) return root.substr(prefix.size());
    }
    return root;
}

// The 8-bit text of the export, text data in hex as UTF-16 when the file will be `wide`;
// *missing names the first root that does not exist.
std::string export_text(const std::vector<std::string> &roots, emu::RegFileFormat format,
                        std::string *missing)
{
    bool wide = format == emu::RegFileFormat::Unicode5;
    std::string out =
        std::string(format == emu::RegFileFormat::Regedit4 ? HEADER4 : HEADER5) + "\r\n\r\n";
    if (roots.empty()) {
        if (!emu::reg_values("").empty()) {
            out += "[" + std::string(MACHINE) + "]\r\n";
            for (const auto &v : emu::reg_values("")) write_value(out, v, wide);
            out += "\r\n";
        }
        for (const auto &sub : emu::reg_subkeys("")) write_key(out, sub, wide);
        return out;
    }
    for (const auto &root : roots) {
        std::string path = emu::reg_key_name(strip_machine(root));
        if (path.empty()) {
            if (missing && missing->empty()) *missing = root;
            continue;
        }
        write_key(out, path, wide);
    }
    return out;
}

}  // namespace

namespace emu {

bool reg_load_text(const std::string &text, const std::string &origin, std::string *error)
{
    Parser ps;
    ps.origin = origin;
    ps.wide = text.size() >= 2 && (uint8_t)text[0] == 0xFF && (uint8_t)text[1] == 0xFE;
    ps.lines = split_lines(ps.wide ? utf16le_to_ansi(text, 2) : text);
    std::vector<Op> ops;
    if (!parse_all(ps, &ops)) {
        if (error) *error = ps.error;
        return false;
    }
    for (const auto &op : ops) {
        switch (op.kind) {
        case OpKind::AddKey: reg_put_key(op.key); break;
        case OpKind::DeleteKey: reg_remove_key(op.key); break;
        case OpKind::SetValue: reg_put_value(op.key, op.name, op.type, op.data); break;
        case OpKind::DeleteValue: reg_remove_value(op.key, op.name); break;
        }
    }
    return true;
}

bool reg_load_file(const std::string &file, std::string *error)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (error) *error = file + ": cannot be read";
        return false;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return reg_load_text(bytes, file, error);
}

std::string reg_save_text(const std::vector<std::string> &roots)
{
    return export_text(roots, RegFileFormat::Unicode5Ansi, nullptr);
}

bool reg_save_file(const std::string &file, RegFileFormat format,
                   const std::vector<std::string> &roots, std::string *error)
{
    std::string missing;
    std::string text = export_text(roots, format, &missing);
    if (!missing.empty()) {
        if (error) *error = file + ": no key HKEY_LOCAL_MACHINE\\" + strip_machine(missing);
        return false;
    }
    std::string bytes;
    if (format == RegFileFormat::Unicode5) {
        std::vector<uint8_t> wide = ansi_to_utf16le(std::vector<uint8_t>(text.begin(), text.end()));
        bytes = "\xFF\xFE" + std::string(wide.begin(), wide.end());
    } else {
        bytes = text;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) {
        if (error) *error = file + ": cannot be written";
        return false;
    }
    return true;
}

}  // namespace emu
