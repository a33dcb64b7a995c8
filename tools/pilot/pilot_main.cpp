// pilot SCRIPT LOG: runs the script's lines in order and writes the transcript to LOG.
// pilot keepalive FILE: holds the Wine session open until FILE exists.
#include "pilot.h"

PilotState pilot;

namespace {

struct Verb {
    const char *name;
    void (*run)(const Words &);
};

void run_wait(const Words &w)
{
    if (w.size() == 2)
        pilot.wait_ms = (DWORD)strtoul(w[1].c_str(), nullptr, 10);
}

const Verb VERBS[] = {
    {"wait", run_wait},         {"reset", run_reset},     {"volatile", run_volatile},
    {"import", run_import},     {"export", run_export},   {"start", run_start},
    {"exit", run_exit},         {"second", run_second},   {"second-exit", run_second_exit},
    {"answer", run_answer},   {"pick", run_pick},
    {"type", run_type},         {"erase", run_erase},     {"focus", run_focus},
    {"tab", run_tab},           {"key", run_key},         {"press", run_press},
    {"close", run_close},       {"text", run_query},      {"items", run_query},
    {"count", run_query},       {"selection", run_query}, {"enabled", run_query},
    {"focus?", run_query},      {"rect", run_rect},       {"combo-rect", run_rect},       {"dpi", run_dpi},
    {"shot", run_shot},         {"hold", run_hold},       {"logpixels", run_logpixels},
    {"unclipped", run_unclipped},
};

int keep_alive(const char *stop_file)
{
    for (int i = 0; i < 4 * 3600 && GetFileAttributesA(stop_file) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(250);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "keepalive") == 0)
        return keep_alive(argv[2]);
    if (argc != 3) {
        fprintf(stderr, "usage: pilot SCRIPT LOG | pilot keepalive STOPFILE\n");
        return 2;
    }
    // Sizes are measured in the screen's own pixels, as the DPI-aware tool lays itself out.
    SetProcessDPIAware();
    FILE *script = fopen(argv[1], "rb");
    if (!script) {
        fprintf(stderr, "pilot: cannot read %s\n", argv[1]);
        return 2;
    }
    pilot.log = fopen(argv[2], "wb");
    if (!pilot.log) {
        fprintf(stderr, "pilot: cannot write %s\n", argv[2]);
        return 2;
    }
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, script)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        Words line_words;
        std::string error;
        if (!words::split(line, &line_words, &error)) {
            log_error("script line " + quoted(line) + ": " + error);
            continue;
        }
        if (line_words.empty() || line_words[0][0] == '#')
            continue;
        fprintf(stderr, "pilot> %s\n", line.c_str());
        const Verb *verb = nullptr;
        for (const auto &v : VERBS)
            if (line_words[0] == v.name)
                verb = &v;
        if (verb)
            verb->run(line_words);
        else
            log_error("unknown verb " + line_words[0]);
    }
    fclose(script);
    if (pilot.started && !pilot.ended &&
        WaitForSingleObject(pilot.tool.hProcess, 0) == WAIT_TIMEOUT) {
        log_error("z4setup.exe still running at the end of the script");
        TerminateProcess(pilot.tool.hProcess, 255);
    }
    fclose(pilot.log);
    return 0;
}
