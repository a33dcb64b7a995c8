// Finding the tool's windows, reading them across the process boundary, and waiting on them.
#include "pilot.h"

namespace {

const char DIALOG_CAPTION[] = "Zentrix IV Configuration";
const char MAIN_CLASS[] = "Z4WndClass";
const int POLL_MS = 20;

bool is_dialog_class(HWND hwnd)
{
    return is_class(hwnd, "#32770");
}

BOOL CALLBACK collect_tool_window(HWND hwnd, LPARAM arg)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == pilot.tool.dwProcessId)
        reinterpret_cast<std::vector<HWND> *>(arg)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> tool_windows()
{
    std::vector<HWND> found;
    if (pilot.started)
        EnumWindows(collect_tool_window, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool is_config_dialog(HWND hwnd)
{
    char caption[64] = "";
    GetWindowTextA(hwnd, caption, sizeof caption);
    return is_dialog_class(hwnd) && strcmp(caption, DIALOG_CAPTION) == 0 &&
           GetDlgItem(hwnd, 200) != nullptr;
}

bool tool_running()
{
    return pilot.started && WaitForSingleObject(pilot.tool.hProcess, 0) == WAIT_TIMEOUT;
}

}  // namespace

bool is_class(HWND hwnd, const char *name)
{
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    return lstrcmpiA(cls, name) == 0;
}

HWND find_dialog()
{
    for (HWND hwnd : tool_windows())
        if (IsWindowVisible(hwnd) && is_config_dialog(hwnd))
            return hwnd;
    return nullptr;
}

HWND find_message_box()
{
    for (HWND hwnd : tool_windows())
        if (IsWindowVisible(hwnd) && is_dialog_class(hwnd) && !is_config_dialog(hwnd))
            return hwnd;
    return nullptr;
}

HWND find_main_window()
{
    for (HWND hwnd : tool_windows())
        if (is_class(hwnd, MAIN_CLASS))
            return hwnd;
    return nullptr;
}

int control_id(HWND control)
{
    return (int)(short)GetDlgCtrlID(control);
}

HWND dialog_item(HWND dialog, const std::string &item)
{
    if (item == "dialog")
        return dialog;
    if (!item.empty() && item[0] == '#') {
        int index = atoi(item.c_str() + 1);
        HWND child = GetWindow(dialog, GW_CHILD);
        for (int i = 0; child && i < index; ++i)
            child = GetWindow(child, GW_HWNDNEXT);
        return child;
    }
    return GetDlgItem(dialog, atoi(item.c_str()));
}

LRESULT ask(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, msg, wParam, lParam, SMTO_NORMAL, pilot.wait_ms, &result))
        return 0;
    return (LRESULT)result;
}

std::string window_text(HWND hwnd)
{
    LRESULT length = ask(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> buffer(length + 1, 0);
    ask(hwnd, WM_GETTEXT, buffer.size(), (LPARAM)buffer.data());
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

// Through the W messages: Wine hands an A caller of CB_GETLBTEXT in another process only the
// first character of each item.
std::vector<std::string> combo_items(HWND combo)
{
    std::vector<std::string> items;
    LRESULT count = ask(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_NORMAL, pilot.wait_ms, &length);
        std::vector<wchar_t> buffer(length + 1, 0);
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, i, (LPARAM)buffer.data(), SMTO_NORMAL, pilot.wait_ms,
                            &copied);
        char text[256] = "";
        WideCharToMultiByte(CP_ACP, 0, buffer.data(), -1, text, sizeof text, nullptr, nullptr);
        items.emplace_back(text);
    }
    return items;
}

// Each WM_NULL is answered only when the tool's thread next looks at its queue, so a few of
// them in a row come back only after the messages posted before them were dispatched.
bool settle(int rounds)
{
    HWND target = find_dialog();
    if (!target)
        target = find_main_window();
    for (int i = 0; target && i < rounds; ++i) {
        DWORD_PTR result;
        if (!SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_NORMAL, pilot.wait_ms, &result)) {
            if (!IsWindow(target))
                return true;
            log_error("the tool stopped answering messages for " +
                      std::to_string(pilot.wait_ms / 1000) + " s");
            return false;
        }
        // A moment between the rounds for the tool's thread to reach its posted messages.
        Sleep(2);
    }
    return true;
}

void post_click(HWND hwnd, int x, int y)
{
    LPARAM at = MAKELPARAM(x, y);
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(hwnd, WM_LBUTTONUP, 0, at);
}

static BOOL CALLBACK find_dropped_list(HWND hwnd, LPARAM arg)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == pilot.tool.dwProcessId && IsWindowVisible(hwnd) && is_class(hwnd, "ComboLBox")) {
        *reinterpret_cast<HWND *>(arg) = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND dropped_list()
{
    HWND found = nullptr;
    EnumWindows(find_dropped_list, reinterpret_cast<LPARAM>(&found));
    return found;
}

static void click_centre(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    post_click(hwnd, r.right / 2, r.bottom / 2);
}

HWND drop_down(HWND combo)
{
    click_centre(combo);
    HWND list = nullptr;
    if (!settle_until([&] { return (list = dropped_list()) != nullptr; }))
        return nullptr;
    return list;
}

bool close_up(HWND combo)
{
    click_centre(combo);
    return settle_until([] { return dropped_list() == nullptr; });
}

HWND focused_control()
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(pilot.tool.dwThreadId, &info))
        return nullptr;
    return info.hwndFocus;
}

bool answer_box(HWND box, int button)
{
    char caption[512] = "";
    GetWindowTextA(box, caption, sizeof caption);
    // Windows gives the text of a message box the identifier 0xFFFF.
    HWND text = GetDlgItem(box, 0xFFFF);
    log_line(std::string("box ") + quoted(caption) + " " + quoted(text ? window_text(text) : ""));
    // Unasked, a question is answered No: that is what leaves the machine as it was.
    if (button == 0)
        button = GetDlgItem(box, IDOK) || !GetDlgItem(box, IDNO) ? IDOK : IDNO;
    if (HWND pressed = GetDlgItem(box, button))
        PostMessageA(pressed, BM_CLICK, 0, 0);
    else
        PostMessageA(box, WM_COMMAND, button, 0);
    for (DWORD waited = 0; IsWindow(box) && IsWindowVisible(box); waited += POLL_MS) {
        if (waited > pilot.wait_ms) {
            log_error("message box " + quoted(caption) + " did not close on Ok");
            return false;
        }
        Sleep(POLL_MS);
    }
    return settle(4);
}

void answer_stray_boxes()
{
    for (int i = 0; i < 50; ++i) {
        HWND box = find_message_box();
        if (!box || !answer_box(box))
            return;
    }
}

HWND wait_for_dialog()
{
    for (DWORD waited = 0;; waited += POLL_MS) {
        if (HWND box = find_message_box()) {
            if (!answer_box(box))
                return nullptr;
            waited = 0;
            continue;
        }
        if (HWND dialog = find_dialog())
            return dialog;
        if (!tool_running()) {
            log_error("no dialog: z4setup.exe has ended");
            return nullptr;
        }
        if (waited > pilot.wait_ms) {
            log_error("no dialog after " + std::to_string(pilot.wait_ms / 1000) + " s");
            return nullptr;
        }
        Sleep(POLL_MS);
    }
}
