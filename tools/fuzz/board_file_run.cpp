// "/s" under fuzzing: any registry, any file, and the promises every run must keep.
#include "board_file_run.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "board_model_file.h"
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

}  // namespace

const BoardFileTally &board_file_tally() { return tally; }

void run_board_file(const uint8_t *data, size_t size)
{
    emu::reg_reset();
    emu::ui_reset();
    resetZ4_process();
    ++tally.runs;
    Reader in{data, size};
    build_registry(in);
    std::string text(reinterpret_cast<const char *>(data) + in.at, size - std::min(in.at, size));
    emu::set_message_box_handler([text](const emu::MessageBoxRecord &box) -> int {
        fail("a box was shown: " + box.caption + ": " + box.text, text);
    });

    BoardFile parsed;
    char error[Z4_BOARD_FILE_ERROR_CHARS];
    bool readable = parseZ4_board_file(text.data(), text.size(), "fuzz.ini", &parsed, error);

    std::FILE *f = std::fopen(file_path().c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0)
        fail("the board file could not be written to " + file_path(), text);

    const Picture start = take_picture();
    emu::set_command_line("z4setup.exe /s " + file_path());
    HINSTANCE module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    int code = z4_run(module, GetCommandLineA(), SW_SHOWDEFAULT);
    std::remove(file_path().c_str());

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
