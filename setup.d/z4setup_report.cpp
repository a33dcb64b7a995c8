// The one path of the tool's reports: a box, or a line on standard output.
#include "z4setup_report.h"

#include <cstdio>

static Z4ReportRoute Z4ReportsGo = Z4_REPORT_BOX;
static unsigned Z4ReportCount = 0;

void routeZ4_reports(Z4ReportRoute route)
{
    Z4ReportsGo = route;
    Z4ReportCount = 0;
}

bool z4reports_are_lines() { return Z4ReportsGo != Z4_REPORT_BOX; }

unsigned z4reports_made() { return Z4ReportCount; }

// One line whatever the text holds: line breaks and other control characters become blanks.
static void printZ4_line_part(const char *text)
{
    for (const char *p = text; *p; ++p)
        std::putchar(static_cast<unsigned char>(*p) < ' ' ? ' ' : *p);
}

int z4report(HWND owner, const char *text, const char *caption, UINT buttons)
{
    ++Z4ReportCount;
    if (Z4ReportsGo == Z4_REPORT_BOX)
        return MessageBoxA(owner, text, caption, buttons);
    if (Z4ReportsGo == Z4_REPORT_COMMENT)
        std::fputs("; ", stdout);
    if (caption[0] != '\0') {
        printZ4_line_part(caption);
        std::fputs(": ", stdout);
    }
    printZ4_line_part(text);
    std::putchar('\n');
    std::fflush(stdout);
    return (buttons & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}
