// The trace buffer and the one procedure that fills and sends it.
#include "z4setup_trace.h"

#include <cstdarg>

#include "platform.h"

char TraceBuffer[TRACE_BUFFER_SIZE];

void z4trace(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    wvsprintfA(TraceBuffer, format, args);
    va_end(args);
    OutputDebugStringA(TraceBuffer);
}
