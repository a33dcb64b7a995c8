// The run's event in the Application log, source "z4setup": one per run that changes the
// registry, refuses or fails, its text the run's own lines.
#pragma once

#include "platform.h"

// The event ids: stable, one per outcome; the exe's message table holds their texts.
enum Z4EventId : DWORD {
    Z4_EVENT_APPLIED = 100,         // "/s" wrote the configuration (information)
    Z4_EVENT_APPLY_REFUSED = 101,   // "/s": Ok would refuse it, or ask first (warning)
    Z4_EVENT_APPLY_BAD_FILE = 102,  // "/s": the board file cannot be used (warning)
    Z4_EVENT_APPLY_FAILED = 103,    // "/s": the write failed, or the registry does not hold it (error)
    Z4_EVENT_REMOVED = 110,         // "/d": none of the driver's keys is left (information)
    Z4_EVENT_REMOVAL_FAILED = 111,  // "/d": a key is left (error)
    Z4_EVENT_DIALOG_WROTE = 120,    // the dialog's Ok wrote the configuration (information)
    Z4_EVENT_DIALOG_FAILED = 121,   // the dialog's Ok: the write failed (error)
    Z4_EVENT_RUNNING = 130,         // another z4setup was running: nothing done (warning)
    Z4_EVENT_INTERRUPTED = 131,     // the console's interrupt ended the run (warning)
};

// A line the run prints to standard output, kept for its event as well.
void sayZ4_line(const char *format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Standard output written a line at a time where it is a console or NUL: the C library would
// write such a device a character at a time, a system call each. Lines reach it as they end.
void bufferZ4_output_lines();
// A text the run reports or prints by another path, kept for its event.
void keepZ4_event_line(const char *text);
// The lines kept so far go; a run starts with none, keeping.
void forgetZ4_event_lines();
// Whether lines are kept at all: a run whose verb writes no event ("/n", "/r") keeps none.
void keepZ4_event_lines(bool keep);

// The event `id` of `type` (EVENTLOG_INFORMATION_TYPE, _WARNING_TYPE, _ERROR_TYPE), its one
// string the lines kept, with the process's user. Where the log cannot be written the run goes
// on as it would, and one line on standard output says so.
void reportZ4_event(DWORD id, WORD type);
