// The Wine run: each scenario in a reset prefix, driven by the pilot beside the real exe.
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "scenario.h"

namespace fs = std::filesystem;

namespace scenario {

namespace {

const double PILOT_BOUND_SECONDS = 300;
const char PILOT_WAIT_MS[] = "20000";
const int PILOT_START_ATTEMPTS = 3;

int keeper_pid = -1;
int screen_dpi = 96;  // what the prefix's LogPixels says now

std::string prefix_of(const WineOptions &o)
{
    return o.work + "/prefix";
}

// Wine's own msports.dll ends the process when called: it is disabled, as on Windows NT 4.0,
// unless the run has the stand-in that wine_begin installs in the system folder (`comdb`).
std::map<std::string, std::string> wine_env(const WineOptions &o, bool comdb = false)
{
    // advapi's fixme line of ReportEventW names each event's type and id (tool events are read
    // from the pilot's standard error, which the tool's process shares).
    return {{"WINEPREFIX", prefix_of(o)}, {"WINEARCH", o.arch}, {"WINEDEBUG", "-all,fixme+advapi"},
            {"WINEDLLOVERRIDES", comdb ? "mscoree,mshtml=;msports=n" : "mscoree,mshtml,msports="}};
}

// The events Wine's ReportEventW was asked for, from its fixme lines: "(log,0xTYPE,0xCATEGORY,0xID,".
std::vector<std::string> wine_events(const std::string &err)
{
    std::vector<std::string> events;
    const std::string mark = "fixme:advapi:ReportEventW (";
    for (size_t at = err.find(mark); at != std::string::npos; at = err.find(mark, at + 1)) {
        size_t end = err.find('\n', at);
        std::string line = err.substr(at + mark.size(), end == std::string::npos ? std::string::npos : end - at - mark.size());
        unsigned long long handle = 0;
        unsigned type = 0, category = 0, id = 0;
        if (std::sscanf(line.c_str(), "%llx,0x%x,0x%x,0x%x,", &handle, &type, &category, &id) == 4)
            events.push_back(std::to_string(id) + " " + event_type_name(static_cast<uint16_t>(type)));
    }
    return events;
}

// Wine's drive Z: is the Unix root.
std::string win_path(const std::string &path)
{
    std::string out = "Z:" + fs::absolute(path).lexically_normal().string();
    for (char &c : out)
        if (c == '/')
            c = '\\';
    return out;
}

// The pilot asks for a picture by writing NAME.want ("x y w h" on the screen); the picture
// is taken from the X display and appears as NAME.png, which the pilot waits for.
void take_requested_shots(void *arg)
{
    const std::string &dir = *static_cast<const std::string *>(arg);
    for (const auto &entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".want")
            continue;
        std::istringstream in(read_file(entry.path().string()));
        long x = 0, y = 0, w = 0, h = 0;
        in >> x >> y >> w >> h;
        fs::remove(entry.path());
        std::string png = fs::path(entry.path()).replace_extension(".png").string();
        std::string partial = png + ".part.png";
        char crop[96];
        snprintf(crop, sizeof crop, "%ldx%ld+%ld+%ld", w, h, x, y);
        int rc = run_process({"import", "-window", "root", "-crop", crop, "+repage", partial}, {}, 60,
                             "", dir + "/import.err");
        if (rc == 0)
            fs::rename(partial, png);
        else
            fprintf(stderr, "  screenshot failed (import exit %d), see %s/import.err\n", rc,
                    dir.c_str());
    }
}

// Script line for the pilot from a scenario step.
std::string pilot_line(const Step &step, const std::string &dir, const std::string &exe)
{
    const Words &w = step.words;
    const std::string &v = w[0];
    if (v == "expect-text" || v == "expect-selection" || v == "expect-enabled" ||
        v == "expect-items" || v == "expect-count")
        return v.substr(7) + " " + w[1];
    if (v == "expect-focus")
        return "focus?";
    if (v == "expect-dpi")
        return "dpi";
    if (v == "expect-unclipped")
        return "unclipped";
    if (v == "expect-rect" || v == "expect-combo-rect")
        return v.substr(7) + " " + w[1] + " " + w[2] + " " + w[3] + " " + w[4] + " " + w[5];
    if (v == "shot")
        return "shot " + words::quote(win_path(dir + "/" + w[1]));
    if (v == "answer")
        return "answer " + (w.size() == 4 ? w[3] : std::string("ok"));
    if (v == "exit" || v == "second-exit")
        return v;
    if (v == "second")
        return "second " + words::quote(win_path(exe)) + " " + words::quote(w[1]) + " " +
               words::quote(win_path(dir)) + " " + words::quote(win_path(dir + "/second-stdout.txt"));
    if (v == "output")
        return "";  // the pilot writes the second instance's output at its exit
    std::string line = v;
    for (size_t i = 1; i < w.size(); ++i)
        line += " " + words::quote(w[i]);
    return line;
}

// Whether a PE file is built for i386: its machine field, after the "PE\0\0" the header at 0x3C
// points to, is 0x14C.
bool is_32bit_exe(const std::string &path)
{
    std::string pe = read_file(path);
    if (pe.size() < 0x40)
        return false;
    uint32_t at = (uint8_t)pe[0x3C] | (uint8_t)pe[0x3D] << 8 | (uint8_t)pe[0x3E] << 16 | (uint32_t)(uint8_t)pe[0x3F] << 24;
    return at + 6 <= pe.size() && pe.compare(at, 4, std::string("PE\0\0", 4)) == 0 &&
           (uint8_t)pe[at + 4] == 0x4C && (uint8_t)pe[at + 5] == 0x01;
}

std::vector<std::string> tail(const std::string &file, size_t count)
{
    std::vector<std::string> lines = lines_of(read_file(file));
    if (lines.size() > count)
        lines.erase(lines.begin(), lines.end() - count);
    for (auto &l : lines)
        l = "  | " + l;
    return lines;
}

}  // namespace

bool wine_begin(const WineOptions &o, std::string *error)
{
    if (!getenv("DISPLAY")) {
        *error = "no X display: run under xvfb-run (or set DISPLAY)";
        return false;
    }
    fs::create_directories(o.work);
    fs::create_directories(o.shots);
    fprintf(stderr, "%s: booting a fresh %s prefix in %s ...\n", o.label.c_str(), o.arch.c_str(),
            prefix_of(o).c_str());
    int rc = run_process({o.prefix_script, "create", prefix_of(o), o.arch}, {}, 900, "",
                         o.work + "/prefix-create.err");
    if (rc != 0) {
        *error = "the prefix could not be made (exit " + std::to_string(rc) + "): " +
                 read_file(o.work + "/prefix-create.err");
        return false;
    }
    // The COM port database's stand-in takes the place of Wine's msports.dll in the system
    // folder the program's bitness sees: system32, or syswow64 for a 32-bit program in a 64-bit
    // prefix. Only runs that ask for it load it (msports=n); every other run disables it.
    std::string windows = prefix_of(o) + "/drive_c/windows/";
    bool wow = o.arch == "win64" && is_32bit_exe(o.exe) && fs::exists(windows + "syswow64");
    std::error_code ec;
    fs::copy_file(o.msports, windows + (wow ? "syswow64" : "system32") + "/msports.dll",
                  fs::copy_options::overwrite_existing, ec);
    if (ec) {
        *error = "cannot install " + o.msports + " in the prefix: " + ec.message();
        return false;
    }
    // One process holds the session open for the whole run, so that Wine's start-up (which
    // fills the device map with its own serial ports) happens once, before the first reset.
    fs::remove(o.work + "/stop");
    keeper_pid = spawn_process({o.loader, o.pilot, "keepalive", win_path(o.work + "/stop")},
                               wine_env(o), "", o.work + "/keepalive.err");
    write_file(o.work + "/warmup.txt", "wait 1000\n");
    rc = run_process({o.loader, o.pilot, win_path(o.work + "/warmup.txt"), win_path(o.work + "/warmup.log")},
                     wine_env(o), 300, "", o.work + "/warmup.err");
    if (rc != 0) {
        *error = "the pilot does not start under Wine (exit " + std::to_string(rc) + "): " +
                 read_file(o.work + "/warmup.err");
        return false;
    }
    return true;
}

Result wine_run(const WineOptions &o, const Scenario &s)
{
    Result r;
    std::string dir;
    if (!begin_run(o.work, s, &dir, &r))
        return r;
    std::string error;
    std::vector<std::string> hardware = hardware_keys(s.before_reg, &error);
    for (const auto &key : s.volatile_keys)
        hardware.push_back(key);
    if (!copy_inputs(s, dir, &error)) {
        r.diff.push_back(error);
        return r;
    }

    // Wine reads the DPI when a process starts: the pilot, which measures in the screen's pixels,
    // must start after it is set, as the tool does.
    if (s.dpi != screen_dpi) {
        write_file(dir + "/dpi.txt", "logpixels " + std::to_string(s.dpi) + "\n");
        int set = run_process({o.loader, o.pilot, win_path(dir + "/dpi.txt"), win_path(dir + "/dpi.log")},
                              wine_env(o), 120, "", dir + "/dpi.err");
        if (set != 0 || !read_file(dir + "/dpi.log").empty()) {
            r.diff.push_back("the screen's DPI could not be set to " + std::to_string(s.dpi));
            return r;
        }
        screen_dpi = s.dpi;
    }
    std::string script = std::string("wait ") + PILOT_WAIT_MS + "\nreset\n";
    for (const auto &key : hardware)
        script += "volatile " + words::quote(key) + "\n";
    // Resource lists are given as a 32-bit kernel writes them; a 64-bit one writes them wider.
    std::string before = s.before_reg;
    if (o.arch == "win64" && read_file(before).find("=hex(8):") != std::string::npos) {
        std::string wide = widen_resource_lists(read_file(before), &error);
        if (wide.empty()) {
            r.diff.push_back(error);
            return r;
        }
        before = dir + "/before-64.reg";
        write_file(before, wide);
    }
    script += "import " + words::quote(win_path(before)) + "\n";
    script += "export " + words::quote(win_path(dir + "/setup.reg")) + "\n";
    // The tool runs in the scenario's folder, its standard output kept there; a batch file runs
    // there under cmd, with both programs beside it as an administrator would keep them.
    std::string program = o.exe, arguments = s.arguments;
    std::string companion = fs::path(o.exe).replace_extension(".com").string();
    if (s.console)
        program = companion;
    // A batch file finds both programs beside it; a planted msports.dll or a help file lies
    // beside them.
    if (s.helpFile)
        write_file(dir + "/z4setup.hlp", HELP_FILE_BYTES);
    if (!s.batch.empty() || s.planted || s.helpFile) {
        std::vector<std::string> copies = {o.exe, companion};
        std::string planted = (fs::path(o.msports).parent_path().parent_path() / "planted" /
                               "msports.dll").string();
        if (s.planted)
            copies.push_back(planted);
        for (const std::string &file : copies) {
            std::error_code ec;
            fs::copy_file(file, dir + "/" + fs::path(file).filename().string(),
                          fs::copy_options::overwrite_existing, ec);
            if (ec)
                r.diff.push_back("cannot copy " + file + ": " + ec.message());
        }
        if (!r.diff.empty())
            return r;
        program = dir + "/" + fs::path(program).filename().string();
    }
    if (!s.batch.empty()) {
        program = "cmd.exe";
        arguments = "/c " + s.batch;
    }
    for (const auto &name : s.held)
        script += "hold " + words::quote(win_path(dir + "/" + name)) + "\n";
    script += "start " + words::quote(program == "cmd.exe" ? program : win_path(program)) + " " +
              words::quote(arguments) + " " + words::quote(win_path(dir)) + " " +
              words::quote(win_path(dir + "/stdout.txt")) + "\n";
    // The boxes of a second instance are answered, Ok, while the pilot waits for its end.
    bool second = false;
    for (const auto &step : s.steps) {
        const std::string &verb = step.words[0];
        second = (second || verb == "second") && verb != "second-exit";
        std::string line = second && verb == "answer" ? "" : pilot_line(step, dir, o.exe);
        if (!line.empty())
            script += line + "\n";
    }
    script += "export " + words::quote(win_path(dir + "/after.reg")) + "\n";
    write_file(dir + "/pilot.txt", script);

    // Wine's loader now and then exits at once, before the pilot runs a single line (seen once
    // in a CI run, exit 1 with nothing on stderr). That says nothing about the scenario, so the
    // start is tried again; a pilot that got as far as its first line is never rerun.
    int rc = 0;
    for (int attempt = 1;; ++attempt) {
        rc = run_process({o.loader, o.pilot, win_path(dir + "/pilot.txt"), win_path(dir + "/pilot.log")},
                         wine_env(o, s.comdb), PILOT_BOUND_SECONDS, dir + "/pilot.out", dir + "/pilot.err",
                         take_requested_shots, &dir);
        bool started = read_file(dir + "/pilot.err").find("pilot> ") != std::string::npos;
        if (rc == 0 || rc == -1 || started || attempt == PILOT_START_ATTEMPTS)
            break;
        fprintf(stderr, "  %s: the pilot did not start (exit %d), starting it again\n", s.name.c_str(),
                rc);
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    if (rc == -1) {
        r.diff.push_back("hang: the pilot was still running after " +
                         std::to_string((int)PILOT_BOUND_SECONDS) + " s and was killed");
        for (const auto &l : tail(dir + "/pilot.err", 8))
            r.diff.push_back(l);
        return r;
    }
    if (rc != 0) {
        r.diff.push_back("the pilot failed with exit " + std::to_string(rc));
        for (const auto &l : tail(dir + "/pilot.err", 8))
            r.diff.push_back(l);
        for (const auto &l : tail(dir + "/pilot.out", 8))
            r.diff.push_back(l);
        return r;
    }

    Snapshot want_setup, have_setup;
    if (!snapshot_file(before, "", Scope::Setup, &want_setup, &error) ||
        !snapshot_file(dir + "/setup.reg", "", Scope::Setup, &have_setup, &error)) {
        r.diff.push_back("setup: " + error);
        return r;
    }
    for (const auto &line : compare_snapshots(want_setup, have_setup))
        r.diff.push_back("setup: the prefix does not hold before.reg: " + line);

    for (const auto &line : judge(s, lines_of(read_file(dir + "/pilot.log")), dir + "/after.reg"))
        r.diff.push_back(line);
    for (const auto &line : judge_files(s, dir))
        r.diff.push_back(line);
    for (const auto &line : judge_event(s, wine_events(read_file(dir + "/pilot.err"))))
        r.diff.push_back(line);

    for (const auto &step : s.steps)
        if (step.words[0] == "shot") {
            std::string png = dir + "/" + step.words[1] + ".png";
            std::string kept = o.shots + "/" + step.words[1] + "-" + o.label + ".png";
            if (fs::exists(png))
                fs::copy_file(png, kept, fs::copy_options::overwrite_existing);
        }
    return end_run(r, dir, o.keep);
}

void wine_end(const WineOptions &o)
{
    write_file(o.work + "/stop", "");
    if (keeper_pid > 0)
        reap_process(keeper_pid, 20);
    run_process({o.prefix_script, "stop", prefix_of(o)}, {}, 90, "", "");
    if (!o.keep)
        fs::remove_all(prefix_of(o));
}

}  // namespace scenario
