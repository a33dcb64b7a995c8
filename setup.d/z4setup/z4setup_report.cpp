// The one path of the tool's reports: a box, or a line on standard output.
#include "z4setup_report.h"

#include <cstdio>

#include "z4setup_events.h"

static Z4ReportRoute Z4ReportsGo = Z4_REPORT_BOX;
static std::FILE *Z4CommentStream = stdout;

void routeZ4_reports(Z4ReportRoute route, std::FILE *comments)
{
    Z4ReportsGo = route;
    Z4CommentStream = comments;
}

bool reportsZ4_are_lines() { return Z4ReportsGo != Z4_REPORT_BOX; }

// One line whatever the text holds: line breaks and other control characters become blanks.
static void printZ4_line_part(std::FILE *out, const char *text)
{
    for (const char *p = text; *p; ++p)
        std::fputc(static_cast<unsigned char>(*p) < ' ' ? ' ' : *p, out);
}

static void printZ4_report(std::FILE *out, const char *prefix, const char *text, const char *caption)
{
    std::fputs(prefix, out);
    if (caption[0] != '\0') {
        printZ4_line_part(out, caption);
        std::fputs(": ", out);
    }
    printZ4_line_part(out, text);
    std::fputc('\n', out);
    std::fflush(out);
}

int reportZ4_text(HWND owner, const char *text, const char *caption, UINT buttons)
{
    char kept[2200];  // the longest report, the look after the write, holds 2048
    std::snprintf(kept, sizeof kept, "%s%s%s", caption, caption[0] ? ": " : "", text);
    keepZ4_event_line(kept);
    if (Z4ReportsGo == Z4_REPORT_BOX)
        return MessageBoxA(owner, text, caption, buttons);
    if (Z4ReportsGo == Z4_REPORT_LINE || Z4CommentStream != stdout)
        printZ4_report(stdout, "", text, caption);
    if (Z4ReportsGo == Z4_REPORT_COMMENT)
        printZ4_report(Z4CommentStream, "; ", text, caption);
    return (buttons & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}
