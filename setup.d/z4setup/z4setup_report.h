// Every report the tool makes to the person running it goes through one procedure; the run
// decides where reports go: a message box in a run with a window, one line on standard output
// in a run without one (where a box would wait for nobody).
#pragma once

#include <cstdio>

#include "platform.h"

// A comment line is a line that starts with "; ", for output that must stay a board file.
enum Z4ReportRoute { Z4_REPORT_BOX, Z4_REPORT_LINE, Z4_REPORT_COMMENT };

// Where reports go from now on; a run starts with boxes. Comment lines go to
// `comments`; when that is not standard output, each report is a line there as well, so that a
// person at the console sees it too.
void routeZ4_reports(Z4ReportRoute route, std::FILE *comments = stdout);
bool reportsZ4_are_lines();

// Shows `text` with `caption` and the `buttons` style (MB_OK, MB_YESNO, ...), owned by `owner`
// (null for no owner), and returns the button pressed. As a line it prints "caption: text" (the
// text alone under an empty caption) and answers as the safe choice: Ok, or No to a question.
int reportZ4_text(HWND owner, const char *text, const char *caption, UINT buttons);
