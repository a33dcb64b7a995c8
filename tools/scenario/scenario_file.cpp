// scenario.txt: the command line, then the user's actions and checks in order, then the exit.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "scenario.h"

namespace scenario {

namespace {

struct Grammar {
    const char *verb;
    size_t args;  // number of words after the verb
};

// Actions the user takes, then the checks; each check names the transcript line it expects.
const Grammar GRAMMAR[] = {
    {"pick", 2},        {"type", 2},          {"erase", 1},          {"focus", 1},
    {"tab", 0},         {"key", 1},           {"press", 1},          {"close", 0},
    {"answer", 2},      {"second", 1},        {"second-exit", 1},    {"output", 1},
    {"expect-text", 2},   {"expect-selection", 2}, {"expect-enabled", 2},
    {"expect-focus", 1}, {"expect-items", 2}, {"expect-count", 2},   {"expect-rect", 5},
    {"expect-combo-rect", 5},
    {"expect-dpi", 1},  {"shot", 1},          {"expect-unclipped", 0}, {"exit", 1},
};

const std::set<std::string> MODES = {"emulation", "wine", "win32", "win64"};

std::string expected_line(const Words &w)
{
    const std::string &v = w[0];
    if (v == "answer")
        return "box " + words::quote(w[1]) + " " + words::quote(w[2]);
    if (v == "second-exit")
        return "second exit " + w[1];
    if (v == "output")
        return "output " + words::quote(w[1]);
    if (v == "expect-text" || v == "expect-selection")
        return v.substr(7) + " " + w[1] + " " + words::quote(w[2]);
    if (v == "expect-enabled" || v == "expect-items" || v == "expect-count")
        return v.substr(7) + " " + w[1] + " " + w[2];
    if (v == "expect-focus" || v == "expect-dpi")
        return v.substr(7) + " " + w[1];
    if (v == "expect-rect" || v == "expect-combo-rect")
        return v.substr(7) + " " + w[1] + " " + w[2] + " " + w[3] + " " + w[4] + " " + w[5];
    if (v == "shot")
        return "shot";
    if (v == "expect-unclipped")
        return "unclipped";
    if (v == "exit")
        return "exit " + w[1];
    return "";
}

bool is_number(const std::string &s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return isdigit((unsigned char)c); });
}

}  // namespace

bool load_scenario(const std::string &dir, Scenario *out, std::string *error)
{
    *out = Scenario{};
    out->dir = dir;
    out->name = std::filesystem::path(dir).filename().string();
    out->before_reg = dir + "/before.reg";
    out->after_reg = dir + "/after.reg";
    std::string file = dir + "/scenario.txt";
    std::ifstream in(file);
    if (!in) {
        *error = file + ": cannot be read";
        return false;
    }
    auto fail = [&](int line, const std::string &why) {
        *error = file + ":" + std::to_string(line) + ": " + why;
        return false;
    };
    bool have_command = false, have_exit = false;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        while (!text.empty() && (text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        size_t start = text.find_first_not_of(" \t");
        if (start == std::string::npos || text[start] == '#')
            continue;
        text = text.substr(start);
        if (have_exit)
            return fail(line, "nothing may follow the exit line");
        std::string verb = text.substr(0, text.find(' '));
        std::string rest = verb.size() < text.size() ? text.substr(verb.size() + 1) : "";
        if (verb == "title") {
            out->title = rest;
            continue;
        }
        Words w;
        std::string why;
        if (!words::split(text, &w, &why))
            return fail(line, why);
        if (verb == "command") {
            if (have_command)
                return fail(line, "a second command line (or a batch file besides it)");
            have_command = true;
            // The argument text as typed; quotes keep leading blanks.
            out->arguments = (!rest.empty() && rest[0] == '"' && w.size() == 2) ? w[1] : rest;
            continue;
        }
        if (verb == "only") {
            for (size_t i = 1; i < w.size(); ++i) {
                if (!MODES.count(w[i]))
                    return fail(line, "unknown mode " + w[i]);
                out->only.push_back(w[i]);
            }
            continue;
        }
        // The console companion, z4setup.com, runs instead of z4setup.exe; "comdb": the system
        // has a COM port database (Windows 2000 and later), the stand-in msports.dll under Wine.
        // "planted-dll": a msports.dll that ends any process loading it lies beside the program.
        // "help-file": a z4setup.hlp, as a driver package may ship one, lies beside the program.
        if (verb == "console" || verb == "comdb" || verb == "planted-dll" || verb == "help-file") {
            if (w.size() != 1)
                return fail(line, verb + " takes no argument");
            (verb == "console"  ? out->console
             : verb == "comdb"  ? out->comdb
             : verb == "planted-dll" ? out->planted
                                     : out->helpFile) = true;
            continue;
        }
        // A symbolic link planted in the tool's folder, as an attacker would plant one.
        if (verb == "link") {
            if (w.size() != 3)
                return fail(line, "link takes 2 argument(s)");
            out->links.emplace_back(w[1], w[2]);
            continue;
        }
        // A batch file run by "cmd /c" in the tool's folder, z4setup.exe and z4setup.com beside
        // it: what an administrator's script does. It stands for the command line.
        if (verb == "batch") {
            if (w.size() != 2)
                return fail(line, "batch takes 1 argument(s)");
            if (have_command)
                return fail(line, "a batch file stands instead of the command line");
            if (!std::filesystem::exists(dir + "/" + w[1]))
                return fail(line, "no " + w[1] + " beside it");
            have_command = true;
            out->batch = w[1];
            out->files.push_back(w[1]);
            continue;
        }
        // A file given with "file" that another program holds open, unshared, while the tool
        // runs (an editor, a virus scanner): it can be neither replaced nor deleted. Or one whose
        // read-only attribute is set (its Unix write bits cleared, which Wine shows as such).
        if (verb == "held" || verb == "read-only-file") {
            if (w.size() != 2)
                return fail(line, verb + " takes 1 argument(s)");
            if (std::find(out->files.begin(), out->files.end(), w[1]) == out->files.end())
                return fail(line, w[1] + " is not given with file first");
            (verb == "held" ? out->held : out->readOnly).push_back(w[1]);
            continue;
        }
        // The screen's DPI under Wine for the tool (96 unless given).
        if (verb == "dpi") {
            if (w.size() != 2 || !is_number(w[1]))
                return fail(line, "dpi takes a number");
            out->dpi = std::stoi(w[1]);
            continue;
        }
        // A key of before.reg that may be read but not written (its ACL): enforced by the
        // emulation; Wine does not enforce key ACLs, where the registry after tells.
        if (verb == "read-only") {
            if (w.size() != 2)
                return fail(line, "read-only takes 1 argument(s)");
            out->read_only_keys.push_back(w[1]);
            continue;
        }
        // A key of before.reg made volatile: no key that keeps can be made below it.
        if (verb == "volatile") {
            if (w.size() != 2)
                return fail(line, "volatile takes 1 argument(s)");
            out->volatile_keys.push_back(w[1]);
            continue;
        }
        // The run's event in the Application log: "event none", or "event ID information|warning|error".
        if (verb == "event") {
            if (!(w.size() == 2 && w[1] == "none") &&
                !(w.size() == 3 && (w[2] == "information" || w[2] == "warning" || w[2] == "error")))
                return fail(line, "event takes none, or an id and information, warning or error");
            out->event = w.size() == 2 ? "none" : w[1] + " " + w[2];
            continue;
        }
        // What the run reads and writes besides the registry.
        if (verb == "file" || verb == "expect-output" || verb == "expect-file") {
            size_t args = verb == "expect-file" ? 2 : 1;
            if (w.size() != args + 1)
                return fail(line, verb + " takes " + std::to_string(args) + " argument(s)");
            for (size_t i = 1; i < w.size(); ++i)
                if (i == w.size() - 1 && !std::filesystem::exists(dir + "/" + w[i]))
                    return fail(line, "no " + w[i] + " beside it");
            if (verb == "file")
                out->files.push_back(w[1]);
            else if (verb == "expect-output")
                out->expected_output = w[1];
            else
                out->expected_files.push_back({w[1], w[2]});
            continue;
        }
        // A box answered Ok, or Yes or No.
        if (verb == "answer" && w.size() == 4) {
            if (w[3] != "ok" && w[3] != "yes" && w[3] != "no")
                return fail(line, "answer takes ok, yes or no after its texts");
            out->steps.push_back(Step{w, line, expected_line(w)});
            continue;
        }
        const Grammar *g = nullptr;
        for (const auto &entry : GRAMMAR)
            if (verb == entry.verb)
                g = &entry;
        if (!g)
            return fail(line, "unknown verb " + verb);
        if (w.size() != g->args + 1)
            return fail(line, verb + " takes " + std::to_string(g->args) + " argument(s)");
        if (verb == "key" && w[1] != "enter" && w[1] != "esc")
            return fail(line, "key takes enter or esc");
        if ((verb == "exit" || verb == "second-exit" || verb == "expect-dpi" || verb == "expect-count") && !is_number(w.back()))
            return fail(line, verb + " takes a number");
        if (verb == "expect-enabled" && w[2] != "0" && w[2] != "1")
            return fail(line, "expect-enabled takes 0 or 1");
        if (verb == "exit")
            have_exit = true;
        out->steps.push_back(Step{w, line, expected_line(w)});
    }
    if (!have_command)
        return fail(1, "no command line (write \"command\" alone for none)");
    if (!have_exit)
        return fail(1, "no exit line: every scenario says how the tool ends");
    if (!out->batch.empty() && (out->only.empty() || out->only[0] != "wine"))
        return fail(1, "a batch file runs only under Wine: say \"only wine\"");
    if (!std::filesystem::exists(out->before_reg))
        return fail(1, "no before.reg beside it");
    if (!std::filesystem::exists(out->after_reg))
        return fail(1, "no after.reg beside it");
    return true;
}

std::vector<std::string> scenario_dirs(const std::string &root)
{
    std::vector<std::string> dirs;
    for (const auto &entry : std::filesystem::directory_iterator(root))
        if (entry.is_directory() && std::filesystem::exists(entry.path() / "scenario.txt"))
            dirs.push_back(entry.path().string());
    std::sort(dirs.begin(), dirs.end());
    return dirs;
}

}  // namespace scenario
