// What a user can see on the dialog: texts, list items, selection, enabled state, focus,
// where each control sits, and a picture of it.
#include "pilot.h"

namespace {

const int POLL_MS = 50;

std::string focus_name(HWND dialog)
{
    HWND focus = focused_control();
    while (focus && GetParent(focus) && GetParent(focus) != dialog)
        focus = GetParent(focus);
    if (!focus)
        return "none";
    if (focus == dialog)
        return "dialog";
    return std::to_string(control_id(focus));
}

// Rectangle of a child in its dialog's client coordinates.
RECT client_rect_of(HWND dialog, HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

std::string pixels(LONG x, LONG y, LONG w, LONG h)
{
    char text[80];
    snprintf(text, sizeof text, "(%ld,%ld %ldx%ld px)", (long)x, (long)y, (long)w, (long)h);
    return text;
}

// The dialog manager's base units for the template's font, 8 point "MS Sans Serif": the
// average width of the 52 letters (rounded as it rounds) and the font's height.
POINT base_units()
{
    static POINT units = {0, 0};
    if (units.x)
        return units;
    HDC dc = GetDC(nullptr);
    int points = 8;
    HFONT font = CreateFontA(-MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0,
                             FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                             PROOF_QUALITY, FF_DONTCARE, "MS Sans Serif");
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size;
    GetTextExtentPoint32A(dc, letters, 52, &size);
    units.x = (size.cx / 26 + 1) / 2;
    units.y = tm.tmHeight;
    char face[64] = "";
    GetTextFaceA(dc, sizeof face, face);
    fprintf(stderr, "pilot: base units %ld x %ld from font \"%s\" at %d dpi\n", (long)units.x,
            (long)units.y, face, GetDeviceCaps(dc, LOGPIXELSY));
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return units;
}

// The bottom of a combo box's dropped-down list, in the dialog's client coordinates.
bool dropped_list_bottom(HWND dialog, HWND combo, LONG *bottom)
{
    if (!IsWindowEnabled(combo))
        return false;
    HWND list = drop_down(combo);
    if (!list)
        return false;
    RECT r;
    GetWindowRect(list, &r);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT *>(&r), 2);
    *bottom = r.bottom;
    return close_up(combo);
}

}  // namespace

void run_dpi(const Words &)
{
    HDC dc = GetDC(nullptr);
    log_line("dpi " + std::to_string(GetDeviceCaps(dc, LOGPIXELSY)));
    ReleaseDC(nullptr, dc);
}

// unclipped: every static text and button of the dialog shows its whole text, measured in the
// dialog's font as this process makes it (a font handle of the tool means nothing here), within
// its own client area.
void run_unclipped(const Words &)
{
    HWND dialog = wait_for_dialog();
    if (!dialog)
        return;
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontA(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_DONTCARE,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE,
                             "MS Sans Serif");
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    std::string clipped;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!is_class(c, "Static") && !is_class(c, "Button"))
            continue;
        std::string text = window_text(c);
        if (text.empty())
            continue;
        SIZE size;
        GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &size);
        RECT r;
        GetClientRect(c, &r);
        // A push button draws its text inside a border of two pixels a side.
        LONG room = r.right - (is_class(c, "Button") ? 4 : 0);
        if (size.cx > room || tm.tmHeight > r.bottom)
            clipped += " " + std::to_string(control_id(c)) + " " + quoted(text) + " (" +
                       std::to_string(size.cx) + "x" + std::to_string(tm.tmHeight) + " px in " +
                       std::to_string(r.right) + "x" + std::to_string(r.bottom) + ")";
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    log_line(clipped.empty() ? "unclipped" : "clipped" + clipped);
}

// text ID | items ID | count ID | selection ID | enabled ID | focus
void run_query(const Words &w)
{
    HWND dialog = wait_for_dialog();
    if (!dialog)
        return;
    if (w[0] == "focus?") {
        log_line("focus " + focus_name(dialog));
        return;
    }
    if (w.size() != 2) {
        log_error(w[0] + ": expects a control");
        return;
    }
    HWND c = dialog_item(dialog, w[1]);
    if (!c) {
        log_error(w[0] + " " + w[1] + ": no such control");
        return;
    }
    const std::string &verb = w[0];
    if (verb == "text") {
        log_line("text " + w[1] + " " + quoted(window_text(c)));
    } else if (verb == "items") {
        log_line("items " + w[1] + " " + words::joined(combo_items(c)));
    } else if (verb == "count") {
        log_line("count " + w[1] + " " + std::to_string(combo_items(c).size()));
    } else if (verb == "selection") {
        int index = (int)ask(c, CB_GETCURSEL, 0, 0);
        std::vector<std::string> items = combo_items(c);
        std::string text = index >= 0 && index < (int)items.size() ? items[index] : "";
        log_line("selection " + w[1] + " " + quoted(text));
    } else if (verb == "enabled") {
        log_line("enabled " + w[1] + " " + (IsWindowEnabled(c) ? "1" : "0"));
    } else {
        log_error(verb + ": unknown query");
    }
}

// rect ITEM x y w h (dialog units): the control must stand where the dialog manager maps that
// rectangle to. combo-rect: for a combo box, whose template height is the room for its list:
// left, top and width exactly, and the list, dropped down as a user would, within that room
// (Wine sizes the list to whole items, up to the room; its CB_GETDROPPEDCONTROLRECT comes back
// short of the room, so it is not asked).
void run_rect(const Words &w)
{
    if (w.size() != 6) {
        log_error(w[0] + ": expects an item and four numbers");
        return;
    }
    HWND dialog = wait_for_dialog();
    if (!dialog)
        return;
    HWND c = dialog_item(dialog, w[1]);
    if (!c) {
        log_error(w[0] + " " + w[1] + ": no such control");
        return;
    }
    bool combo = w[0] == "combo-rect";
    if (combo != (c != dialog && is_class(c, "ComboBox"))) {
        log_error(w[0] + " " + w[1] + (combo ? ": not a combo box" : ": a combo box (use combo-rect)"));
        return;
    }
    RECT units = {atoi(w[2].c_str()), atoi(w[3].c_str()), atoi(w[4].c_str()), atoi(w[5].c_str())};
    // Left, top, width and height, each mapped on its own as the dialog manager maps them.
    POINT bu = base_units();
    RECT want = {MulDiv(units.left, bu.x, 4), MulDiv(units.top, bu.y, 8),
                 MulDiv(units.right, bu.x, 4), MulDiv(units.bottom, bu.y, 8)};
    std::string echo = w[0] + " " + w[1] + " " + w[2] + " " + w[3] + " " + w[4] + " " + w[5];
    RECT have;
    if (c == dialog) {
        // The dialog itself: its client area has the template's size.
        GetClientRect(dialog, &have);
        want.left = want.top = 0;
    } else {
        have = client_rect_of(dialog, c);
    }
    if (combo) {
        LONG bottom;
        if (!dropped_list_bottom(dialog, c, &bottom)) {
            log_error(echo + ": its list would not drop down and close again "
                             "(the combo box must be enabled)");
            return;
        }
        LONG hw = have.right - have.left, room = want.top + want.bottom;
        if (have.left == want.left && have.top == want.top && hw == want.right && bottom <= room &&
            bottom > have.bottom)
            log_line(echo);
        else
            log_line(echo + ": field at " + pixels(have.left, have.top, hw, have.bottom - have.top) +
                     " with its list down to " + std::to_string(bottom) + ", template maps to " +
                     pixels(want.left, want.top, want.right, want.bottom));
        return;
    }
    LONG hw = have.right - have.left, hh = have.bottom - have.top;
    if (have.left == want.left && have.top == want.top && hw == want.right && hh == want.bottom)
        log_line(echo);
    else
        log_line(echo + ": window at " + pixels(have.left, have.top, hw, hh) + ", template maps to " +
                 pixels(want.left, want.top, want.right, want.bottom));
}

// shot PATH: asks the runner (which watches for PATH.want) to photograph the dialog's screen
// rectangle into PATH.png, and waits until the picture is there.
void run_shot(const Words &w)
{
    if (w.size() != 2) {
        log_error("shot: expects a path without extension");
        return;
    }
    HWND dialog = wait_for_dialog();
    if (!dialog)
        return;
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    settle(4);
    Sleep(500);
    RECT r;
    GetWindowRect(dialog, &r);
    std::string png = w[1] + ".png";
    DeleteFileA(png.c_str());
    std::string want = w[1] + ".want";
    FILE *f = fopen(want.c_str(), "w");
    if (!f) {
        log_error("shot: cannot write " + want);
        return;
    }
    fprintf(f, "%ld %ld %ld %ld\n", (long)r.left, (long)r.top, (long)(r.right - r.left),
            (long)(r.bottom - r.top));
    fclose(f);
    for (DWORD waited = 0; GetFileAttributesA(png.c_str()) == INVALID_FILE_ATTRIBUTES;
         waited += POLL_MS) {
        if (waited > pilot.wait_ms) {
            log_error("shot: no picture " + png + " after " + std::to_string(pilot.wait_ms / 1000) +
                      " s");
            return;
        }
        Sleep(POLL_MS);
    }
    fprintf(stderr, "pilot: dialog photographed at %ld,%ld %ldx%ld\n", (long)r.left, (long)r.top,
            (long)(r.right - r.left), (long)(r.bottom - r.top));
    log_line("shot");
}
