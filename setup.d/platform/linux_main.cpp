// The tool built for Linux: the same run against the emulated platform, from a shell.
// Nobody can answer the emulated dialog here, so it ends at once; the reason is printed.
#include <cstdio>
#include <string>

#include "emu_dialog.h"
#include "emu_user.h"
#include "z4setup.h"

int main(int argc, char **argv)
{
    std::string line = "z4setup.exe";
    for (int i = 1; i < argc; ++i)
        line += std::string(" ") + argv[i];
    emu::set_command_line(line);
    int code = z4_run(nullptr, GetCommandLineA(), SW_SHOWDEFAULT);
    for (const std::string &failure : emu::dialog_failures())
        std::fprintf(stderr, "z4setup: %s\n", failure.c_str());
    return code;
}
