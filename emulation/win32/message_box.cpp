// Emulated message boxes, debugger output, wsprintfA, the command line and help requests.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "comdb_record.h"
#include "ui_record.h"
#include "event_record.h"
#include "window_record.h"
#include "window_internal.h"

namespace {

std::vector<emu::MessageBoxRecord> boxes;
std::function<int(const emu::MessageBoxRecord &)> box_handler;
std::vector<std::string> traces;
std::vector<emu::HelpRequest> helps;
std::string command_line = "z4setup.exe";
const char *const DEFAULT_MODULE_PATH = "/opt/z4setup/z4setup.exe";
std::string module_path = DEFAULT_MODULE_PATH;
UINT error_mode_set = 0;

// wsprintfA never writes more than 1024 characters before its NUL.
constexpr size_t WSPRINTF_MAX = 1024;

// One conversion of wsprintfA: flags, width and precision as given, then the argument
// fetched with the size the Windows function takes (int, or a pointer for %s).
void format_one(std::string &out, const char *directive, size_t directive_len, char conversion,
                va_list *args)
{
    std::string f(directive, directive_len);
    f.erase(std::remove(f.begin(), f.end(), 'l'), f.end());  // long is 32 bits there
    f.erase(std::remove(f.begin(), f.end(), 'h'), f.end());
    char piece[WSPRINTF_MAX + 1];
    switch (conversion) {
    case 'd':
    case 'i':
        std::snprintf(piece, sizeof piece, (f + 'd').c_str(), va_arg(*args, int));
        break;
    case 'u':
    case 'x':
    case 'X':
        std::snprintf(piece, sizeof piece, (f + conversion).c_str(), va_arg(*args, unsigned));
        break;
    case 'c':
        std::snprintf(piece, sizeof piece, (f + 'c').c_str(), va_arg(*args, int));
        break;
    case 's': {
        const char *s = va_arg(*args, const char *);
        std::snprintf(piece, sizeof piece, (f + 's').c_str(), s ? s : "(null)");
        break;
    }
    default:  // not a conversion: the character stands for itself
        piece[0] = conversion;
        piece[1] = '\0';
        break;
    }
    out += piece;
}

}  // namespace

int wvsprintfA(LPSTR buffer, LPCSTR format, va_list args)
{
    va_list ap;
    va_copy(ap, args);
    std::string out;
    for (const char *p = format; *p && out.size() < WSPRINTF_MAX;) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        const char *directive = p++;
        while (*p && std::strchr("-#0+ ", *p))
            ++p;
        while (*p && (std::isdigit(static_cast<unsigned char>(*p)) || *p == '.'))
            ++p;
        while (*p == 'l' || *p == 'h')
            ++p;
        if (!*p)
            break;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        format_one(out, directive, static_cast<size_t>(p - directive), *p, &ap);
        ++p;
    }
    va_end(ap);
    if (out.size() > WSPRINTF_MAX)
        out.resize(WSPRINTF_MAX);
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return static_cast<int>(out.size());
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    int n = wvsprintfA(buffer, format, args);
    va_end(args);
    return n;
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    emu::MessageBoxRecord box;
    box.owner = hWnd;
    box.text = lpText ? lpText : "";
    // A null caption shows the system's "Error"; the tool always passes one.
    box.caption = lpCaption ? lpCaption : "Error";
    box.style = uType;
    boxes.push_back(box);
    // While the box is up it holds the activation and the focus (focus.cpp).
    emu::BoxActivation held = emu::message_box_opens(hWnd);
    int answer = box_handler ? box_handler(box) : IDOK;
    emu::message_box_closes(held);
    return answer;
}

void WINAPI OutputDebugStringA(LPCSTR lpOutputString)
{
    traces.emplace_back(lpOutputString ? lpOutputString : "");
}

UINT WINAPI SetErrorMode(UINT uMode)
{
    UINT previous = error_mode_set;
    error_mode_set = uMode;
    return previous;
}

// The program's own file (hModule null); as Windows does, a name longer than the buffer is cut
// to nSize - 1 characters and a NUL, with ERROR_INSUFFICIENT_BUFFER, and nSize returned.
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    if (hModule != nullptr || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string wide;
    for (unsigned char c : module_path)
        wide += static_cast<char16_t>(c);  // the tests' paths are ASCII
    DWORD n = static_cast<DWORD>(wide.size());
    DWORD copied = n < nSize ? n : nSize - 1;
    for (DWORD i = 0; i < copied; ++i)
        lpFilename[i] = static_cast<WCHAR>(wide[i]);
    lpFilename[copied] = 0;
    if (n >= nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    return n;
}

LPSTR WINAPI GetCommandLineA(void)
{
    return &command_line[0];
}

// The command line the test set, as UTF-8, in UTF-16.
LPWSTR WINAPI GetCommandLineW(void)
{
    static std::u16string wide;
    wide.clear();
    const unsigned char *p = reinterpret_cast<const unsigned char *>(command_line.c_str());
    while (*p) {
        uint32_t c = *p++;
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= more == 3 ? 0x07 : more == 2 ? 0x0F : more == 1 ? 0x1F : 0xFF;
        for (; more && (*p & 0xC0) == 0x80; --more)
            c = c << 6 | (*p++ & 0x3F);
        if (c >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<char16_t>(c);
        }
    }
    return &wide[0];
}

BOOL WINAPI WinHelpA(HWND hWndMain, LPCSTR lpszHelp, UINT uCommand, ULONG_PTR dwData)
{
    helps.push_back({hWndMain, lpszHelp ? lpszHelp : "", uCommand, dwData});
    return TRUE;
}

namespace emu {

void ui_reset()
{
    events_reset();
    boxes.clear();
    box_handler = nullptr;
    traces.clear();
    helps.clear();
    command_line = "z4setup.exe";
    module_path = DEFAULT_MODULE_PATH;
    error_mode_set = 0;
    mutex_reset();
    console_reset();
    comdb_reset();
    window_reset();
}

const std::vector<MessageBoxRecord> &message_boxes() { return boxes; }

void set_message_box_handler(std::function<int(const MessageBoxRecord &)> handler)
{
    box_handler = std::move(handler);
}

const std::vector<std::string> &debug_output() { return traces; }

void set_command_line(const std::string &line) { command_line = line; }
void set_module_path(const std::string &path) { module_path = path; }

const std::vector<HelpRequest> &help_requests() { return helps; }

UINT error_mode() { return error_mode_set; }

}  // namespace emu
