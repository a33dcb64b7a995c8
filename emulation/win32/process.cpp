// Emulated process, console and file calls: the console control handler (raised by tests on a
// thread of its own, as the system raises it), the process's end, and the two file calls that put
// a finished report in place or remove an unfinished one, with Windows' refusals.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "ui_record.h"

namespace {

PHANDLER_ROUTINE console_routine = nullptr;

DWORD error_of_errno()
{
    switch (errno) {
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EBUSY:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

// Windows refuses to replace or delete a read-only file, whoever asks; root on Linux would not.
bool read_only(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

bool exists(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0;
}

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

BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags)
{
    if (exists(lpNewFileName)) {
        if (!(dwFlags & MOVEFILE_REPLACE_EXISTING)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        if (read_only(lpNewFileName)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (std::rename(lpExistingFileName, lpNewFileName) != 0) {
        SetLastError(error_of_errno());
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName)
{
    if (read_only(lpFileName)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(lpFileName) != 0) {
        SetLastError(error_of_errno());
        return FALSE;
    }
    return TRUE;
}

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

void console_reset() { console_routine = nullptr; }

}  // namespace emu
