// Emulated process and console calls: the console control handler (raised by tests on a thread of
// its own, as the system raises it) and the process's end.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "ui_record.h"

namespace {

PHANDLER_ROUTINE console_routine = nullptr;

}  // namespace

BOOL WINAPI SetConsoleCtrlHandler(PHANDLER_ROUTINE HandlerRoutine, BOOL Add)
{
    if (Add)
        console_routine = HandlerRoutine;
    else if (console_routine == HandlerRoutine)
        console_routine = nullptr;
    return TRUE;
}

void WINAPI Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == INFINITE)
        for (;;)
            pause();
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

void WINAPI ExitProcess(UINT uExitCode)
{
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(static_cast<int>(uExitCode));
}

DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

namespace emu {

PHANDLER_ROUTINE console_handler() { return console_routine; }

std::thread raise_console_event(DWORD type, std::function<void(BOOL)> answered)
{
    PHANDLER_ROUTINE routine = console_routine;
    return std::thread([routine, type, answered] {
        BOOL handled = routine ? routine(type) : FALSE;
        if (answered)
            answered(handled);
    });
}

void console_reset()
{
    console_routine = nullptr;
    files_reset();
}

}  // namespace emu
