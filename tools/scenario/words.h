// What scenario files, the pilot's script and its transcript share: the quoting (words are
// separated by blanks; "text" may hold blanks and the escapes \\ \" \n \r \t \xNN), the
// lists and the command line.
#pragma once

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace words {

inline bool split(const std::string &line, std::vector<std::string> *words, std::string *error)
{
    words->clear();
    size_t p = 0;
    while (p < line.size()) {
        if (line[p] == ' ' || line[p] == '\t' || line[p] == '\r') {
            ++p;
            continue;
        }
        std::string word;
        if (line[p] != '"') {
            while (p < line.size() && line[p] != ' ' && line[p] != '\t' && line[p] != '\r')
                word += line[p++];
            words->push_back(word);
            continue;
        }
        for (++p;; ++p) {
            if (p >= line.size()) {
                *error = "quoted text not closed";
                return false;
            }
            char c = line[p];
            if (c == '"') {
                ++p;
                break;
            }
            if (c != '\\') {
                word += c;
                continue;
            }
            if (++p >= line.size()) {
                *error = "escape at the end of the line";
                return false;
            }
            switch (line[p]) {
            case '\\': word += '\\'; break;
            case '"': word += '"'; break;
            case 'n': word += '\n'; break;
            case 'r': word += '\r'; break;
            case 't': word += '\t'; break;
            case 'x':
                if (p + 2 >= line.size() || !isxdigit((unsigned char)line[p + 1]) ||
                    !isxdigit((unsigned char)line[p + 2])) {
                    *error = "\\x needs two hex digits";
                    return false;
                }
                word += (char)strtol(line.substr(p + 1, 2).c_str(), nullptr, 16);
                p += 2;
                break;
            default:
                *error = std::string("unknown escape \\") + line[p];
                return false;
            }
        }
        words->push_back(word);
    }
    return true;
}

inline std::string quote(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c >= 0x7f) {
                char hex[8];
                snprintf(hex, sizeof hex, "\\x%02x", c);
                out += hex;
            } else {
                out += (char)c;
            }
        }
    }
    return out + "\"";
}

// A list as the transcript shows it: comma-joined, "-" when there is none.
inline std::string joined(const std::vector<std::string> &items)
{
    if (items.empty())
        return "-";
    std::string out;
    for (const auto &item : items)
        out += (out.empty() ? "" : ",") + item;
    return out;
}

// The command line a program is started with: its name quoted, then the arguments if any.
inline std::string command_line(const std::string &program, const std::string &arguments)
{
    return "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
}

}  // namespace words
