// The trace buffer and the one procedure that fills and sends it.
#include "z4setup_trace.h"

#include <cstdarg>

#include "platform.h"

char TraceBuffer[TRACE_BUFFER_SIZE];

typedef BOOL(WINAPI *IsDebuggerPresentCall)();

static bool Z4TraceUnderDebuggerOnly;
static IsDebuggerPresentCall Z4IsDebuggerPresent;

void traceZ4_only_under_debugger(bool on)
{
    Z4TraceUnderDebuggerOnly = on;
    // Looked up, not imported: no import may keep the exe from loading on an older Windows.
    Z4IsDebuggerPresent =
        on ? lateZ4_function<IsDebuggerPresentCall>("kernel32.dll", "IsDebuggerPresent") : nullptr;
}

void traceZ4_line(const char *format, ...)
{
    // Where the system cannot tell, the lines are sent: nothing is lost.
    if (Z4TraceUnderDebuggerOnly && Z4IsDebuggerPresent && !Z4IsDebuggerPresent())
        return;
    va_list args;
    va_start(args, format);
    wvsprintfA(TraceBuffer, format, args);
    va_end(args);
    OutputDebugStringA(TraceBuffer);
}
