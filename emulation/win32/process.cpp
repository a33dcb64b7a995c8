// Emulated process, console and file calls: the console control handler (raised by tests on a
// thread of its own, as the system raises it), the process's end, and the two file calls that put
// a finished report in place or remove an unfinished one, with Windows' refusals.
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

std::vector<std::string> held_files;

// A file another program holds open without sharing can be neither replaced nor deleted; Wine
// answers ERROR_ACCESS_DENIED. So is a read-only file deleted: Windows refuses whoever asks, where
// root on Linux would not.
bool is_held(const char *path)
{
    struct stat st, other;
    if (stat(path, &st) != 0)
        return false;
    for (const auto &held : held_files)
        if (stat(held.c_str(), &other) == 0 && other.st_dev == st.st_dev && other.st_ino == st.st_ino)
            return true;
    return false;
}

bool refused(const char *path)
{
    if (is_held(path))
        return true;
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
        // A read-only file is replaced as Wine replaces it; a held one is not.
        if (is_held(lpNewFileName)) {
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
    if (refused(lpFileName)) {
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

void hold_file(const std::string &path) { held_files.push_back(path); }

void console_reset()
{
    console_routine = nullptr;
    held_files.clear();
}

}  // namespace emu
