// "/?": what the command line takes, in a box, or as lines where reports are lines.
#include "z4setup_verbs.h"

#include <cstdio>

#include "z4setup_report.h"

static const char Z4Usage[] =
    "z4setup              the configuration dialog\n"
    "z4setup /s FILE      applies a board file without a window (nothing written where the "
    "registry holds it already)\n"
    "z4setup /n FILE      says what /s FILE would change, changing nothing\n"
    "z4setup /r [FILE]    writes the configuration as a board file, to standard output "
    "without FILE\n"
    "z4setup /d           removes the configuration\n"
    "\n"
    "At a prompt, z4setup.com (which z4setup names before z4setup.exe) prints every report as "
    "a line and the prompt waits for it.\n"
    "\n"
    "Exit codes: 0 done; 1 removed (/d); 2 the file is missing, malformed or cannot be written, "
    "or the command line is not one of the above; 3 the configuration is refused; 4 the "
    "registry write failed; 5 another z4setup is running; 6 /n found changes; 7 interrupted (Ctrl+C) before "
    "anything was written.\n"
    "\n"
    "Board file: sections [Board1] to [Board4] with BusType = ISA, PCI or None, Interrupt and "
    "IOAddr (hexadecimal) for ISA, and Ports; at least one board section (a file for no boards "
    "says [Board1] with BusType = None);\n"
    "an optional section [Numbering] with FirstDevice and FirstCOM;\n"
    "a board without a section is None, and ; or # starts a comment.";

int showZ4_usage()
{
    if (reportsZ4_are_lines()) {
        std::printf("%s\n", Z4Usage);
        std::fflush(stdout);
    } else {
        reportZ4_text(nullptr, Z4Usage, "Zentrix IV Configuration", MB_OK);
    }
    return Z4_EXIT_DONE;
}
