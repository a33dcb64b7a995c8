// "/s" under fuzzing: any registry, any file, and the promises every run must keep.
#include "board_file_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "board_model_file.h"
#include "plan_words.h"
#include "reg_file.h"
#include "reg_store.h"
#include "registry_builder.h"
#include "registry_snapshot.h"
#include "test_support.h"
#include "window_record.h"
#include "z4setup.h"

namespace fuzz {

namespace {

BoardFileTally tally;

[[noreturn]] void fail(const std::string &what, const std::string &file)
{
    std::fprintf(stderr, "\n*** broken promise: %s\nthe board file:\n%s\n", what.c_str(),
                 file.c_str());
    std::fprintf(stderr, "the driver's keys now:\n%s\n", emu::reg_save_text({Z4_SERVICE_KEY}).c_str());
    std::fflush(stderr);
    std::abort();
}

const std::string &file_path()
{
    static const std::string path = "/tmp/z4fuzz-board-" + std::to_string(getpid()) + ".ini";
    return path;
}

// The Ports key keeps every entry it had; what it gains are default line settings.
std::string ports_difference(const Picture &before, const Picture &after)
{
    auto was = ports_values(before), is = ports_values(after);
    for (const auto &[name, value] : was) {
        auto it = is.find(name);
        if (it == is.end() || it->second.data != value.data || it->second.type != value.type)
            return "the Ports entry " + value.name + " changed";
    }
    const std::vector<uint8_t> settings = emu::bytes(std::string("9600,n,8,1") + '\0');
    for (const auto &[name, value] : is)
        if (!was.count(name) && (value.type != REG_SZ || value.data != settings))
            return "the Ports entry " + value.name + " was added with other settings";
    return "";
}

// The tool run with `arguments` as a new process would, what it prints to standard output kept.
int capturedZ4_run(const std::string &arguments, std::string *out)
{
    HINSTANCE module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    const std::string path = "/tmp/z4fuzz-out-" + std::to_string(getpid()) + ".txt";
    std::fflush(stdout);
    int saved = dup(1);  // -1 where standard output is closed
    int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0600);
    if (fd < 0 || dup2(fd, 1) < 0)
        fail("standard output could not be captured", arguments);
    emu::set_command_line("z4setup.exe " + arguments);
    int code = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, 1);
        close(saved);
    } else {
        close(1);
    }
    out->clear();
    char chunk[4096];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;)
        out->append(chunk, static_cast<size_t>(n));
    close(fd);
    std::remove(path.c_str());
    return code;
}

// A plain ASCII file reads the same, to the board and to the message, in either UTF-16.
void check_utf16_reads_the_same(const std::string &text)
{
    for (char c : text)
        if (c <= 0)
            return;
    if (text.size() * 2 + 2 > Z4_BOARD_FILE_MAX_BYTES || text.rfind("\xEF\xBB\xBF", 0) == 0)
        return;
    BoardFile plain, wide;
    char plainError[Z4_BOARD_FILE_ERROR_CHARS], wideError[Z4_BOARD_FILE_ERROR_CHARS];
    bool plainOk = parseZ4_board_file(text.data(), text.size(), "fuzz.ini", &plain, plainError);
    for (bool little : {true, false}) {
        std::string bytes = emu::utf16_marked(text, little);
        bool wideOk = parseZ4_board_file(bytes.data(), bytes.size(), "fuzz.ini", &wide, wideError);
        if (wideOk != plainOk || std::string(wideError) != plainError ||
            (plainOk && std::memcmp(&plain, &wide, sizeof plain) != 0))
            fail(std::string("read otherwise as UTF-16 ") + (little ? "LE" : "BE") + ": \"" +
                     wideError + "\" against \"" + plainError + "\"",
                 text);
    }
}

const std::string &report_path()
{
    static const std::string path = "/tmp/z4fuzz-report-" + std::to_string(getpid()) + ".ini";
    return path;
}

// On any registry the report "/r" writes is one "/n" takes without a change, or it says why not
// in a comment: Ok refused (and so is the file), Ok would ask first (the file is refused), or the
// registry holds what Ok would not leave (the file changes it). Faults that strike one call and
// not the next would make the two runs read different registries: such inputs are passed over.
void check_report(const uint8_t *data, size_t size)
{
    Reader in{data, size};
    Setup setup = build_registry(in);
    if (!setup.faults.empty())
        return;
    HINSTANCE module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    emu::set_message_box_handler([](const emu::MessageBoxRecord &box) -> int {
        fail("/r showed a box: " + box.caption + ": " + box.text, "(the report)");
    });
    emu::set_command_line("z4setup.exe /r " + report_path());
    int shown = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
    if (shown != 0 && shown != 2)
        fail("/r exits " + std::to_string(shown), "(the report)");
    std::FILE *f = std::fopen(report_path().c_str(), "rb");
    std::string report;
    if (f) {
        char chunk[4096];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
            report.append(chunk, n);
        std::fclose(f);
    }
    if (shown != 0)
        return;
    emu::ui_reset();
    resetZ4_process();
    emu::set_message_box_handler([report](const emu::MessageBoxRecord &box) -> int {
        fail("/n of the report showed a box: " + box.caption + ": " + box.text, report);
    });
    emu::set_command_line("z4setup.exe /n " + report_path());
    int planned = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
    std::remove(report_path().c_str());
    bool refused = report.find("; pressing Ok now is refused") != std::string::npos;
    bool asks = report.find("; pressing Ok now asks first, and /s refuses") != std::string::npos;
    bool differs = report.find("; the registry differs from what this file leaves") != std::string::npos;
    bool kept = refused ? planned == 2 || planned == 3
                        : asks ? planned == 3 : differs ? planned == 6 : planned == 0;
    if (!kept)
        fail("/n of the report /r wrote exits " + std::to_string(planned), report);
}

}  // namespace

const BoardFileTally &board_file_tally() { return tally; }

void run_board_file(const uint8_t *data, size_t size)
{
    emu::reg_reset();
    emu::ui_reset();
    resetZ4_process();
    ++tally.runs;
    check_report(data, size);
    emu::reg_reset();
    emu::ui_reset();
    resetZ4_process();
    Reader in{data, size};
    const Setup setup = build_registry(in);
    std::string text(reinterpret_cast<const char *>(data) + in.at, size - std::min(in.at, size));
    emu::set_message_box_handler([text](const emu::MessageBoxRecord &box) -> int {
        fail("a box was shown: " + box.caption + ": " + box.text, text);
    });

    check_utf16_reads_the_same(text);
    // Every other input goes to the tool as UTF-16 LE, as PowerShell writes it.
    std::string bytes = size % 2 ? emu::utf16_marked(text, true) : text;
    BoardFile parsed;
    char error[Z4_BOARD_FILE_ERROR_CHARS];
    bool readable = parseZ4_board_file(bytes.data(), bytes.size(), "fuzz.ini", &parsed, error);

    std::FILE *f = std::fopen(file_path().c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
        fail("the board file could not be written to " + file_path(), text);

    const Picture start = take_picture();
    const emu::PlanPicture planStart = emu::plan_picture();
    HINSTANCE module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    // "/n" first: it never writes, and what it answers must be what "/s" then does.
    emu::reg_clear_calls();
    std::string planOut;
    int planned = capturedZ4_run("/n " + file_path(), &planOut);
    for (const auto &call : emu::reg_calls())
        if (emu::changes_registry(call))
            fail("/n made the call " + call.op + " on " + call.key, text);
    if (!same_picture(start, take_picture()))
        fail("/n changed the registry", text);
    emu::ui_reset();
    resetZ4_process();
    emu::set_message_box_handler([text](const emu::MessageBoxRecord &box) -> int {
        fail("a box was shown: " + box.caption + ": " + box.text, text);
    });
    emu::reg_clear_calls();

    emu::set_command_line("z4setup.exe /s " + file_path());
    int code = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
    std::vector<emu::RegCall> applied = emu::reg_calls();
    // What "/n" listed is what "/s" changed, no more and no less (faults that strike one call and
    // not the next would have the two runs read different registries).
    if (code == 0 && setup.faults.empty()) {
        std::set<std::string> listed = emu::plan_items(planOut);
        std::set<std::string> made = emu::plan_difference(planStart, emu::plan_picture());
        if (listed != made) {
            std::string both = "/n listed:\n" + planOut + "/s changed:\n";
            for (const auto &item : made)
                both += "  " + item + "\n";
            fail("the plan and the write disagree\n" + both, text);
        }
    }
    // Exit 0 means the registry holds the file's configuration: a second look finds nothing.
    if (code == 0) {
        emu::ui_reset();
        resetZ4_process();
        emu::set_command_line("z4setup.exe /n " + file_path());
        int again = runZ4_arguments(module, GetCommandLineA(), SW_SHOWDEFAULT);
        if (again != 0)
            fail("/s exits 0, yet /n then exits " + std::to_string(again), text);
    }
    std::remove(file_path().c_str());
    bool wrote = false;
    for (const auto &call : applied)
        wrote = wrote || emu::changes_registry(call);
    if ((planned == 0) != (code == 0 && !wrote))
        fail("/n exits " + std::to_string(planned) + ", yet /s exits " + std::to_string(code) +
                 (wrote ? " after writing" : " without writing"),
             text);
    if ((planned == 2 || planned == 3) != (code == planned) || (planned == 6 && code != 0 && code != 4))
        fail("/n exits " + std::to_string(planned) + " where /s exits " + std::to_string(code), text);

    if (code != 0 && code != 2 && code != 3 && code != 4)
        fail("exit code " + std::to_string(code), text);
    if (!emu::windows().empty())
        fail("a window was made", text);
    if (emu::reg_open_handle_count() != 0)
        fail("keys left open:" + emu::open_keys(), text);
    if ((code == 2) != !readable)
        fail(std::string("the reader ") + (readable ? "takes" : "refuses") +
                 " the file, yet the exit code is " + std::to_string(code) + " (" + error + ")",
             text);
    Picture end = take_picture();
    std::string outside = outside_difference(start, end);
    if (!outside.empty())
        fail("outside the driver's keys: " + outside, text);
    std::string ports = ports_difference(start, end);
    if (!ports.empty())
        fail(ports, text);
    if ((code == 2 || code == 3) && !same_picture(start, end))
        fail("exit code " + std::to_string(code) + ", yet the driver's keys changed", text);
    (code == 2 ? tally.malformed : code == 3 ? tally.refused : code == 0 ? tally.written
                                                                         : tally.write_failed)++;
}

}  // namespace fuzz
