// z4scenarios: runs the scenario folders against the exe under Wine or against the emulation
// and reports each as PASS or FAIL with what differed.
#include <chrono>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "scenario.h"

namespace fs = std::filesystem;
using namespace scenario;

namespace {

int usage()
{
    fprintf(stderr,
            "usage: z4scenarios --emulation --base BASE.reg [common] SCENARIOS_DIR\n"
            "       z4scenarios --wine EXE --pilot PILOT.exe --msports MSPORTS.dll --arch win32|win64\n"
            "                   --prefix-script SH\n"
            "                   [--loader WINE] [--shots DIR] [common] SCENARIOS_DIR\n"
            "common: [--work DIR] [--only NAME,...] [--label LABEL] [--keep] [--list]\n");
    return 2;
}

bool selected(const std::string &name, const std::string &only)
{
    if (only.empty())
        return true;
    std::string list = "," + only + ",";
    return list.find("," + name + ",") != std::string::npos;
}

bool runs_in(const Scenario &s, const std::string &mode, const std::string &arch)
{
    if (s.only.empty())
        return true;
    for (const auto &m : s.only)
        if (m == mode || (mode == "wine" && m == arch))
            return true;
    return false;
}

}  // namespace

int main(int argc, char **argv)
{
    std::string mode, root, only, label, arch;
    WineOptions wine;
    EmulationOptions emulation;
    std::string work = "/tmp/z4scenarios-" + std::to_string(getpid());
    bool keep = false, list = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--emulation") mode = "emulation";
        else if (a == "--wine") { mode = "wine"; wine.exe = value(); }
        else if (a == "--pilot") wine.pilot = value();
        else if (a == "--msports") wine.msports = value();
        else if (a == "--arch") arch = value();
        else if (a == "--loader") wine.loader = value();
        else if (a == "--prefix-script") wine.prefix_script = value();
        else if (a == "--shots") wine.shots = value();
        else if (a == "--base") emulation.base_reg = value();
        else if (a == "--work") work = value();
        else if (a == "--only") only = value();
        else if (a == "--label") label = value();
        else if (a == "--keep") keep = true;
        else if (a == "--list") list = true;
        else if (!a.empty() && a[0] != '-' && root.empty()) root = a;
        else return usage();
    }
    if (mode.empty() || root.empty())
        return usage();
    if (mode == "wine" && (wine.exe.empty() || wine.pilot.empty() || wine.prefix_script.empty() ||
                           (arch != "win32" && arch != "win64")))
        return usage();
    if (label.empty())
        label = mode == "wine" ? arch : "emulation";
    if (wine.loader.empty())
        wine.loader = arch == "win64" ? "/usr/lib/wine/wine64" : "/usr/lib/wine/wine";
    if (wine.shots.empty())
        wine.shots = work;
    wine.arch = arch;
    wine.work = work;
    wine.label = label;
    wine.keep = keep;
    emulation.work = work;
    emulation.keep = keep;

    std::vector<Scenario> scenarios;
    for (const auto &dir : scenario_dirs(root)) {
        Scenario s;
        std::string error;
        if (!load_scenario(dir, &s, &error)) {
            fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        if (selected(s.name, only))
            scenarios.push_back(s);
    }
    if (list) {
        for (const auto &s : scenarios)
            printf("%-40s %s\n", s.name.c_str(), s.title.c_str());
        return 0;
    }
    if (scenarios.empty()) {
        fprintf(stderr, "no scenario under %s\n", root.c_str());
        return 2;
    }

    auto clock = [] { return std::chrono::steady_clock::now(); };
    auto since = [&](std::chrono::steady_clock::time_point t) {
        return std::chrono::duration<double>(clock() - t).count();
    };
    auto run_start = clock();
    if (mode == "wine") {
        std::string error;
        if (!wine_begin(wine, &error)) {
            fprintf(stderr, "%s: %s\n", label.c_str(), error.c_str());
            wine_end(wine);
            printf("%s: 0 passed, %zu failed\n", label.c_str(), scenarios.size());
            return 1;
        }
        printf("%s: %s under %s, prefix ready in %.0f s\n", label.c_str(), wine.exe.c_str(),
               wine.loader.c_str(), since(run_start));
    } else {
        fs::create_directories(work);
    }
    fflush(stdout);

    int passed = 0, failed = 0, skipped = 0;
    for (const auto &s : scenarios) {
        if (!runs_in(s, mode, arch)) {
            printf("SKIP %s (runs only in: %s)\n", s.name.c_str(), s.only[0].c_str());
            ++skipped;
            continue;
        }
        auto t = clock();
        Result r = mode == "wine" ? wine_run(wine, s) : emulation_run(emulation, s);
        printf("%s %s (%.1f s)\n", r.pass ? "PASS" : "FAIL", s.name.c_str(), since(t));
        for (const auto &line : r.diff)
            printf("    %s\n", line.c_str());
        fflush(stdout);
        (r.pass ? passed : failed)++;
    }
    if (mode == "wine")
        wine_end(wine);
    if (!keep && failed == 0)
        fs::remove_all(work);
    else
        printf("%s: scratch files kept in %s\n", label.c_str(), work.c_str());
    printf("%s: %zu scenarios in %.0f s\n", label.c_str(), scenarios.size(), since(run_start));
    printf("%s: %d passed, %d failed", label.c_str(), passed, failed);
    if (skipped)
        printf(", %d skipped", skipped);
    printf("\n");
    return failed ? 1 : 0;
}
