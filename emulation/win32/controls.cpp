// Emulated controls: push button and group box, edit, drop-down list combo box, static text;
// the notifications each sends, in the order and at the moment the system's controls send them.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <strings.h>

#include "window_internal.h"

namespace {

emu::Window *self(HWND hwnd) { return emu::live_window(hwnd); }

// WM_GETTEXT: at most wParam - 1 characters and a terminating NUL; the count copied.
LRESULT copy_text(const std::string &text, WPARAM size, LPARAM buffer)
{
    char *out = reinterpret_cast<char *>(buffer);
    if (!out || size == 0)
        return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<LRESULT>(n);
}

const char *text_arg(LPARAM lParam)
{
    return lParam ? reinterpret_cast<const char *>(lParam) : "";
}

bool starts_with_nocase(const std::string &item, const char *prefix)
{
    size_t n = std::strlen(prefix);
    return n <= item.size() && strncasecmp(item.c_str(), prefix, n) == 0;
}

// ---- push button and group box -------------------------------------------------------

bool is_group_box(const emu::Window &w) { return (w.style & BS_TYPEMASK) == BS_GROUPBOX; }

void button_clicked(emu::Window &w)
{
    w.pushed = false;
    emu::notify_parent(w, BN_CLICKED);
}

// ---- edit ------------------------------------------------------------------------------

// Replaces the selection; every edit that touches the text says EN_UPDATE, then EN_CHANGE.
void replace_selection(emu::Window &w, const std::string &with)
{
    size_t lo = std::min(w.sel_start, w.text.size());
    size_t hi = std::min(w.sel_end, w.text.size());
    if (lo == hi && with.empty())
        return;
    w.text.replace(lo, hi - lo, with);
    w.sel_start = w.sel_end = lo + with.size();
    emu::notify_parent(w, EN_UPDATE);
    emu::notify_parent(w, EN_CHANGE);
}

void set_selection(emu::Window &w, long start, long end)
{
    long len = static_cast<long>(w.text.size());
    if (start < 0) {  // -1 removes the selection and leaves the caret where it is
        w.sel_start = w.sel_end;
        return;
    }
    if (end < 0 || end > len)
        end = len;
    if (start > len)
        start = len;
    if (start > end)
        std::swap(start, end);
    w.sel_start = static_cast<size_t>(start);
    w.sel_end = static_cast<size_t>(end);
}

void edit_key(emu::Window &w, WPARAM vk)
{
    size_t len = w.text.size();
    switch (vk) {
    case VK_DELETE:
        if (w.sel_start == w.sel_end && w.sel_end < len)
            ++w.sel_end;
        replace_selection(w, "");
        break;
    case VK_LEFT:
        w.sel_start = w.sel_end = w.sel_start > 0 && w.sel_start == w.sel_end ? w.sel_start - 1
                                                                              : w.sel_start;
        break;
    case VK_RIGHT:
        w.sel_start = w.sel_end = std::min(w.sel_end + (w.sel_start == w.sel_end), len);
        break;
    case VK_HOME:
        w.sel_start = w.sel_end = 0;
        break;
    case VK_END:
        w.sel_start = w.sel_end = len;
        break;
    default:
        break;
    }
}

void edit_char(emu::Window &w, unsigned char ch)
{
    if (ch == '\b') {
        if (w.sel_start == w.sel_end && w.sel_start > 0)
            --w.sel_start;
        replace_selection(w, "");
    } else if (ch >= ' ' && ch != 0x7F) {
        replace_selection(w, std::string(1, static_cast<char>(ch)));
    }
}

// ---- drop-down list combo box --------------------------------------------------------------

int find_prefix(const emu::Window &w, WPARAM start, const char *prefix)
{
    int count = static_cast<int>(w.items.size());
    if (!*prefix || count == 0)
        return CB_ERR;
    int from = static_cast<int>(start);
    if (from < -1 || from >= count)
        from = -1;
    for (int k = 1; k <= count; ++k) {
        int i = (from + k) % count;
        if (starts_with_nocase(w.items[static_cast<size_t>(i)], prefix))
            return i;
    }
    return CB_ERR;
}

int find_exact(const emu::Window &w, WPARAM start, const char *text)
{
    int count = static_cast<int>(w.items.size());
    int from = static_cast<int>(start);
    if (from < -1 || from >= count)
        from = -1;
    for (int k = 1; k <= count; ++k) {
        int i = (from + k) % count;
        if (strcasecmp(w.items[static_cast<size_t>(i)].c_str(), text) == 0)
            return i;
    }
    return CB_ERR;
}

int insert_item(emu::Window &w, int index, const char *text)
{
    int count = static_cast<int>(w.items.size());
    if (index < 0 || index > count)
        index = count;
    if (w.style & CBS_SORT) {
        index = 0;
        while (index < count && strcasecmp(w.items[static_cast<size_t>(index)].c_str(), text) <= 0)
            ++index;
    }
    w.items.insert(w.items.begin() + index, text);
    if (w.selection >= index)
        ++w.selection;
    return index;
}

// A selection the user makes from the closed list: CBN_SELENDOK, then CBN_SELCHANGE.
void user_selects(emu::Window &w, int index)
{
    if (index == w.selection || index < 0 || index >= static_cast<int>(w.items.size()))
        return;
    w.selection = index;
    HWND h = w.hwnd;
    emu::notify_parent(w, CBN_SELENDOK);
    if (emu::Window *still = self(h))
        emu::notify_parent(*still, CBN_SELCHANGE);
}

void combo_key(emu::Window &w, WPARAM vk)
{
    int count = static_cast<int>(w.items.size());
    if (count == 0)
        return;
    int now = w.selection;
    switch (vk) {
    case VK_DOWN:
    case VK_RIGHT:
        user_selects(w, std::min(now + 1, count - 1));
        break;
    case VK_UP:
    case VK_LEFT:
        user_selects(w, std::max(now - 1, 0));
        break;
    case VK_HOME:
        user_selects(w, 0);
        break;
    case VK_END:
        user_selects(w, count - 1);
        break;
    default:
        break;
    }
}

void combo_char(emu::Window &w, unsigned char ch)
{
    char prefix[2] = {static_cast<char>(ch), '\0'};
    if (ch < ' ')
        return;
    int found = find_prefix(w, static_cast<WPARAM>(w.selection), prefix);
    if (found != CB_ERR)
        user_selects(w, found);
}

}  // namespace

namespace emu {

WNDPROC system_class(const std::string &name, std::string *canonical)
{
    static const struct {
        const char *name;
        WNDPROC proc;
    } classes[] = {
        {"Button", button_proc}, {"Edit", edit_proc},    {"ComboBox", combo_proc},
        {"Static", static_proc}, {"#32770", dialog_proc},
    };
    for (const auto &c : classes)
        if (strcasecmp(name.c_str(), c.name) == 0) {
            *canonical = c.name;
            return c.proc;
        }
    return nullptr;
}

LRESULT CALLBACK button_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window *w = self(hwnd);
    if (!w)
        return 0;
    switch (msg) {
    case WM_GETDLGCODE:
        if (is_group_box(*w))
            return DLGC_STATIC;
        if ((w->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if ((w->style & BS_TYPEMASK) == BS_PUSHBUTTON)
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        return DLGC_BUTTON;
    case BM_SETSTYLE:
        w->style = (w->style & ~static_cast<DWORD>(BS_TYPEMASK)) | (wParam & BS_TYPEMASK);
        return 0;
    case WM_SETFOCUS:
        // Only a button with BS_NOTIFY reports focus changes.
        if (w->style & BS_NOTIFY)
            notify_parent(*w, BN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        w->pushed = false;
        if (w->style & BS_NOTIFY)
            notify_parent(*w, BN_KILLFOCUS);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && !is_group_box(*w))
            w->pushed = true;
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && w->pushed)
            button_clicked(*w);
        return 0;
    case WM_LBUTTONDOWN:
        if (is_group_box(*w))
            return 0;
        SetFocus(hwnd);
        if ((w = self(hwnd)) != nullptr)
            w->pushed = true;
        return 0;
    case WM_LBUTTONUP:
        if (w->pushed)
            button_clicked(*w);
        return 0;
    case BM_CLICK:
        SendMessageA(hwnd, WM_LBUTTONDOWN, 0, 0);
        SendMessageA(hwnd, WM_LBUTTONUP, 0, 0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK edit_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window *w = self(hwnd);
    if (!w)
        return 0;
    switch (msg) {
    case WM_CREATE:
        w->sel_start = w->sel_end = 0;
        return 0;
    case WM_SETTEXT:
        // A new text notifies even when it equals the old one, and leaves the caret at 0.
        w->text = text_arg(lParam);
        w->sel_start = w->sel_end = 0;
        notify_parent(*w, EN_UPDATE);
        if ((w = self(hwnd)) != nullptr)
            notify_parent(*w, EN_CHANGE);
        return TRUE;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case EM_GETSEL:
        if (wParam)
            *reinterpret_cast<DWORD *>(wParam) = static_cast<DWORD>(w->sel_start);
        if (lParam)
            *reinterpret_cast<DWORD *>(lParam) = static_cast<DWORD>(w->sel_end);
        return static_cast<LRESULT>(MAKEWPARAM(w->sel_start, w->sel_end));
    case EM_SETSEL:
        set_selection(*w, static_cast<long>(static_cast<int>(wParam)),
                      static_cast<long>(static_cast<int>(lParam)));
        return 0;
    case EM_REPLACESEL:
        replace_selection(*w, text_arg(lParam));
        return 0;
    case WM_SETFOCUS:
        notify_parent(*w, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        notify_parent(*w, EN_KILLFOCUS);
        return 0;
    case WM_CHAR:
        edit_char(*w, static_cast<unsigned char>(wParam));
        return 0;
    case WM_KEYDOWN:
        edit_key(*w, wParam);
        return 0;
    case WM_LBUTTONDOWN:
        // The emulated click lands to the right of the text: focus, then the caret at the end.
        SetFocus(hwnd);
        if ((w = self(hwnd)) != nullptr)
            w->sel_start = w->sel_end = w->text.size();
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK combo_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window *w = self(hwnd);
    if (!w)
        return 0;
    int count = static_cast<int>(w->items.size());
    int index = static_cast<int>(wParam);
    // Each change would repaint a shown list; tests see whether drawing was off for them.
    if (w->redraw && (msg == CB_ADDSTRING || msg == CB_INSERTSTRING || msg == CB_DELETESTRING ||
                      msg == CB_RESETCONTENT))
        ++w->drawn_list_changes;
    switch (msg) {
    case WM_CREATE:
        // Only the drop-down list kind is emulated: its text is always the selected item's.
        return (w->style & 0x3) == CBS_DROPDOWNLIST ? 0 : -1;
    case WM_GETTEXT:
        return copy_text(w->selection >= 0 ? w->items[static_cast<size_t>(w->selection)] : "",
                         wParam, lParam);
    case WM_GETTEXTLENGTH:
        return w->selection >= 0
                   ? static_cast<LRESULT>(w->items[static_cast<size_t>(w->selection)].size())
                   : 0;
    case WM_SETTEXT:
        return CB_ERR;
    case WM_SETREDRAW:
        w->redraw = wParam != 0;
        return 0;
    case CB_ADDSTRING:
        return lParam ? insert_item(*w, -1, text_arg(lParam)) : CB_ERR;
    case CB_INSERTSTRING:
        return lParam ? insert_item(*w, index, text_arg(lParam)) : CB_ERR;
    case CB_DELETESTRING:
        if (index < 0 || index >= count)
            return CB_ERR;
        w->items.erase(w->items.begin() + index);
        if (w->selection == index)
            w->selection = -1;
        else if (w->selection > index)
            --w->selection;
        return count - 1;
    case CB_RESETCONTENT:
        w->items.clear();
        w->selection = -1;
        return CB_OKAY;
    case CB_GETCOUNT:
        return count;
    case CB_GETCURSEL:
        return w->selection >= 0 ? w->selection : CB_ERR;
    case CB_SETCURSEL:
        // An index outside the list (-1 included) clears the selection.
        if (index < 0 || index >= count) {
            w->selection = -1;
            return CB_ERR;
        }
        w->selection = index;
        return index;
    case CB_SELECTSTRING: {
        int found = find_prefix(*w, wParam, text_arg(lParam));
        if (found != CB_ERR)
            w->selection = found;
        return found;
    }
    case CB_FINDSTRING:
        return find_prefix(*w, wParam, text_arg(lParam));
    case CB_FINDSTRINGEXACT:
        return find_exact(*w, wParam, text_arg(lParam));
    case CB_GETLBTEXT:
        if (index < 0 || index >= count || !lParam)
            return CB_ERR;
        std::strcpy(reinterpret_cast<char *>(lParam), w->items[static_cast<size_t>(index)].c_str());
        return static_cast<LRESULT>(w->items[static_cast<size_t>(index)].size());
    case CB_GETLBTEXTLEN:
        if (index < 0 || index >= count)
            return CB_ERR;
        return static_cast<LRESULT>(w->items[static_cast<size_t>(index)].size());
    case CB_GETDROPPEDSTATE:
        return w->dropped;
    case CB_SHOWDROPDOWN:
        if (wParam && !w->dropped) {
            w->dropped = true;
            notify_parent(*w, CBN_DROPDOWN);
        } else if (!wParam && w->dropped) {
            w->dropped = false;
            notify_parent(*w, CBN_CLOSEUP);
        }
        return TRUE;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
        const MSG *m = reinterpret_cast<const MSG *>(lParam);
        if (w->dropped && m && m->message == WM_KEYDOWN &&
            (m->wParam == VK_RETURN || m->wParam == VK_ESCAPE))
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_SETFOCUS:
        notify_parent(*w, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        if (w->dropped) {
            w->dropped = false;
            notify_parent(*w, CBN_CLOSEUP);
            if ((w = self(hwnd)) == nullptr)
                return 0;
        }
        notify_parent(*w, CBN_SELENDCANCEL);
        if ((w = self(hwnd)) != nullptr)
            notify_parent(*w, CBN_KILLFOCUS);
        return 0;
    case WM_KEYDOWN:
        if (!w->dropped)
            combo_key(*w, wParam);
        return 0;
    case WM_CHAR:
        if (!w->dropped)
            combo_char(*w, static_cast<unsigned char>(wParam));
        return 0;
    case WM_LBUTTONDOWN:
        click_combo(hwnd);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK static_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_GETDLGCODE)
        return DLGC_STATIC;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A click on a combo box takes the focus, then opens its list, or closes it when open.
void click_combo(HWND combo)
{
    if (focus_window() != combo) {
        SetFocus(combo);
        if (focus_window() != combo)
            return;
    }
    Window *w = self(combo);
    if (!w)
        return;
    if (w->dropped) {
        w->dropped = false;
        notify_parent(*w, CBN_SELENDCANCEL);
        if ((w = self(combo)) != nullptr)
            notify_parent(*w, CBN_CLOSEUP);
    } else {
        w->dropped = true;
        notify_parent(*w, CBN_DROPDOWN);
    }
}

// A click on an item of the open list: the item is selected (even when it already was), the
// list closes, and the box says CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE in this order.
void click_combo_item(HWND combo, int index)
{
    Window *w = self(combo);
    if (!w || !w->dropped || index < 0 || index >= static_cast<int>(w->items.size()))
        return;
    w->selection = index;
    w->dropped = false;
    for (int code : {CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE})
        if ((w = self(combo)) != nullptr)
            notify_parent(*w, code);
}

void click_edit(HWND edit)
{
    SendMessageA(edit, WM_LBUTTONDOWN, 0, 0);
    SendMessageA(edit, WM_LBUTTONUP, 0, 0);
}

void click_button(HWND button)
{
    SendMessageA(button, WM_LBUTTONDOWN, 0, 0);
    SendMessageA(button, WM_LBUTTONUP, 0, 0);
}

}  // namespace emu
