// Emulated window classes, windows and the thread's message queue.
#include <algorithm>
#include <cstring>
#include <strings.h>

#include "window_internal.h"

namespace {

struct WindowClass {
    emu::ClassRecord record;
    WNDPROC proc = nullptr;
};

std::vector<WindowClass> classes;
std::vector<std::unique_ptr<emu::Window>> windows_made;
std::deque<MSG> queue;
bool quit_posted = false;
int quit_code = 0;
bool register_fails = false;
bool create_fails = false;
std::vector<emu::DialogCall> dialogs;
std::function<INT_PTR(const emu::DialogCall &)> dialog_stand_in;

WindowClass *find_class(const char *name)
{
    for (auto &c : classes)
        if (strcasecmp(c.record.name.c_str(), name) == 0)
            return &c;
    return nullptr;
}

}  // namespace

namespace emu {

Window *find_window(HWND hwnd)
{
    for (auto &w : windows_made)
        if (w->hwnd == hwnd)
            return w.get();
    return nullptr;
}

Window &new_window()
{
    windows_made.push_back(std::make_unique<Window>());
    Window &w = *windows_made.back();
    // Handles look like the system's: small, even, never null.
    w.hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10000 + 4 * windows_made.size()));
    return w;
}

const std::vector<std::unique_ptr<Window>> &all_windows() { return windows_made; }

LRESULT deliver(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window *w = find_window(hwnd);
    if (!w || w->destroyed || !w->proc)
        return 0;
    return w->proc(hwnd, msg, wParam, lParam);
}

void window_reset()
{
    classes.clear();
    windows_made.clear();
    queue.clear();
    quit_posted = false;
    quit_code = 0;
    register_fails = false;
    create_fails = false;
    dialogs.clear();
    dialog_stand_in = nullptr;
    dialog_reset();
}

bool take_posted(MSG &msg)
{
    if (queue.empty())
        return false;
    msg = queue.front();
    queue.pop_front();
    return true;
}

std::vector<WindowRecord> windows()
{
    std::vector<WindowRecord> out;
    for (auto &w : windows_made)
        out.push_back({w->hwnd, w->class_name, w->text, w->style, w->ex_style, w->x, w->y,
                       w->width, w->height, w->parent, w->show_state, w->destroyed, w->id});
    return out;
}

std::vector<ClassRecord> window_classes()
{
    std::vector<ClassRecord> out;
    for (auto &c : classes)
        out.push_back(c.record);
    return out;
}

void fail_register_class(bool on) { register_fails = on; }
void fail_create_window(bool on) { create_fails = on; }
const std::vector<DialogCall> &dialog_calls() { return dialogs; }
void set_dialog_stand_in(std::function<INT_PTR(const DialogCall &)> stand_in)
{
    dialog_stand_in = std::move(stand_in);
}

// The real modal dialog, supplied by the dialog emulation.
INT_PTR run_modal_dialog(const DialogCall &call);

}  // namespace emu

ATOM WINAPI RegisterClassA(const WNDCLASSA *wc)
{
    if (register_fails || !wc || !wc->lpszClassName || find_class(wc->lpszClassName))
        return 0;
    WindowClass c;
    c.record = {wc->lpszClassName, wc->style,  wc->cbClsExtra,    wc->cbWndExtra,
                wc->hIcon,         wc->hCursor, wc->hbrBackground, wc->lpszMenuName};
    c.proc = wc->lpfnWndProc;
    classes.push_back(c);
    return static_cast<ATOM>(0xC000 + classes.size());
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName,
                            DWORD dwStyle, int X, int Y, int nWidth, int nHeight,
                            HWND hWndParent, HMENU hMenu, HINSTANCE, LPVOID)
{
    WindowClass *c = lpClassName ? find_class(lpClassName) : nullptr;
    std::string system_name;
    WNDPROC system_proc = !c && lpClassName ? emu::system_class(lpClassName, &system_name) : nullptr;
    if (create_fails || (!c && !system_proc))
        return nullptr;
    emu::Window &w = emu::new_window();
    w.class_name = c ? c->record.name : system_name;
    w.text = lpWindowName ? lpWindowName : "";
    w.style = dwStyle;
    w.ex_style = dwExStyle;
    w.x = X, w.y = Y, w.width = nWidth, w.height = nHeight;
    w.parent = hWndParent;
    w.id = static_cast<int>(reinterpret_cast<uintptr_t>(hMenu));
    w.proc = c ? c->proc : system_proc;
    // WM_CREATE arrives inside this call; -1 refuses the window.
    if (emu::deliver(w.hwnd, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(w.hwnd);
        return nullptr;
    }
    return w.hwnd;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    emu::Window *w = emu::find_window(hWnd);
    if (!w || w->destroyed)
        return FALSE;
    bool was_visible = w->show_state > 0;
    w->show_state = nCmdShow;
    return was_visible;
}

BOOL WINAPI UpdateWindow(HWND hWnd)
{
    emu::Window *w = emu::find_window(hWnd);
    return w && !w->destroyed;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    emu::Window *w = emu::find_window(hWnd);
    if (!w || w->destroyed)
        return FALSE;
    emu::deliver(hWnd, WM_DESTROY, 0, 0);
    // Children go after their parent has been told, as on Windows.
    for (auto &child : emu::all_windows())
        if (child->parent == hWnd && !child->destroyed)
            DestroyWindow(child->hwnd);
    emu::deliver(hWnd, WM_NCDESTROY, 0, 0);
    w->destroyed = true;
    emu::forget_focus(hWnd);
    auto &open = emu::open_dialogs();
    open.erase(std::remove(open.begin(), open.end(), hWnd), open.end());
    queue.erase(std::remove_if(queue.begin(), queue.end(),
                               [&](const MSG &m) { return m.hwnd == hWnd; }),
                queue.end());
    return TRUE;
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND, UINT, UINT)
{
    if (!queue.empty()) {
        *lpMsg = queue.front();
        queue.pop_front();
        return TRUE;
    }
    if (quit_posted) {
        quit_posted = false;
        *lpMsg = MSG{};
        lpMsg->message = WM_QUIT;
        lpMsg->wParam = static_cast<WPARAM>(quit_code);
        return FALSE;
    }
    // Nothing could ever arrive: on Windows the thread would wait forever.
    *lpMsg = MSG{};
    return -1;
}

BOOL WINAPI TranslateMessage(const MSG *) { return FALSE; }

LRESULT WINAPI DispatchMessageA(const MSG *lpMsg)
{
    return emu::deliver(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    emu::Window *w = emu::live_window(hWnd);
    switch (Msg) {
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            SendMessageA(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_SETTEXT:
        if (w)
            w->text = lParam ? reinterpret_cast<const char *>(lParam) : "";
        return w != nullptr;
    case WM_GETTEXT: {
        // Copies at most wParam - 1 characters and always terminates.
        char *buffer = reinterpret_cast<char *>(lParam);
        if (!w || !buffer || wParam == 0)
            return 0;
        size_t n = std::min(w->text.size(), static_cast<size_t>(wParam) - 1);
        std::memcpy(buffer, w->text.data(), n);
        buffer[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return w ? static_cast<LRESULT>(w->text.size()) : 0;
    default:
        return 0;
    }
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    emu::Window *w = emu::find_window(hWnd);
    if (hWnd && (!w || w->destroyed))
        return FALSE;
    MSG m = {};
    m.hwnd = hWnd;
    m.message = Msg;
    m.wParam = wParam;
    m.lParam = lParam;
    queue.push_back(m);
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return emu::deliver(hWnd, Msg, wParam, lParam);
}

void WINAPI PostQuitMessage(int nExitCode)
{
    quit_posted = true;
    quit_code = nExitCode;
}

// The module has no icon resource of its own; a system icon handle only for the system's ids.
HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    if (hInstance || !IS_INTRESOURCE(lpIconName))
        return nullptr;
    return reinterpret_cast<HICON>(static_cast<uintptr_t>(0x20000 + LOWORD(lpIconName)));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    if (hInstance || !IS_INTRESOURCE(lpCursorName))
        return nullptr;
    return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x30000 + LOWORD(lpCursorName)));
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    emu::DialogCall call;
    call.owner = hWndParent;
    call.template_id = IS_INTRESOURCE(lpTemplateName) ? LOWORD(lpTemplateName) : -1;
    call.proc = lpDialogFunc;
    call.param = dwInitParam;
    dialogs.push_back(call);
    if (dialog_stand_in)
        return dialog_stand_in(call);
    return emu::run_modal_dialog(call);
}
