// The transcript the pilot writes: one line per observation, also echoed to stderr.
#include "pilot.h"

void log_line(const std::string &line)
{
    if (pilot.log) {
        fprintf(pilot.log, "%s\n", line.c_str());
        fflush(pilot.log);
    }
    fprintf(stderr, "pilot: %s\n", line.c_str());
}

void log_error(const std::string &what)
{
    log_line("error " + what);
}
