// Probe: which notifications the real dialog manager and controls send for each message and
// user action, logged against the tool's own template (IDD_CONFIG) with a logging procedure.
// Build and run: tools/probes/run-dialog-probe.sh (writes dialog_probe.log in the current dir).
#include <windows.h>
#undef IDC_HELP

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "config_dialog.h"

namespace {

FILE *out;
HWND dlg;
int step;
int mode;  // 0: main run (WM_INITDIALOG returns FALSE), 1: WM_INITDIALOG returns TRUE

void log(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vfprintf(out, fmt, args);
    va_end(args);
    fputc('\n', out);
    fflush(out);
}

int idOf(HWND h)
{
    if (!h)
        return 0;
    if (h == dlg)
        return -2;  // the dialog window itself
    if (GetParent(h) != dlg)
        return -3;  // a window outside the dialog (message box button, owner...)
    return GetDlgCtrlID(h);
}

const char *codeName(HWND ctl, int code)
{
    char cls[32] = "";
    if (ctl)
        GetClassNameA(ctl, cls, sizeof cls);
    if (!lstrcmpiA(cls, "Edit")) {
        switch (code) {
        case EN_SETFOCUS: return "EN_SETFOCUS";
        case EN_KILLFOCUS: return "EN_KILLFOCUS";
        case EN_CHANGE: return "EN_CHANGE";
        case EN_UPDATE: return "EN_UPDATE";
        }
    } else if (!lstrcmpiA(cls, "ComboBox")) {
        switch (code) {
        case CBN_SELCHANGE: return "CBN_SELCHANGE";
        case CBN_SETFOCUS: return "CBN_SETFOCUS";
        case CBN_KILLFOCUS: return "CBN_KILLFOCUS";
        case CBN_DROPDOWN: return "CBN_DROPDOWN";
        case CBN_CLOSEUP: return "CBN_CLOSEUP";
        case CBN_SELENDOK: return "CBN_SELENDOK";
        case CBN_SELENDCANCEL: return "CBN_SELENDCANCEL";
        }
    } else if (!lstrcmpiA(cls, "Button")) {
        switch (code) {
        case BN_CLICKED: return "BN_CLICKED";
        case BN_SETFOCUS: return "BN_SETFOCUS";
        case BN_KILLFOCUS: return "BN_KILLFOCUS";
        }
    }
    return "?";
}

void next(int delay_ms = 0)
{
    ++step;
    if (delay_ms)
        SetTimer(dlg, 1, delay_ms, nullptr);
    else
        PostMessageA(dlg, WM_APP, step, 0);
}

void postKey(UINT vk)
{
    HWND f = GetFocus();
    PostMessageA(f, WM_KEYDOWN, vk, 1);
    PostMessageA(f, WM_KEYUP, vk, 0xC0000001);
}

void postChars(const char *s)
{
    HWND f = GetFocus();
    for (; *s; ++s)
        PostMessageA(f, WM_CHAR, static_cast<unsigned char>(*s), 1);
}

void setText(int id, const char *text)
{
    log("call SetDlgItemTextA(%d, \"%s\")", id, text);
    SetDlgItemTextA(dlg, id, text);
    log("  returned");
}

void logSel(int id)
{
    DWORD s = 0, e = 0;
    SendDlgItemMessageA(dlg, id, EM_GETSEL, (WPARAM)&s, (LPARAM)&e);
    char t[64];
    GetDlgItemTextA(dlg, id, t, sizeof t);
    log("  edit %d text \"%s\" selection %lu..%lu", id, t, s, e);
}

void logFocus(const char *what) { log("  focus (%s): %d", what, idOf(GetFocus())); }

void clickAt(int x, int y)
{
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    INPUT in[3] = {};
    for (auto &i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = (x * 65535) / (sw - 1);
        i.mi.dy = (y * 65535) / (sh - 1);
    }
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    UINT n = SendInput(3, in, sizeof(INPUT));
    log("  SendInput click at %d,%d: %u events", x, y, n);
}

void clickControl(int id)
{
    RECT r;
    GetWindowRect(GetDlgItem(dlg, id), &r);
    clickAt(r.right - 3, (r.top + r.bottom) / 2);
}

void clickListItem(int id, int index)
{
    COMBOBOXINFO ci = {};
    ci.cbSize = sizeof ci;
    GetComboBoxInfo(GetDlgItem(dlg, id), &ci);
    RECT r = {};
    SendMessageA(ci.hwndList, LB_GETITEMRECT, index, (LPARAM)&r);
    MapWindowPoints(ci.hwndList, nullptr, reinterpret_cast<POINT *>(&r), 2);
    log("  list of %d dropped=%d, item %d at %ld,%ld", id,
        (int)SendDlgItemMessageA(dlg, id, CB_GETDROPPEDSTATE, 0, 0), index, r.left, r.top);
    clickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void logCombo(int id)
{
    char t[64];
    GetDlgItemTextA(dlg, id, t, sizeof t);
    log("  combo %d cursel %d text \"%s\" count %d", id,
        (int)SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0), t,
        (int)SendDlgItemMessageA(dlg, id, CB_GETCOUNT, 0, 0));
}

void initDialog(HWND hdlg, WPARAM wParam)
{
    dlg = hdlg;
    log("WM_INITDIALOG wParam control %d, focus now %d", idOf((HWND)wParam), idOf(GetFocus()));
    if (mode == 1)
        return;
    LRESULT r;
    log("call CB_RESETCONTENT 200");
    SendDlgItemMessageA(hdlg, 200, CB_RESETCONTENT, 0, 0);
    const char *names[] = {"None", "ISA", "PCI"};
    for (const char *n : names) {
        r = SendDlgItemMessageA(hdlg, 200, CB_ADDSTRING, 0, (LPARAM)n);
        log("call CB_ADDSTRING 200 \"%s\" -> %d", n, (int)r);
    }
    const struct { int start; const char *s; } sel[] = {
        {-1, "isa"}, {-1, "P"}, {-1, "x"}, {1, "ISA"}, {1, "None"}, {2, "i"}, {-1, ""},
        {-1, "ISAX"}, {-1, "pci"}};
    for (auto &s : sel) {
        SendDlgItemMessageA(hdlg, 200, CB_SETCURSEL, 2, 0);
        r = SendDlgItemMessageA(hdlg, 200, CB_SELECTSTRING, s.start, (LPARAM)s.s);
        log("call CB_SELECTSTRING 200 start %d \"%s\" (from PCI selected) -> %d, cursel %d", s.start,
            s.s, (int)r, (int)SendDlgItemMessageA(hdlg, 200, CB_GETCURSEL, 0, 0));
    }
    r = SendDlgItemMessageA(hdlg, 200, CB_SETCURSEL, 5, 0);
    log("call CB_SETCURSEL 200 5 -> %d, cursel %d", (int)r,
        (int)SendDlgItemMessageA(hdlg, 200, CB_GETCURSEL, 0, 0));
    r = SendDlgItemMessageA(hdlg, 200, CB_SETCURSEL, 1, 0);
    log("call CB_SETCURSEL 200 1 -> %d", (int)r);
    const char *irqs[] = {"3", "4", "5", "7", "10", "11", "12", "15"};
    SendDlgItemMessageA(hdlg, 201, WM_SETREDRAW, 0, 0);
    SendDlgItemMessageA(hdlg, 201, CB_RESETCONTENT, 0, 0);
    for (const char *n : irqs) {
        r = SendDlgItemMessageA(hdlg, 201, CB_ADDSTRING, 0, (LPARAM)n);
        if (!strcmp(n, "10"))
            SendDlgItemMessageA(hdlg, 201, CB_SETCURSEL, r, 0);
    }
    SendDlgItemMessageA(hdlg, 201, WM_SETREDRAW, 1, 0);
    log("filled 201 (disabled) with WM_SETREDRAW 0/1 around, selected 10");
    const char *addrs[] = {"308", "310", "318"};
    for (const char *n : addrs)
        SendDlgItemMessageA(hdlg, 202, CB_ADDSTRING, 0, (LPARAM)n);
    SendDlgItemMessageA(hdlg, 202, CB_SETCURSEL, 0, 0);
    log("filled 202 (disabled)");
    setText(203, "5");
    setText(203, "5");
    setText(203, "");
    setText(203, "");
    log("call SetDlgItemInt(250, 3)");
    SetDlgItemInt(hdlg, 250, 3, FALSE);
    log("call SetDlgItemInt(240, 4294967295 unsigned)");
    SetDlgItemInt(hdlg, 240, 4294967295u, FALSE);
    logSel(240);
    log("call WM_SETTEXT 240 \"7\"");
    SendDlgItemMessageA(hdlg, 240, WM_SETTEXT, 0, (LPARAM) "7");
    logSel(240);
    log("call SetDlgItemTextA(200 combo, \"PCI\") -> %d", SetDlgItemTextA(hdlg, 200, "PCI"));
    logCombo(200);
    log("WM_INITDIALOG returns FALSE");
}

void runStep()
{
    log("== step %d", step);
    switch (step) {
    case 1: {
        logFocus("after WM_INITDIALOG returned FALSE and the dialog showed");
        log("  active is dialog: %d", GetActiveWindow() == dlg);
        RECT r = {4, 8, 4, 8};
        MapDialogRect(dlg, &r);
        log("  MapDialogRect 4x8 -> %ldx%ld", r.left, r.top);
        RECT w, c;
        GetWindowRect(dlg, &w);
        GetClientRect(dlg, &c);
        log("  dialog window %ld,%ld %ldx%ld client %ldx%ld", w.left, w.top, w.right - w.left,
            w.bottom - w.top, c.right, c.bottom);
        for (int id : {200, 203, 101}) {
            GetWindowRect(GetDlgItem(dlg, id), &w);
            MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT *>(&w), 2);
            log("  control %d at %ld,%ld %ldx%ld", id, w.left, w.top, w.right - w.left,
                w.bottom - w.top);
        }
        log("  GetDlgCtrlID of first static: %d", GetDlgCtrlID(GetWindow(dlg, GW_CHILD)));
        next();
        break;
    }
    case 2: {
        log("-- GetDlgItemInt on edit 240 (notifications of the SetDlgItemTextA calls not logged)");
        const char *texts[] = {"12", " 12", "\t12", "12 ", "12abc", "abc", "", " ", "-5", "+5",
                               "0", "007", "4294967295", "4294967296", "99999999999", "0x10",
                               "1 2", "-0", "2147483648"};
        for (const char *t : texts) {
            step = -1000;  // quiet
            SetDlgItemTextA(dlg, 240, t);
            BOOL ok = 7, oks = 7;
            UINT u = GetDlgItemInt(dlg, 240, &ok, FALSE);
            int s = (int)GetDlgItemInt(dlg, 240, &oks, TRUE);
            step = 2;
            log("  \"%s\": unsigned %u translated %d; signed %d translated %d", t, u, ok, s, oks);
        }
        step = -1000;
        SetDlgItemTextA(dlg, 240, "12345678");
        step = 2;
        char buf[8];
        memset(buf, 0xbd, sizeof buf);
        UINT n = GetDlgItemTextA(dlg, 240, buf, 5);
        log("  GetDlgItemTextA(240 \"12345678\", 5) -> %u \"%s\" byte5=0x%02x", n, buf,
            (unsigned char)buf[5]);
        memset(buf, 0xbd, sizeof buf);
        n = GetDlgItemTextA(dlg, 200, buf, 5);
        log("  GetDlgItemTextA(200 ISA selected, 5) -> %u \"%s\"", n, buf);
        SendDlgItemMessageA(dlg, 200, CB_SETCURSEL, (WPARAM)-1, 0);
        memset(buf, 0xbd, sizeof buf);
        n = GetDlgItemTextA(dlg, 200, buf, 5);
        log("  GetDlgItemTextA(200 no selection, 5) -> %u \"%s\" cursel %d", n, buf,
            (int)SendDlgItemMessageA(dlg, 200, CB_GETCURSEL, 0, 0));
        SendDlgItemMessageA(dlg, 200, CB_SETCURSEL, 1, 0);
        BOOL ok = 7;
        log("  GetDlgItemInt(201 \"10\" selected) -> %u", GetDlgItemInt(dlg, 201, &ok, FALSE));
        memset(buf, 0xbd, sizeof buf);
        n = GetDlgItemTextA(dlg, 999, buf, 5);
        log("  GetDlgItemTextA(999 missing) -> %u byte0=0x%02x", n, (unsigned char)buf[0]);
        ok = 7;
        log("  GetDlgItemInt(999 missing) -> %u translated %d", GetDlgItemInt(dlg, 999, &ok, FALSE),
            ok);
        step = -1000;
        SetDlgItemTextA(dlg, 240, "3");
        step = 2;
        next();
        break;
    }
    case 3:
        log("call EnableWindow(201, TRUE) -> %d", EnableWindow(GetDlgItem(dlg, 201), TRUE));
        log("call EnableWindow(203, TRUE) -> %d", EnableWindow(GetDlgItem(dlg, 203), TRUE));
        log("call EnableWindow(203, TRUE) again -> %d", EnableWindow(GetDlgItem(dlg, 203), TRUE));
        log("call SetFocus(202 disabled) -> %d", idOf(SetFocus(GetDlgItem(dlg, 202))));
        logFocus("after SetFocus on a disabled control");
        log("call SetFocus(200)");
        SetFocus(GetDlgItem(dlg, 200));
        log("call SetFocus(200) again");
        SetFocus(GetDlgItem(dlg, 200));
        log("  returned");
        log("post VK_DOWN to focused combo 200 (ISA selected)");
        postKey(VK_DOWN);
        next();
        break;
    case 4:
        logCombo(200);
        log("post WM_CHAR 'n' to focused combo 200");
        postChars("n");
        next();
        break;
    case 5:
        logCombo(200);
        log("call CB_RESETCONTENT + CB_ADDSTRING x3 + CB_SETCURSEL 1 on focused 200");
        SendDlgItemMessageA(dlg, 200, CB_RESETCONTENT, 0, 0);
        SendDlgItemMessageA(dlg, 200, CB_ADDSTRING, 0, (LPARAM) "None");
        SendDlgItemMessageA(dlg, 200, CB_ADDSTRING, 0, (LPARAM) "ISA");
        SendDlgItemMessageA(dlg, 200, CB_ADDSTRING, 0, (LPARAM) "PCI");
        SendDlgItemMessageA(dlg, 200, CB_SETCURSEL, 1, 0);
        log("  returned; now Tab 14 times from 200 (201, 203 enabled; 202, 211-213 disabled)");
        next();
        break;
    case 6: case 7: case 8: case 9: case 10: case 11: case 12: case 13: case 14: case 15:
    case 16: case 17: case 18: case 19:
        logFocus("before Tab");
        if (idOf(GetFocus()) == 203 || idOf(GetFocus()) == 240)
            logSel(idOf(GetFocus()));
        postKey(VK_TAB);
        next();
        break;
    case 20:
        logFocus("after 14 Tabs");
        log("call SetFocus(203); EnableWindow(203, FALSE)");
        SetFocus(GetDlgItem(dlg, 203));
        EnableWindow(GetDlgItem(dlg, 203), FALSE);
        logFocus("after disabling the focused edit");
        EnableWindow(GetDlgItem(dlg, 203), TRUE);
        log("call SetFocus(203) (text \"\"), post WM_CHAR '1' '6' BS");
        SetFocus(GetDlgItem(dlg, 203));
        logSel(203);
        postChars("16\b");
        next();
        break;
    case 21:
        logSel(203);
        setText(203, "99");
        logSel(203);
        log("call EM_SETSEL 0,-1 then post WM_CHAR '4'");
        SendDlgItemMessageA(dlg, 203, EM_SETSEL, 0, -1);
        postChars("4");
        next();
        break;
    case 22:
        logSel(203);
        log("call EM_SETSEL 0,-1 then post WM_KEYDOWN VK_DELETE");
        SendDlgItemMessageA(dlg, 203, EM_SETSEL, 0, -1);
        postKey(VK_DELETE);
        next();
        break;
    case 23:
        logSel(203);
        log("post WM_KEYDOWN VK_DELETE on empty edit; then BS on empty edit");
        postKey(VK_DELETE);
        postChars("\b");
        next();
        break;
    case 24:
        log("post VK_RETURN with focus in edit 203");
        postKey(VK_RETURN);
        next();
        break;
    case 25:
        log("post VK_ESCAPE with focus in edit 203");
        postKey(VK_ESCAPE);
        next();
        break;
    case 26:
        log("call SetFocus(200); post VK_RETURN with focus on closed combo 200");
        SetFocus(GetDlgItem(dlg, 200));
        postKey(VK_RETURN);
        next();
        break;
    case 27:
        log("call SetFocus(102 Cancel); post VK_RETURN");
        SetFocus(GetDlgItem(dlg, 102));
        log("  Cancel style 0x%lx", GetWindowLongA(GetDlgItem(dlg, 102), GWL_STYLE));
        postKey(VK_RETURN);
        next();
        break;
    case 28:
        log("post VK_SPACE down+up on focused 102");
        postKey(VK_SPACE);
        next();
        break;
    case 29:
        log("call SetFocus(101); post Tab (to 102)");
        SetFocus(GetDlgItem(dlg, 101));
        postKey(VK_TAB);
        next();
        break;
    case 30:
        logFocus("after Tab from 101");
        log("  Cancel style 0x%lx, Ok style 0x%lx",
            GetWindowLongA(GetDlgItem(dlg, 102), GWL_STYLE),
            GetWindowLongA(GetDlgItem(dlg, 101), GWL_STYLE));
        log("post VK_RETURN");
        postKey(VK_RETURN);
        next();
        break;
    case 31:
        log("post Tab (to 110), Tab (to 200); then VK_RETURN on combo after visiting buttons");
        postKey(VK_TAB);
        postKey(VK_TAB);
        postKey(VK_RETURN);
        next();
        break;
    case 32:
        logFocus("now");
        log("  DM_GETDEFID -> 0x%lx", (long)SendMessageA(dlg, DM_GETDEFID, 0, 0));
        log("post WM_SYSCOMMAND SC_CLOSE");
        PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        next();
        break;
    case 33:
        log("call SendMessage WM_CLOSE");
        SendMessageA(dlg, WM_CLOSE, 0, 0);
        log("  returned");
        next();
        break;
    case 34:
        log("call SetFocus(203); MessageBoxA owned by the dialog, closed by a timer");
        SetFocus(GetDlgItem(dlg, 203));
        SetTimer(dlg, 2, 700, nullptr);
        MessageBoxA(dlg, "probe", "CONFIGURATION ERROR", 0);
        log("  MessageBoxA returned");
        logFocus("after the box closed");
        log("call SetFocus(240)");
        SetFocus(GetDlgItem(dlg, 240));
        log("  returned");
        log("call SetFocus(200); SetForegroundWindow; then mouse click on combo 200");
        SetFocus(GetDlgItem(dlg, 200));
        SetForegroundWindow(dlg);
        next(300);
        break;
    case 35:
        log("click on combo 201 (IRQ, 10 selected) while 200 has the focus");
        clickControl(201);
        next(600);
        break;
    case 36:
        logFocus("after click on 201");
        logCombo(201);
        log("click on item 6 (\"12\") of 201's list");
        clickListItem(201, 6);
        next(600);
        break;
    case 37:
        logCombo(201);
        log("click on 201 again, then on the already selected item 6");
        clickControl(201);
        next(600);
        break;
    case 38:
        clickListItem(201, 6);
        next(600);
        break;
    case 39:
        logCombo(201);
        log("click on 201, then click on 201 again (close without pick)");
        clickControl(201);
        next(600);
        break;
    case 40:
        clickControl(201);
        next(600);
        break;
    case 41:
        logCombo(201);
        log("click on edit 240 (text \"3\") right of its text");
        clickControl(240);
        next(600);
        break;
    case 42:
        logSel(240);
        log("click on button 110 (Help)");
        clickControl(110);
        next(600);
        break;
    case 43:
        logFocus("after click on Help");
        log("  Help style 0x%lx", GetWindowLongA(GetDlgItem(dlg, 110), GWL_STYLE));
        log("post VK_RETURN with focus on the clicked Help button");
        postKey(VK_RETURN);
        log("click on disabled combo 202");
        clickControl(202);
        next(600);
        break;
    case 44:
        logFocus("after click on disabled 202");
        log("call SetFocus(240); EndDialog(7)");
        SetFocus(GetDlgItem(dlg, 240));
        EndDialog(dlg, 7);
        log("  EndDialog returned; focus %d", idOf(GetFocus()));
        break;
    }
}

INT_PTR CALLBACK ProbeProc(HWND hdlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        initDialog(hdlg, wParam);
        if (mode == 1) {
            PostMessageA(hdlg, WM_APP + 1, 0, 0);
            return TRUE;
        }
        step = 1;
        PostMessageA(hdlg, WM_APP, 1, 0);
        return FALSE;
    case WM_APP:
        runStep();
        return TRUE;
    case WM_APP + 1:
        logFocus("after WM_INITDIALOG returned TRUE");
        EndDialog(hdlg, 3);
        return TRUE;
    case WM_TIMER:
        if (wParam == 1) {
            KillTimer(hdlg, 1);
            runStep();
        } else if (wParam == 2) {
            KillTimer(hdlg, 2);
            HWND box = GetActiveWindow();
            log("  timer inside the box: focus %d, dialog enabled %d, active is box %d",
                idOf(GetFocus()), IsWindowEnabled(hdlg), box != hdlg);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        return TRUE;
    case WM_COMMAND:
        if (step < 0)
            return TRUE;
    {
        // A combo box's text as the procedure reads it at that notification.
        char shown[32] = "";
        char cls[32] = "";
        if (lParam)
            GetClassNameA((HWND)lParam, cls, sizeof cls);
        if (!lstrcmpiA(cls, "ComboBox"))
            GetWindowTextA((HWND)lParam, shown, sizeof shown);
        log("  WM_COMMAND id %d code %d %s lParam %s, focus %d%s%s%s", LOWORD(wParam),
            HIWORD(wParam), codeName((HWND)lParam, HIWORD(wParam)), lParam ? "control" : "NULL",
            idOf(GetFocus()), *cls && !lstrcmpiA(cls, "ComboBox") ? ", text \"" : "", shown,
            *cls && !lstrcmpiA(cls, "ComboBox") ? "\"" : "");
    }
        return TRUE;
    case WM_DESTROY:
        log("WM_DESTROY of the dialog");
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int)
{
    out = fopen("dialog_probe.log", "w");
    mode = 0;
    INT_PTR r = DialogBoxParamA(inst, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ProbeProc, 0);
    log("DialogBoxParamA returned %d", (int)r);
    mode = 1;
    r = DialogBoxParamA(inst, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ProbeProc, 0);
    log("second run (WM_INITDIALOG TRUE) returned %d", (int)r);
    r = DialogBoxParamA(inst, MAKEINTRESOURCEA(4711), nullptr, ProbeProc, 0);
    log("missing template returned %d (last error %lu)", (int)r, GetLastError());
    fclose(out);
    return 0;
}
