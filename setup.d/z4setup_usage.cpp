// "/?": what the command line takes, in a box.
#include "z4setup_verbs.h"

#include "z4setup_report.h"

int z4_usage()
{
    z4report(nullptr,
             "z4setup              the configuration dialog\n"
             "z4setup /s FILE      applies a board file without a window\n"
             "z4setup /r [FILE]    writes the configuration as a board file, to standard output "
             "without FILE\n"
             "z4setup /d           removes the configuration (exit code 1)\n"
             "\n"
             "Exit codes of /s and /r: 0 done; 2 the file is missing, malformed or cannot be "
             "written; 3 the configuration is refused; 4 the registry write failed.\n"
             "\n"
             "Board file: sections [Board1] to [Board4] with BusType = ISA, PCI or None, "
             "Interrupt and IOAddr (hexadecimal) for ISA, and Ports;\n"
             "an optional section [Numbering] with FirstDevice and FirstCOM;\n"
             "a board without a section is None, and ; or # starts a comment.",
             "Zentrix IV Configuration", MB_OK);
    return Z4_EXIT_DONE;
}
