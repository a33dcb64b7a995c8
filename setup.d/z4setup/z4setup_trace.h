// Trace lines for a debugger: formatted into one process-wide buffer, then sent.
#pragma once

// wsprintfA writes at most 1024 characters and its NUL.
constexpr int TRACE_BUFFER_SIZE = 1025;
extern char TraceBuffer[TRACE_BUFFER_SIZE];

// Formats with wsprintfA conversions into TraceBuffer and sends it to the debugger output.
void traceZ4_line(const char *format, ...);

// In a run without a window every report is a line already: from then on trace lines are sent
// only while a debugger is attached (under Wine each one costs an exception).
void traceZ4_only_under_debugger(bool on);
