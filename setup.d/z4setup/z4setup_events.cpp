// The run's lines kept for its event, and the event written.
#include "z4setup_events.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef _WIN32
#include <io.h>
#endif

// Room for the run's lines: an event string may hold 31,839 characters; a run that says more is
// cut at a whole line, and the event says so. Taken at the first line (a static buffer would be
// stored in the exe); without it the event has no lines.
constexpr size_t Z4_EVENT_CHARS = 8192;
static char *Z4EventLines;
static size_t Z4EventLength;
static bool Z4EventCut;
static bool Z4EventKeeping = true;
static bool Z4FlushLines;
static const char Z4_EVENT_CUT[] = "(more lines left out)\r\n";

void forgetZ4_event_lines()
{
    std::free(Z4EventLines);
    Z4EventLines = nullptr;
    Z4EventLength = 0;
    Z4EventCut = false;
    Z4EventKeeping = true;
}

void keepZ4_event_lines(bool keep)
{
    Z4EventKeeping = keep;
}

void keepZ4_event_line(const char *text)
{
    if (!Z4EventKeeping)
        return;
    size_t length = std::strlen(text);
    while (length && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        --length;
    if (!Z4EventLines && !(Z4EventLines = static_cast<char *>(std::malloc(Z4_EVENT_CHARS))))
        return;
    // Each line ends in CR LF, as Event Viewer shows lines; the text's own breaks stay.
    if (Z4EventCut || Z4EventLength + length + 3 > Z4_EVENT_CHARS - sizeof Z4_EVENT_CUT) {
        Z4EventCut = true;
        return;
    }
    std::memcpy(Z4EventLines + Z4EventLength, text, length);
    std::memcpy(Z4EventLines + Z4EventLength + length, "\r\n", 3);
    Z4EventLength += length + 2;
}

void bufferZ4_output_lines()
{
    if (!Z4FlushLines && _isatty(_fileno(stdout)))
        Z4FlushLines = std::setvbuf(stdout, nullptr, _IOFBF, 4096) == 0;
}

void sayZ4_line(const char *format, ...)
{
    // Standard output gets the whole line, however long; the event a copy cut to its room.
    va_list args, copy;
    va_start(args, format);
    va_copy(copy, args);
    std::vprintf(format, args);
    if (Z4FlushLines)
        std::fflush(stdout);
    if (Z4EventKeeping) {
        char line[2048];
        std::vsnprintf(line, sizeof line, format, copy);
        keepZ4_event_line(line);
    }
    va_end(copy);
    va_end(args);
}

// The process's user, for the event: the token's user SID in `room`, or null.
static PSID userZ4_sid(BYTE (&room)[256])
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    DWORD length = 0;
    BOOL got = GetTokenInformation(token, TokenUser, room, sizeof room, &length);
    CloseHandle(token);
    return got ? reinterpret_cast<TOKEN_USER *>(room)->User.Sid : nullptr;
}

void reportZ4_event(DWORD id, WORD type)
{
    if (Z4EventCut && Z4EventLines) {
        std::memcpy(Z4EventLines + Z4EventLength, Z4_EVENT_CUT, sizeof Z4_EVENT_CUT);
        Z4EventLength += sizeof Z4_EVENT_CUT - 1;
        Z4EventCut = false;
    }
    const char *lines = Z4EventLength ? Z4EventLines : "(no lines)";
    HANDLE log = RegisterEventSourceA(nullptr, "z4setup");
    DWORD error = log ? ERROR_SUCCESS : GetLastError();
    if (log) {
        BYTE room[256];
        if (!ReportEventA(log, type, 0, id, userZ4_sid(room), 1, 0, &lines, nullptr))
            error = GetLastError();
        DeregisterEventSource(log);
    }
    if (error != ERROR_SUCCESS) {
        std::printf("z4setup: event %u could not be written to the event log (error %u)\n",
                    static_cast<unsigned>(id), static_cast<unsigned>(error));
        std::fflush(stdout);
    }
}
