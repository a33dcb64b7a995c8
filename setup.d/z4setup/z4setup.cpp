// Process entry: removal with "/d", otherwise the main window that runs scan, read,
// dialog and write from its own message handling.
#include "z4setup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board_model.h"
#include "config_dialog.h"
#include "reg_store.h"
#include "reg_store_kept.h"
#include "z4setup_events.h"
#include "z4setup_interrupt.h"
#include "z4setup_report.h"
#include "z4setup_trace.h"
#include "z4setup_verbs.h"

HINSTANCE Z4Instance;
bool Z4AtConsole;

static const char Z4WndClass[] = "Z4WndClass";
static const char Z4Title[] = "Korvana Zentrix IV Configuration";

const char *argumentZ4_text(const char *command_line)
{
    const char *p = command_line;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (static_cast<unsigned char>(*p) > ' ')
            ++p;
    }
    while (*p && static_cast<unsigned char>(*p) < 33)
        ++p;
    return p;
}

bool isZ4_removal(const char *argument_text)
{
    return argument_text[0] == '/' && (argument_text[1] == 'd' || argument_text[1] == 'D');
}

// "/s FILE" and friends: the switch must end where the word does, so that "/safe" or "/report"
// open the dialog as they always did.
static bool isZ4_switch(const char *text, char lower)
{
    return text[0] == '/' && (text[1] == lower || text[1] == (lower & ~0x20)) &&
           static_cast<unsigned char>(text[2]) < 33;
}

static bool fileZ4_argument(const char *rest, char (&file)[Z4_FILE_ARGUMENT_CHARS])
{
    while (*rest && static_cast<unsigned char>(*rest) < 33)
        ++rest;
    size_t length = std::strlen(rest);
    while (length && static_cast<unsigned char>(rest[length - 1]) < 33)
        --length;
    // A path with blanks comes in double quotes.
    if (length >= 2 && rest[0] == '"' && rest[length - 1] == '"') {
        ++rest;
        length -= 2;
    }
    if (length >= sizeof file)
        return false;
    std::memcpy(file, rest, length);
    file[length] = '\0';
    return unitsZ4_of_utf8(file) < static_cast<size_t>(Z4_FILE_NAME_CHARS);
}

// At the console only "/d" or "/D" alone removes: a script's "/dryrun" or "/delete" must not
// remove the whole configuration.
static bool isZ4_console_removal(const char *text)
{
    if (!isZ4_removal(text))
        return false;
    for (text += 2; *text; ++text)
        if (static_cast<unsigned char>(*text) >= 33)
            return false;
    return true;
}

Z4Verb verbZ4_of(const char *argument_text, char (&file)[Z4_FILE_ARGUMENT_CHARS], bool console)
{
    file[0] = '\0';
    if (console ? isZ4_console_removal(argument_text) : isZ4_removal(argument_text))
        return Z4_VERB_REMOVE;
    Z4Verb verb = Z4_VERB_CONFIGURE;
    if (isZ4_switch(argument_text, 's'))
        verb = Z4_VERB_APPLY;
    else if (isZ4_switch(argument_text, 'n'))
        verb = Z4_VERB_PLAN;
    else if (isZ4_switch(argument_text, 'r'))
        verb = Z4_VERB_SHOW;
    else if (argument_text[0] == '/' && argument_text[1] == '?' &&
             static_cast<unsigned char>(argument_text[2]) < 33)
        verb = Z4_VERB_USAGE;
    if (verb != Z4_VERB_CONFIGURE && !fileZ4_argument(argument_text + 2, file))
        return Z4_VERB_LONG_FILE;
    return verb;
}

// WM_CREATE: find the numbers in use and the existing configuration before the window shows,
// then let the message loop open the dialog.
static LRESULT onZ4_create(HWND hwnd)
{
    getZ4_port_numbers();
    getZ4_reg_params();
    PostMessageA(hwnd, WM_COMMAND, IDM_CONFIG, 0);
    return 0;
}

// The configure command: the dialog, and on Ok the old boards out and the new ones in.
static LRESULT onZ4_configure(HWND hwnd)
{
    INT_PTR end = DialogBoxParamA(Z4Instance, MAKEINTRESOURCEA(IDD_CONFIG), hwnd, Z4DlgProc, 0);
    traceZ4_line("Z4WndProc:after CONFIG ret:%d \n", static_cast<int>(end));
    if (end != 1) {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return 1;
    }
    bool held = writeZ4_configuration();
    sayZ4_written_boards(false);
    reportZ4_event(held ? Z4_EVENT_DIALOG_WROTE : Z4_EVENT_DIALOG_FAILED,
                   held ? EVENTLOG_INFORMATION_TYPE : EVENTLOG_ERROR_TYPE);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CALLBACK Z4WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        return onZ4_create(hwnd);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_CONFIG)
            return onZ4_configure(hwnd);
        return 0;
    case WM_DESTROY:
        traceZ4_line("Z4WndProc:DESTROY \n");
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void resetZ4_process()
{
    resetZ4_model();
    resetZ4_value_tables();
    forgetZ4_driver_coms();
    keepZ4_reads(false);
    forgetZ4_plan();
    forgetZ4_event_lines();
    Z4WriteBegun = false;
    Z4RunVerb = Z4_VERB_CONFIGURE;
    traceZ4_only_under_debugger(false);
    routeZ4_reports(Z4_REPORT_BOX);
    resetZ4_interrupts();
}

// The dialog run: the main window that runs scan, read, dialog and write from its messages.
static int configureZ4_dialog(HINSTANCE instance, int show_state)
{
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_PARENTDC;
    wc.lpfnWndProc = Z4WndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(32512));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = Z4WndClass;
    if (!RegisterClassA(&wc))
        return 0;

    HWND hwnd = CreateWindowExA(0, Z4WndClass, Z4Title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd)
        return 0;
    ShowWindow(hwnd, show_state);
    UpdateWindow(hwnd);

    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

static int runZ4_verb(Z4Verb verb, const char *file, HINSTANCE instance, int show_state)
{
    switch (verb) {
    case Z4_VERB_REMOVE: {
        beginZ4_write();
        bool gone = removeZ4_config();
        endZ4_write();
        // 1 only when the driver's keys are gone: otherwise it starts again at the next boot.
        if (gone && Z4AtConsole)
            sayZ4_line("z4setup: removed; the registry holds no configuration of the driver\n");
        return gone ? Z4_EXIT_REMOVED : Z4_EXIT_WRITE_FAILED;
    }
    case Z4_VERB_APPLY:
        return applyZ4_file(file);
    case Z4_VERB_SHOW:
        return showZ4_file(file);
    case Z4_VERB_PLAN:
        return planZ4_file(file);
    default:
        return configureZ4_dialog(instance, show_state);
    }
}

Z4Verb Z4RunVerb = Z4_VERB_CONFIGURE;

// The event of a run without a window that changed the registry, refused or failed; "/n", "/r",
// "/?" and an "/s" that found the registry as the file asks leave none. The dialog's run has its
// event from Ok's write.
static void reportZ4_outcome(Z4Verb verb, int code)
{
    if (verb == Z4_VERB_REMOVE)
        reportZ4_event(code == Z4_EXIT_REMOVED ? Z4_EVENT_REMOVED : Z4_EVENT_REMOVAL_FAILED,
                       code == Z4_EXIT_REMOVED ? EVENTLOG_INFORMATION_TYPE : EVENTLOG_ERROR_TYPE);
    if (verb != Z4_VERB_APPLY || (code == Z4_EXIT_DONE && !Z4WriteBegun))
        return;
    if (code == Z4_EXIT_DONE)
        reportZ4_event(Z4_EVENT_APPLIED, EVENTLOG_INFORMATION_TYPE);
    else if (code == Z4_EXIT_REFUSED)
        reportZ4_event(Z4_EVENT_APPLY_REFUSED, EVENTLOG_WARNING_TYPE);
    else if (code == Z4_EXIT_BAD_FILE)
        reportZ4_event(Z4_EVENT_APPLY_BAD_FILE, EVENTLOG_WARNING_TYPE);
    else
        reportZ4_event(Z4_EVENT_APPLY_FAILED, EVENTLOG_ERROR_TYPE);
}

int runZ4_arguments(HINSTANCE instance, const char *command_line, int show_state, bool console)
{
    Z4Instance = instance;
    Z4AtConsole = console;
    bufferZ4_output_lines();
    char file[Z4_FILE_ARGUMENT_CHARS];
    const char *arguments = argumentZ4_text(command_line);
    Z4Verb verb = verbZ4_of(arguments, file, console);
    if (console)
        armZ4_interrupts();
    // At a console nothing but the dialog shows a window: every report is a line.
    if (verb != Z4_VERB_CONFIGURE || (console && arguments[0] != '\0'))
        startZ4_unattended(console ? Z4_REPORT_LINE : Z4_REPORT_BOX);
    if (verb == Z4_VERB_LONG_FILE) {
        sayZ4_line("z4setup: the file name is longer than the %d characters z4setup takes\n",
                   Z4_FILE_NAME_CHARS - 1);
        return Z4_EXIT_BAD_FILE;
    }
    // The usage touches nothing and may be asked for while a run goes on. At a console an
    // argument that selects nothing is answered with it, as a mistyped switch.
    if (verb == Z4_VERB_USAGE)
        return showZ4_usage();
    if (console && verb == Z4_VERB_CONFIGURE && arguments[0] != '\0') {
        showZ4_usage();
        return Z4_EXIT_BAD_FILE;
    }
    Z4RunVerb = verb;
    // Only the dialog, "/s" and "/d" write events; the runs engines repeat ("/n") copy nothing.
    keepZ4_event_lines(verb == Z4_VERB_CONFIGURE || verb == Z4_VERB_APPLY || verb == Z4_VERB_REMOVE);
    // The event's first line: what was asked.
    char asked[Z4_FILE_ARGUMENT_CHARS + 32];
    std::snprintf(asked, sizeof asked, "z4setup %s", arguments);
    keepZ4_event_line(asked);
    if (!holdZ4_instance()) {
        int code = Z4_EXIT_RUNNING;
        if (verb == Z4_VERB_CONFIGURE) {
            reportZ4_text(nullptr, "Another z4setup is running.", "Zentrix IV Configuration", MB_OK);
            code = 0;
        } else {
            sayZ4_line("Another z4setup is running.\n");
        }
        if (verb == Z4_VERB_CONFIGURE || verb == Z4_VERB_APPLY || verb == Z4_VERB_REMOVE)
            reportZ4_event(Z4_EVENT_RUNNING, EVENTLOG_WARNING_TYPE);
        return code;
    }
    int code = runZ4_verb(verb, file, instance, show_state);
    releaseZ4_instance();
    reportZ4_outcome(verb, code);
    return code;
}

int mainZ4_run(HINSTANCE instance, int show_state, bool console)
{
    // The ANSI command line would bend a name outside the code page to another one.
    const WCHAR *wide = GetCommandLineW();
    size_t units = 0;
    while (wide[units])
        ++units;
    char *line = static_cast<char *>(std::malloc(3 * units + 1));
    if (!line) {
        std::printf("z4setup: no memory for the command line\n");
        return Z4_EXIT_BAD_FILE;
    }
    utf8Z4_of_wide(wide, line);
    int code = runZ4_arguments(instance, line, show_state, console);
    std::free(line);
    return code;
}

// The argument text is taken from the full command line, not from the runtime's own cut of it.
#if defined(_WIN32) && defined(Z4_CONSOLE_COMPANION)
// z4setup.com: the same tool for the console subsystem, which the shell waits for.
int main()
{
    return mainZ4_run(GetModuleHandleA(nullptr), SW_SHOWDEFAULT, true);
}
#elif defined(_WIN32)
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_state)
{
    return mainZ4_run(instance, show_state, false);
}
#endif
