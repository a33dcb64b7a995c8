// Console interrupts in the console companion (Ctrl+C, Ctrl+Break, the console closed): before
// the registry changes they end the run at once, nothing written; once the deletion and the
// write have begun they wait for the write's end, so that no interrupt leaves the configuration
// half-written.
#pragma once

#include "platform.h"

// Takes the console's interrupts from here on.
void armZ4_interrupts();
// Around every change of the registry, from the first deletion to the last value written, and
// around a report written to its file and put in place.
void beginZ4_write();
void endZ4_write();
// A new process's state: nothing written yet.
void resetZ4_interrupts();
