// The emulated run: the tool's own code against the Linux emulation, the dialog's user played
// through the emulation's driver, in a child process per scenario.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "board_model.h"
#include "comdb_record.h"
#include "dialog_user.h"
#include "event_record.h"
#include "registry_setup.h"
#include "reg_file.h"
#include "ui_record.h"
#include "scenario.h"
#include "z4setup.h"

namespace fs = std::filesystem;

namespace scenario {

namespace {

const double CHILD_BOUND_SECONDS = 60;
const char DRIVER_KEY[] = "SYSTEM\\CurrentControlSet\\Services\\Serialz4";
const char PORTS_KEY[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const char ARBITER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";  // the COM port database

// The state of one run inside the child.
struct Play {
    const Scenario *s = nullptr;
    std::string dir;  // where the tool runs and leaves its files
    size_t next = 0;  // the step to carry out next
    size_t answered = 0;  // the answer steps before this one have been used
    std::vector<std::string> transcript;
    size_t failures_seen = 0;
    pid_t second = -1;  // a second instance of the tool, running
};
Play play;

std::string box_line(const emu::MessageBoxRecord &box)
{
    return "box " + words::quote(box.caption) + " " + words::quote(box.text);
}

// A box is answered as the first answer step not yet used, from the step about to be carried
// out on, says: Ok unless it says yes or no.
int answer_box(const emu::MessageBoxRecord &box)
{
    play.transcript.push_back(box_line(box));
    for (size_t i = std::max(play.next, play.answered); i < play.s->steps.size(); ++i) {
        const Words &w = play.s->steps[i].words;
        if (w[0] != "answer")
            continue;
        play.answered = i + 1;
        if (w.size() == 4 && w[3] == "yes")
            return IDYES;
        if (w.size() == 4 && w[3] == "no")
            return IDNO;
        return IDOK;
    }
    return IDOK;
}

// A second instance of the tool is another process: a child of this one, so that it sees the
// emulated system (its named mutexes among it) as it stands. Its boxes are answered Ok; what it
// shows, its exit code and its standard output are left for second_exit in second.txt.
void start_second(const std::string &arguments)
{
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid != 0) {
        play.second = pid;
        return;
    }
    std::vector<std::string> lines;
    emu::set_message_box_handler([&lines](const emu::MessageBoxRecord &box) {
        lines.push_back(box_line(box));
        return IDOK;
    });
    emu::set_dialog_user(nullptr);
    if (!std::freopen((play.dir + "/second-stdout.txt").c_str(), "w", stdout))
        _exit(3);
    emu::set_command_line(words::command_line("z4setup.exe", arguments));
    HINSTANCE module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    int code = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
    std::fflush(stdout);
    lines.push_back("second exit " + std::to_string(code));
    for (const auto &line : lines_of(read_file(play.dir + "/second-stdout.txt")))
        lines.push_back("output " + words::quote(line));
    std::string text;
    for (const auto &line : lines)
        text += line + "\n";
    write_file(play.dir + "/second.txt", text);
    _exit(0);
}

void second_exit()
{
    if (play.second < 0) {
        play.transcript.push_back("error second-exit: no second instance was started");
        return;
    }
    int status = 0;
    waitpid(play.second, &status, 0);
    play.second = -1;
    for (const auto &line : lines_of(read_file(play.dir + "/second.txt")))
        play.transcript.push_back(line);
}

// Steps that work the same with a dialog open or without one; false for the others.
bool carry_out_anywhere(const Step &step)
{
    const Words &w = step.words;
    if (w[0] == "second")
        start_second(w[1]);
    else if (w[0] == "second-exit")
        second_exit();
    else if (w[0] != "answer" && w[0] != "output")
        return false;
    return true;
}

// Failures the driver recorded since the last look go into the transcript where they happened.
void note_failures()
{
    const auto &failures = emu::dialog_failures();
    for (; play.failures_seen < failures.size(); ++play.failures_seen)
        play.transcript.push_back("error " + failures[play.failures_seen]);
}

bool is_number(const std::string &s)
{
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

bool names_control(const std::string &verb)
{
    for (const char *other : {"tab", "close", "key", "expect-focus", "expect-dpi", "shot", "expect-unclipped"})
        if (verb == other)
            return false;
    return true;
}

// One step inside the open dialog, as the driver's user.
void carry_out(emu::DialogUser &u, const Step &step)
{
    const Words &w = step.words;
    const std::string &v = w[0];
    int id = 0;
    if (names_control(v)) {
        if (!is_number(w[1])) {
            play.transcript.push_back("error " + v + " " + w[1] +
                                      ": the emulation names controls by number only");
            return;
        }
        id = std::stoi(w[1]);
    }
    if (v == "pick") u.pick(id, w[2]);
    else if (v == "type") u.type(id, w[2]);
    else if (v == "erase") u.erase(id);
    else if (v == "focus") u.focus(id);
    else if (v == "tab") u.tab();
    else if (v == "key" && w[1] == "enter") u.key_enter();
    else if (v == "key") u.key_escape();
    else if (v == "press") u.press(id);
    else if (v == "close") u.close_box();
    else if (v == "expect-focus") {
        int focused = u.focused();
        play.transcript.push_back("focus " + (focused ? std::to_string(focused) : std::string("none")));
    } else if (!u.exists(id)) {
        play.transcript.push_back("error " + v.substr(7) + " " + w[1] + ": no such control");
    } else if (v == "expect-text") {
        play.transcript.push_back("text " + w[1] + " " + words::quote(u.text(id)));
    } else if (v == "expect-items") {
        play.transcript.push_back("items " + w[1] + " " + words::joined(u.items(id)));
    } else if (v == "expect-count") {
        play.transcript.push_back("count " + w[1] + " " + std::to_string(u.items(id).size()));
    } else if (v == "expect-selection") {
        int index = u.selection(id);
        std::vector<std::string> items = u.items(id);
        std::string text = index >= 0 && index < (int)items.size() ? items[index] : "";
        play.transcript.push_back("selection " + w[1] + " " + words::quote(text));
    } else if (v == "expect-enabled") {
        play.transcript.push_back("enabled " + w[1] + " " + (u.enabled(id) ? "1" : "0"));
    } else {
        play.transcript.push_back("error " + v + ": only under Wine (mark the scenario \"only wine\")");
    }
    note_failures();
}

// The dialog's user: the scenario's steps in order, until the dialog has ended or the next
// step is the tool's exit. Boxes are answered by the handler, which looks ahead for its answer.
void dialog_user(emu::DialogUser &u)
{
    while (play.next < play.s->steps.size()) {
        const Step &step = play.s->steps[play.next];
        if (step.words[0] == "exit")
            return;
        if (carry_out_anywhere(step)) {
            ++play.next;
            continue;
        }
        if (!u.dialog_open())
            return;
        ++play.next;
        carry_out(u, step);
    }
}

// The child: run, then leave the transcript and the registry export in `dir`.
int child_run(const EmulationOptions &o, const Scenario &s, const std::string &dir)
{
    emu::reg_reset();
    emu::ui_reset();
    resetZ4_process();
    std::string error;
    // As under Wine: the keys every registry holds, the volatile keys, then before.reg.
    if (!o.base_reg.empty() && !emu::reg_load_file(o.base_reg, &error)) {
        write_file(dir + "/transcript.txt", "error " + error + "\n");
        return 3;
    }
    for (const auto &key : s.volatile_keys)
        emu::reg_put_volatile_key(key);
    if (!emu::reg_load_file(s.before_reg, &error)) {
        write_file(dir + "/transcript.txt", "error " + error + "\n");
        return 3;
    }
    for (const auto &key : s.read_only_keys)
        emu::reg_read_only(key);
    play.s = &s;
    play.dir = dir;
    emu::set_message_box_handler(answer_box);
    emu::set_dialog_user(dialog_user);
    // The tool runs in the scenario's folder, with its standard output kept there.
    if (!copy_inputs(s, dir, &error) || chdir(dir.c_str()) != 0 ||
        !std::freopen((dir + "/stdout.txt").c_str(), "w", stdout)) {
        write_file(dir + "/transcript.txt", "error " + error + "\n");
        return 3;
    }
    for (const auto &name : s.held)
        emu::hold_file(dir + "/" + name);
    emu::comdb_install(s.comdb);
    emu::comdb_plant_beside_program(s.planted);
    // The program stands in its working folder, a help file beside it.
    if (s.helpFile) {
        emu::set_module_path(dir + "/z4setup.exe");
        write_file(dir + "/z4setup.hlp", HELP_FILE_BYTES);
    }
    emu::set_command_line(words::command_line(s.console ? "z4setup.com" : "z4setup.exe", s.arguments));
    HINSTANCE module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    int code = mainZ4_run(module, SW_SHOWDEFAULT, s.console);
    // Loaded, the planted DLL would end the process as it does under Wine.
    if (!emu::planted_dll_loads().empty())
        code = 86;
    std::fflush(stdout);
    note_failures();
    for (; play.next < s.steps.size(); ++play.next) {
        const Step &step = s.steps[play.next];
        if (step.words[0] == "exit")
            play.transcript.push_back("exit " + std::to_string(code));
        else if (!carry_out_anywhere(step))
            play.transcript.push_back("error " + step.words[0] + ": no dialog open");
    }
    std::string text;
    for (const auto &line : play.transcript)
        text += line + "\n";
    write_file(dir + "/transcript.txt", text);
    std::string events;
    for (const auto &e : emu::events())
        events += std::to_string(e.id) + " " + event_type_name(e.type) + "\n";
    write_file(dir + "/events.txt", events);
    std::vector<std::string> roots;
    for (const char *root : {DRIVER_KEY, ARBITER_KEY, PORTS_KEY})
        if (emu::reg_has_key(root))
            roots.push_back(root);
    if (!emu::reg_save_file(dir + "/after.reg", emu::RegFileFormat::Unicode5Ansi, roots, &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 4;
    }
    return 0;
}

}  // namespace

Result emulation_run(const EmulationOptions &o, const Scenario &s)
{
    Result r;
    std::string dir;
    if (!begin_run(o.work, s, &dir, &r))
        return r;
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid < 0) {
        r.diff.push_back("cannot fork the emulated run");
        return r;
    }
    if (pid == 0) {
        setpgid(0, 0);
        _exit(child_run(o, s, dir));
    }
    setpgid(pid, pid);
    if (!reap_process(pid, CHILD_BOUND_SECONDS)) {
        r.diff.push_back("hang: the emulated run did not end within " +
                         std::to_string((int)CHILD_BOUND_SECONDS) + " s and was killed");
        return r;
    }
    if (!fs::exists(dir + "/after.reg")) {
        r.diff.push_back("the emulated run ended without leaving its registry");
        for (const auto &line : lines_of(read_file(dir + "/transcript.txt")))
            r.diff.push_back("  | " + line);
        return r;
    }
    r.diff = judge(s, lines_of(read_file(dir + "/transcript.txt")), dir + "/after.reg");
    for (const auto &line : judge_files(s, dir))
        r.diff.push_back(line);
    std::vector<std::string> events = lines_of(read_file(dir + "/events.txt"));
    for (const auto &line : judge_event(s, events))
        r.diff.push_back(line);
    return end_run(r, dir, o.keep);
}

}  // namespace scenario
