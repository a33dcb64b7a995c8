// Console interrupts: the run ends at once before the write, and only after it once it began.
#include "z4setup_interrupt.h"

#include <cstdio>

#include "z4setup.h"
#include "z4setup_events.h"
#include "z4setup_verbs.h"

enum : LONG { Z4_BEFORE_WRITE, Z4_WRITING, Z4_WRITTEN, Z4_INTERRUPTED };

// Read and changed by the console's handler thread as well as the run's own.
static volatile LONG Z4WriteState = Z4_BEFORE_WRITE;

// The system calls this on a thread of its own.
static BOOL WINAPI onZ4_console_event(DWORD type)
{
    // A process running as SYSTEM is told of every user's logoff: that ends nothing of its own.
    // Handled here, the system's default handler does not end the run either.
    if (type == CTRL_LOGOFF_EVENT)
        return TRUE;
    if (InterlockedCompareExchange(&Z4WriteState, Z4_INTERRUPTED, Z4_BEFORE_WRITE) ==
        Z4_BEFORE_WRITE) {
        sayZ4_line("z4setup: interrupted; nothing was written\n");
        std::fflush(stdout);
        if (Z4RunVerb == Z4_VERB_APPLY || Z4RunVerb == Z4_VERB_REMOVE)
            reportZ4_event(Z4_EVENT_INTERRUPTED, EVENTLOG_WARNING_TYPE);
        ExitProcess(Z4_EXIT_INTERRUPTED);
    }
    // The write finishes first; returning ends a closed console's process only then.
    while (Z4WriteState == Z4_WRITING)
        Sleep(20);
    return TRUE;
}

void armZ4_interrupts() { SetConsoleCtrlHandler(onZ4_console_event, TRUE); }

void beginZ4_write()
{
    // An interrupt that came first is ending the process: nothing may be written now.
    while (InterlockedCompareExchange(&Z4WriteState, Z4_WRITING, Z4_BEFORE_WRITE) == Z4_INTERRUPTED)
        Sleep(INFINITE);
}

void endZ4_write() { InterlockedExchange(&Z4WriteState, Z4_WRITTEN); }

void resetZ4_interrupts() { Z4WriteState = Z4_BEFORE_WRITE; }
