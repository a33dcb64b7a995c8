// End-to-end scenarios: one folder each, run against the exe under Wine or the emulation.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "words.h"

namespace scenario {

using Words = std::vector<std::string>;

// One line of scenario.txt after the header lines: a user action, a check, or the exit.
struct Step {
    Words words;       // verb first, quotes removed
    int line = 0;      // in scenario.txt, for messages
    std::string want;  // the transcript line this step must produce; empty for actions
};

// What stands in for a help file a driver package ships: only whether it is there counts.
inline const char HELP_FILE_BYTES[] = "?_\x03\0 (a help file's first bytes)";

struct Scenario {
    std::string name;
    std::string dir;
    std::string title;
    std::string arguments;          // the command line after the program name
    std::vector<std::string> only;  // modes it runs in; empty for all
    std::vector<Step> steps;
    std::string before_reg, after_reg;  // file paths
    std::vector<std::string> files;     // copied into the folder the tool runs in
    std::vector<std::string> held;      // of those, the ones another program holds open
    std::vector<std::string> readOnly;  // of those, the ones made read-only before the run
    bool console = false;               // z4setup.com runs instead of z4setup.exe
    bool comdb = false;                 // a COM port database (msports.dll) is there
    bool planted = false;               // a msports.dll is planted beside the program
    bool helpFile = false;              // a z4setup.hlp lies beside the program
    std::vector<std::pair<std::string, std::string>> links;  // symbolic links made: name, target
    int dpi = 96;                       // the screen's DPI under Wine
    std::string batch;                  // "cmd /c BATCH" runs instead, both programs beside it
    std::vector<std::string> volatile_keys;  // made volatile before before.reg is imported
    std::vector<std::string> read_only_keys;  // the emulation refuses every write there
    std::string expected_output;        // the tool's standard output must equal this file
    std::string event;                  // "" unchecked, "none", or the run's one event: "100 information"
    std::vector<std::pair<std::string, std::string>> expected_files;  // written, wanted
};

// The .reg text with every hex(8) value (a resource list, given in the 32-bit layout) in the
// 64-bit kernel's layout; a value that is no whole list is kept as it is.
std::string widen_resource_lists(const std::string &reg_text, std::string *error);

// Reads NAME/scenario.txt; false with *error "file:line: why" when it does not parse.
bool load_scenario(const std::string &dir, Scenario *out, std::string *error);
// The scenario folders below root, sorted by name.
std::vector<std::string> scenario_dirs(const std::string &root);

// What a run is compared on: the driver's keys and both maps (whole subtrees), and the COM
// entries of the Ports list. Keys and value names compare case-insensitively.
struct SnapValue {
    std::string key, name;  // as stored
    uint32_t type = 0;
    std::vector<uint8_t> data;
};
struct Snapshot {
    std::map<std::string, std::string> keys;   // lower-cased path -> path as stored
    std::map<std::string, SnapValue> values;   // lower-cased "path\name" -> value
};
enum class Scope { Outcome, Setup };  // Outcome: driver keys + COM entries; Setup: maps too

// The emulated registry's current contents within the scope.
Snapshot snapshot_registry(Scope scope);
// A .reg file loaded into an emptied emulated registry (over base_reg when given).
bool snapshot_file(const std::string &file, const std::string &base_reg, Scope scope,
                   Snapshot *out, std::string *error);
// Lines saying how `actual` differs from `expected`; empty when they agree.
std::vector<std::string> compare_snapshots(const Snapshot &expected, const Snapshot &actual);
// The key paths below HKEY_LOCAL_MACHINE\HARDWARE in a .reg file (they must be made volatile).
std::vector<std::string> hardware_keys(const std::string &file, std::string *error);
// before.reg may hold only what the reset clears: the driver's keys, both maps, COM entries.
bool check_before_reg(const std::string &file, std::string *error);

// Transcript lines that differ, as "expected X / got Y" lines; empty when equal.
std::vector<std::string> compare_transcripts(const std::vector<std::string> &expected,
                                             const std::vector<std::string> &actual);

// The transcript lines the scenario's checks expect, in order.
std::vector<std::string> expected_transcript(const Scenario &s);
// Everything that differs between the scenario and a run's transcript and registry export.
std::vector<std::string> judge(const Scenario &s, const std::vector<std::string> &transcript,
                               const std::string &after_export);
std::vector<std::string> lines_of(const std::string &text);
// What differs between the files the scenario expects and those the run left in `run_dir`
// (stdout.txt for the standard output); line ends are compared as LF.
std::vector<std::string> judge_files(const Scenario &s, const std::string &run_dir);
// The events the run wrote to the Application log ("100 information", ...) against `event`.
// "information", "warning", "error" for the event types the tool writes; the number otherwise.
inline std::string event_type_name(uint16_t type)
{
    return type == 4 ? "information" : type == 2 ? "warning" : type == 1 ? "error" : std::to_string(type);
}
std::vector<std::string> judge_event(const Scenario &s, const std::vector<std::string> &seen);
// Copies the scenario's input files into the folder the tool runs in.
bool copy_inputs(const Scenario &s, const std::string &run_dir, std::string *error);

// The outcome of one scenario in one mode.
struct Result {
    bool pass = false;
    bool skipped = false;
    std::vector<std::string> diff;  // why it failed
    double seconds = 0;
};

// A run's scratch folder, work/NAME, made empty; false (the reason in r->diff) when before.reg
// holds more than the reset clears, which would leave the run's start unknown.
bool begin_run(const std::string &work, const Scenario &s, std::string *dir, Result *r);
// The run passes when nothing differed; a passing run's scratch folder goes unless kept.
Result end_run(Result r, const std::string &dir, bool keep);

struct WineOptions {
    std::string loader;     // /usr/lib/wine/wine or /usr/lib/wine/wine64
    std::string arch;       // win32 or win64
    std::string exe;        // z4setup.exe
    std::string pilot;      // z4pilot.exe of the same bitness
    std::string msports;    // the stand-in msports.dll of the same bitness
    std::string prefix_script;
    std::string work;       // scratch folder; the prefix goes below it
    std::string shots;      // where screenshots are kept
    std::string label;      // names the run in reports and picture names
    bool keep = false;      // keep the prefix and scratch files
};

// Wine: prepares the prefix; false when it cannot (with *error).
bool wine_begin(const WineOptions &options, std::string *error);
Result wine_run(const WineOptions &options, const Scenario &s);
void wine_end(const WineOptions &options);

// Emulation: the same scenario against the Linux emulation, in a forked child so that every
// run starts from a new process's state, as the exe does.
struct EmulationOptions {
    std::string base_reg;  // what every Windows registry holds before a scenario's own keys
    std::string work;
    bool keep = false;
};
Result emulation_run(const EmulationOptions &options, const Scenario &s);

// Child processes with a bound; returns the exit code, -1 on timeout (the child's process
// group is killed), -2 when it cannot start. `poll` runs every few milliseconds meanwhile.
int run_process(const std::vector<std::string> &argv, const std::map<std::string, std::string> &env,
                double timeout_seconds, const std::string &out_file, const std::string &err_file,
                void (*poll)(void *) = nullptr, void *poll_arg = nullptr);
// Starts a child in its own process group without waiting; returns its pid or -1.
int spawn_process(const std::vector<std::string> &argv, const std::map<std::string, std::string> &env,
                  const std::string &out_file, const std::string &err_file);
// Waits up to the bound for a spawned child, then kills its group; true when it ended by itself.
bool reap_process(int pid, double timeout_seconds);
std::string read_file(const std::string &path);
bool write_file(const std::string &path, const std::string &text);

}  // namespace scenario
