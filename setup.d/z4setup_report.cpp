// The one path of the tool's reports.
#include "z4setup_report.h"

int z4report(HWND owner, const char *text, const char *caption, UINT buttons)
{
    return MessageBoxA(owner, text, caption, buttons);
}
