// The tool built for Linux: the same run against the emulated platform, from a shell.
#include <string>

#include "emu_user.h"
#include "z4setup.h"

int main(int argc, char **argv)
{
    std::string line = "z4setup.exe";
    for (int i = 1; i < argc; ++i)
        line += std::string(" ") + argv[i];
    emu::set_command_line(line);
    return z4_run(nullptr, GetCommandLineA(), SW_SHOWDEFAULT);
}
