// Times Win32 programs from inside Wine: start to dialog shown, Ok to exit, or a whole run.
//   dialog_timer start "<caption>" <command line>   ms from CreateProcess to the dialog shown
//   dialog_timer ok "<caption>" <command line>      ms from clicking Ok (101) to the exit
//   dialog_timer run <command line>                 ms from CreateProcess to the exit
// A dialog that does not show within 60 s is a failure (exit code 2).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

static double now_ms()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

static bool start(const std::string &command, PROCESS_INFORMATION &pi)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string line = command;
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
}

static HWND wait_for_dialog(const char *caption)
{
    double until = now_ms() + 60000;
    while (now_ms() < until) {
        HWND dlg = FindWindowA("#32770", caption);
        if (dlg && IsWindowVisible(dlg))
            return dlg;
        Sleep(1);
    }
    return nullptr;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: dialog_timer start|ok \"caption\" command... | run command...\n");
        return 1;
    }
    std::string mode = argv[1];
    int first = mode == "run" ? 2 : 3;
    std::string command;
    for (int i = first; i < argc; ++i)
        command += (i > first ? " " : "") + std::string(argv[i]);

    PROCESS_INFORMATION pi;
    double t0 = now_ms();
    if (!start(command, pi)) {
        std::fprintf(stderr, "cannot start %s (%lu)\n", command.c_str(), GetLastError());
        return 1;
    }
    double elapsed = 0;
    if (mode == "run") {
        WaitForSingleObject(pi.hProcess, 120000);
        elapsed = now_ms() - t0;
    } else {
        HWND dlg = wait_for_dialog(argv[2]);
        if (!dlg) {
            std::fprintf(stderr, "no dialog \"%s\" within 60 s\n", argv[2]);
            TerminateProcess(pi.hProcess, 3);
            return 2;
        }
        if (mode == "start") {
            elapsed = now_ms() - t0;
            PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        } else {
            double t1 = now_ms();
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, 101)));
            WaitForSingleObject(pi.hProcess, 120000);
            elapsed = now_ms() - t1;
        }
        WaitForSingleObject(pi.hProcess, 30000);
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("%.1f ms exit %lu\n", elapsed, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}
