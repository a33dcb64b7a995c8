// What a user does on the dialog, done through the messages that make the real controls act.
#include "pilot.h"

namespace {

const int POLL_MS = 20;

// Posted like the keyboard driver posts them: repeat count 1, key-up with its transition bits.
void post_key(HWND hwnd, UINT vk)
{
    UINT scan = MapVirtualKeyA(vk, 0);
    PostMessageA(hwnd, WM_KEYDOWN, vk, 1 | (scan << 16));
    PostMessageA(hwnd, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
}

// A key goes where the keyboard sends it: to the focused control, or the dialog when none is.
void key_to_focus(HWND dialog, UINT vk)
{
    HWND focus = focused_control();
    post_key(focus ? focus : dialog, vk);
}

// The dialog manager's own focus move (what Tab or a click does): it selects an edit's text.
bool focus_on(HWND dialog, HWND c, const std::string &verb, const std::string &item)
{
    PostMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)c, TRUE);
    HWND focus = nullptr;
    for (DWORD waited = 0; waited <= pilot.wait_ms; waited += 20) {
        if (!settle(4))
            return false;
        focus = focused_control();
        if (focus == c || GetParent(focus) == c)
            return true;
        Sleep(20);
    }
    log_error(verb + " " + item + ": the control did not take the focus (it is on " +
              std::to_string(control_id(focus)) + ")");
    return false;
}

bool needs_args(const Words &w, size_t n)
{
    if (w.size() == n + 1)
        return true;
    log_error(w[0] + ": expects " + std::to_string(n) + " argument(s)");
    return false;
}

// The dialog a verb of n arguments acts on, or nullptr after logging why not.
HWND dialog_for(const Words &w, size_t n)
{
    return needs_args(w, n) ? wait_for_dialog() : nullptr;
}

// The enabled dialog control that a verb of n arguments names first, or nullptr after logging
// why not; a user cannot act on a disabled one.
HWND acted_on(const Words &w, size_t n, HWND *dialog)
{
    *dialog = dialog_for(w, n);
    if (!*dialog)
        return nullptr;
    HWND c = dialog_item(*dialog, w[1]);
    if (!c) {
        log_error(w[0] + " " + w[1] + ": no such control");
        return nullptr;
    }
    if (!IsWindowEnabled(c)) {
        log_error(w[0] + " " + w[1] + ": the control is disabled");
        return nullptr;
    }
    return c;
}

}  // namespace

BOOL start_process(char *command_line, BOOL inherit, const char *folder, STARTUPINFOA *si,
                   PROCESS_INFORMATION *process)
{
    // Started through the wide call, as Explorer and cmd start programs: a name outside the ANSI
    // code page (the scripts are UTF-8) reaches the program unbent.
    auto wide = [](const char *text) {
        std::wstring out;
        if (!text)
            return out;
        int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
        out.resize(n > 0 ? n : 1);
        MultiByteToWideChar(CP_UTF8, 0, text, -1, &out[0], n);
        return out;
    };
    std::wstring line = wide(command_line), where = wide(folder);
    STARTUPINFOW siw = {};
    siw.cb = sizeof siw;
    siw.dwFlags = si->dwFlags;
    siw.hStdInput = si->hStdInput;
    siw.hStdOutput = si->hStdOutput;
    siw.hStdError = si->hStdError;
    siw.wShowWindow = si->wShowWindow;
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, inherit, 0, nullptr,
                           folder ? where.c_str() : nullptr, &siw, process))
            return TRUE;
        DWORD error = GetLastError();
        if (attempt == 3)
            return FALSE;
        fprintf(stderr, "pilot: CreateProcess failed with %lu, trying again\n", (unsigned long)error);
        Sleep(1000);
        SetLastError(error);
    }
}

// The tool started with its arguments: in `folder` and with its standard output to the file
// `output` when they are given.
static bool start_tool(const Words &w, PROCESS_INFORMATION *process)
{
    std::string line = words::command_line(w[1], w[2]);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    HANDLE output = INVALID_HANDLE_VALUE;
    if (w.size() > 4) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        output = CreateFileA(w[4].c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE) {
            log_error(w[0] + ": cannot write " + w[4]);
            return false;
        }
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = output;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    const char *folder = w.size() > 3 && !w[3].empty() ? w[3].c_str() : nullptr;
    BOOL made = start_process(buffer.data(), output != INVALID_HANDLE_VALUE, folder, &si, process);
    DWORD error = GetLastError();
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    if (!made)
        log_error(w[0] + ": CreateProcess failed with " + std::to_string(error));
    return made != 0;
}

void run_start(const Words &w)
{
    if (w.size() < 3 || w.size() > 5) {
        log_error("start: expects the exe, its arguments, and a folder and an output file");
        return;
    }
    if (pilot.started) {
        log_error("start: the tool was started already");
        return;
    }
    pilot.started = start_tool(w, &pilot.tool);
}

// Waits for the tool to end, answering (and logging) the boxes it shows on its way out.
static DWORD wait_for_end(const char *label)
{
    for (DWORD waited = 0;; waited += POLL_MS) {
        if (WaitForSingleObject(pilot.tool.hProcess, POLL_MS) == WAIT_OBJECT_0)
            break;
        if (HWND box = find_message_box()) {
            answer_box(box);
            waited = 0;
            continue;
        }
        if (waited > pilot.wait_ms) {
            log_error(std::string("hang: ") + label + " still running after " +
                      std::to_string(pilot.wait_ms / 1000) + " s" +
                      (find_dialog() ? " with its dialog open" : ""));
            TerminateProcess(pilot.tool.hProcess, 255);
            WaitForSingleObject(pilot.tool.hProcess, pilot.wait_ms);
            break;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(pilot.tool.hProcess, &code);
    return code;
}

// The tool ends by itself; boxes shown on its way out are answered (and logged) meanwhile.
void run_exit(const Words &)
{
    if (!pilot.started) {
        log_error("exit: the tool was never started");
        return;
    }
    pilot.exit_code = wait_for_end("z4setup.exe");
    pilot.ended = true;
    log_line("exit " + std::to_string(pilot.exit_code));
}

// second EXE ARGS FOLDER OUTPUT: another instance of the tool, while the first runs on.
void run_second(const Words &w)
{
    if (w.size() != 5) {
        log_error("second: expects the exe, its arguments, a folder and an output file");
        return;
    }
    if (pilot.second_started) {
        log_error("second: a second instance runs already");
        return;
    }
    pilot.second_started = start_tool(w, &pilot.second);
    pilot.second_stdout = w[4];
}

// The second instance's end: its boxes answered, its exit code and its output lines logged.
void run_second_exit(const Words &)
{
    if (!pilot.second_started) {
        log_error("second-exit: no second instance was started");
        return;
    }
    // The windows looked for are those of the process being waited for.
    std::swap(pilot.tool, pilot.second);
    DWORD code = wait_for_end("the second z4setup.exe");
    std::swap(pilot.tool, pilot.second);
    pilot.second_started = false;
    log_line("second exit " + std::to_string(code));
    if (FILE *f = fopen(pilot.second_stdout.c_str(), "rb")) {
        char line[1024];
        while (fgets(line, sizeof line, f)) {
            std::string text(line);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            log_line("output " + quoted(text));
        }
        fclose(f);
    }
}

void run_answer(const Words &w)
{
    int button = 0;
    if (w.size() > 1)
        button = w[1] == "yes" ? IDYES : w[1] == "no" ? IDNO : IDOK;
    for (DWORD waited = 0;; waited += POLL_MS) {
        if (HWND box = find_message_box()) {
            answer_box(box, button);
            return;
        }
        if (!pilot.started || WaitForSingleObject(pilot.tool.hProcess, 0) == WAIT_OBJECT_0) {
            log_error("answer: no message box, z4setup.exe has ended");
            return;
        }
        if (waited > pilot.wait_ms) {
            log_error("answer: no message box after " + std::to_string(pilot.wait_ms / 1000) + " s");
            return;
        }
        Sleep(POLL_MS);
    }
}

// Picking with the mouse: a click on the combo box drops its list down (after the focus and
// drop-down notifications, which may refill it), then a click on the item closes it.
void run_pick(const Words &w)
{
    HWND dialog;
    HWND c = acted_on(w, 2, &dialog);
    if (!c)
        return;
    HWND list = drop_down(c);
    if (!list) {
        log_error("pick " + w[1] + ": its list did not drop down");
        return;
    }
    std::vector<std::string> items = combo_items(c);
    int target = -1;
    for (size_t i = 0; i < items.size() && target < 0; ++i)
        if (items[i] == w[2])
            target = (int)i;
    if (target < 0) {
        log_error("pick " + w[1] + " " + quoted(w[2]) + ": no such item");
        post_key(list, VK_ESCAPE);
        settle_until([] { return dropped_list() == nullptr; });
        return;
    }
    // An item below the visible part is scrolled to first, as with the scroll bar.
    RECT item, r;
    if (ask(list, LB_GETITEMRECT, target, (LPARAM)&item) == LB_ERR ||
        (GetClientRect(list, &r), item.top < 0 || item.bottom > r.bottom)) {
        ask(list, LB_SETTOPINDEX, target, 0);
        ask(list, LB_GETITEMRECT, target, (LPARAM)&item);
    }
    post_click(list, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
    int now = -1;
    settle_until([&] {
        return !dropped_list() && (now = (int)ask(c, CB_GETCURSEL, 0, 0)) == target;
    });
    answer_stray_boxes();
    if (now != target)
        log_error("pick " + w[1] + " " + quoted(w[2]) + ": selection is " + std::to_string(now));
    if (dropped_list())
        log_error("pick " + w[1] + ": its list is still down");
}

// Typing after a click to the right of the edit's text: the caret is at its end.
void run_type(const Words &w)
{
    HWND dialog;
    HWND c = acted_on(w, 2, &dialog);
    if (!c)
        return;
    RECT r;
    GetClientRect(c, &r);
    post_click(c, r.right - 2, r.bottom / 2);
    for (unsigned char ch : w[2])
        PostMessageA(c, WM_CHAR, ch, 1);
    if (settle(2 * (int)w[2].size() + 8))
        answer_stray_boxes();
}

// Select all (as tabbing in does) and press Delete.
void run_erase(const Words &w)
{
    HWND dialog;
    HWND c = acted_on(w, 1, &dialog);
    if (!c || !focus_on(dialog, c, w[0], w[1]))
        return;
    post_key(c, VK_DELETE);
    if (settle(6))
        answer_stray_boxes();
}

void run_focus(const Words &w)
{
    HWND dialog;
    HWND c = acted_on(w, 1, &dialog);
    if (c && focus_on(dialog, c, w[0], w[1]))
        answer_stray_boxes();
}

void run_tab(const Words &w)
{
    HWND dialog = dialog_for(w, 0);
    if (!dialog)
        return;
    key_to_focus(dialog, VK_TAB);
    if (settle(6))
        answer_stray_boxes();
}

// Enter and Esc go to the focused control; the dialog's message loop turns them into commands.
void run_key(const Words &w)
{
    if (!needs_args(w, 1))
        return;
    UINT vk = w[1] == "enter" ? VK_RETURN : w[1] == "esc" ? VK_ESCAPE : 0;
    if (!vk) {
        log_error("key " + w[1] + ": only enter and esc are known");
        return;
    }
    HWND dialog = wait_for_dialog();
    if (!dialog)
        return;
    key_to_focus(dialog, vk);
    settle(6);
}

void run_press(const Words &w)
{
    HWND dialog;
    HWND c = acted_on(w, 1, &dialog);
    if (!c)
        return;
    if (!is_class(c, "Button")) {
        log_error("press " + w[1] + ": not a button");
        return;
    }
    PostMessageA(c, BM_CLICK, 0, 0);
    settle(6);
}

// The caption's close box.
void run_close(const Words &w)
{
    HWND dialog = dialog_for(w, 0);
    if (!dialog)
        return;
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    settle(6);
}

// hold FILE: another program holds FILE open without sharing until the script ends, as an editor
// or a virus scanner might.
void run_hold(const Words &w)
{
    if (w.size() != 2) {
        log_error("hold: expects a file");
        return;
    }
    HANDLE file = CreateFileA(w[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        log_error("hold: cannot open " + w[1] + " (" + std::to_string(GetLastError()) + ")");
    // Left open: the pilot's end closes it.
}
