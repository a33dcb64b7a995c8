// The i686 exes' own late binding of USER32 (binutils 2.40's thunks for late imports jump to
// address 0 there): each USER32 function the tool calls is looked up once, at its first call,
// in the system folder's user32.dll, so a run that shows no window never loads it.
#pragma once

// The functions, each with its slot in the table of looked-up addresses.
#define Z4_USER32_FUNCTIONS(X)                                                                   \
    X(CreateWindowExA) X(DefWindowProcA) X(DialogBoxParamA) X(DispatchMessageA) X(EnableWindow) \
    X(EndDialog) X(GetDlgItem) X(GetDlgItemInt) X(GetDlgItemTextA) X(GetMessageA)             \
    X(InvalidateRect) X(LoadCursorA) X(LoadIconA) X(MessageBoxA) X(PostMessageA)              \
    X(PostQuitMessage) X(RegisterClassA) X(SendDlgItemMessageA) X(SetDlgItemInt)               \
    X(SetDlgItemTextA) X(SetFocus) X(ShowWindow) X(TranslateMessage) X(UpdateWindow)           \
    X(WinHelpA) X(wsprintfA) X(wvsprintfA)

#define Z4_USER32_SLOT(name) Z4_USER32_##name,
enum Z4User32Slot { Z4_USER32_FUNCTIONS(Z4_USER32_SLOT) Z4_USER32_COUNT };
#undef Z4_USER32_SLOT

// The address of USER32's `name`, looked up at the first call for its slot. Where the system
// has no such function the run ends at once with exit code 127 (ERROR_PROC_NOT_FOUND) and a
// line that names it: a call through a null address would crash instead.
FARPROC lateZ4_user32_proc(int slot, const char *name);

template <class Call> inline Call lateZ4_user32(int slot, const char *name)
{
    return reinterpret_cast<Call>(reinterpret_cast<void *>(lateZ4_user32_proc(slot, name)));
}

// Each call of such a function goes through its looked-up address, typed as the system's header
// declares it (decltype names no import).
#define Z4_LATE_USER32(name) lateZ4_user32<decltype(&::name)>(Z4_USER32_##name, #name)
#define CreateWindowExA(...) Z4_LATE_USER32(CreateWindowExA)(__VA_ARGS__)
#define DefWindowProcA(...) Z4_LATE_USER32(DefWindowProcA)(__VA_ARGS__)
#define DialogBoxParamA(...) Z4_LATE_USER32(DialogBoxParamA)(__VA_ARGS__)
#define DispatchMessageA(...) Z4_LATE_USER32(DispatchMessageA)(__VA_ARGS__)
#define EnableWindow(...) Z4_LATE_USER32(EnableWindow)(__VA_ARGS__)
#define EndDialog(...) Z4_LATE_USER32(EndDialog)(__VA_ARGS__)
#define GetDlgItem(...) Z4_LATE_USER32(GetDlgItem)(__VA_ARGS__)
#define GetDlgItemInt(...) Z4_LATE_USER32(GetDlgItemInt)(__VA_ARGS__)
#define GetDlgItemTextA(...) Z4_LATE_USER32(GetDlgItemTextA)(__VA_ARGS__)
#define GetMessageA(...) Z4_LATE_USER32(GetMessageA)(__VA_ARGS__)
#define InvalidateRect(...) Z4_LATE_USER32(InvalidateRect)(__VA_ARGS__)
#define LoadCursorA(...) Z4_LATE_USER32(LoadCursorA)(__VA_ARGS__)
#define LoadIconA(...) Z4_LATE_USER32(LoadIconA)(__VA_ARGS__)
#define MessageBoxA(...) Z4_LATE_USER32(MessageBoxA)(__VA_ARGS__)
#define PostMessageA(...) Z4_LATE_USER32(PostMessageA)(__VA_ARGS__)
#define PostQuitMessage(...) Z4_LATE_USER32(PostQuitMessage)(__VA_ARGS__)
#define RegisterClassA(...) Z4_LATE_USER32(RegisterClassA)(__VA_ARGS__)
#define SendDlgItemMessageA(...) Z4_LATE_USER32(SendDlgItemMessageA)(__VA_ARGS__)
#define SetDlgItemInt(...) Z4_LATE_USER32(SetDlgItemInt)(__VA_ARGS__)
#define SetDlgItemTextA(...) Z4_LATE_USER32(SetDlgItemTextA)(__VA_ARGS__)
#define SetFocus(...) Z4_LATE_USER32(SetFocus)(__VA_ARGS__)
#define ShowWindow(...) Z4_LATE_USER32(ShowWindow)(__VA_ARGS__)
#define TranslateMessage(...) Z4_LATE_USER32(TranslateMessage)(__VA_ARGS__)
#define UpdateWindow(...) Z4_LATE_USER32(UpdateWindow)(__VA_ARGS__)
#define WinHelpA(...) Z4_LATE_USER32(WinHelpA)(__VA_ARGS__)
#define wsprintfA(...) Z4_LATE_USER32(wsprintfA)(__VA_ARGS__)
#define wvsprintfA(...) Z4_LATE_USER32(wvsprintfA)(__VA_ARGS__)
