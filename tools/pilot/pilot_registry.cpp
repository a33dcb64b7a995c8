// The registry around a run: clearing what a scenario may touch, loading its .reg file, and
// exporting what the run left, byte for byte as the registry holds it.
#include "pilot.h"

namespace {

const char DRIVER_KEY[] = "SYSTEM\\CurrentControlSet\\Services\\Serialz4";
const char DEVICE_MAP_KEY[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
const char RESOURCE_MAP_KEY[] = "HARDWARE\\RESOURCEMAP\\LOADED SERIAL DRIVER RESOURCES\\serialz4";
// Where the scenarios put other drivers' resources.
const char OTHER_DRIVERS_KEY[] = "HARDWARE\\RESOURCEMAP\\OtherDrivers";
const char PORTS_KEY[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const char ARBITER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";  // the COM port database

std::string narrow(const wchar_t *text, int length)
{
    if (length <= 0)
        return "";
    int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring widen(const std::string &text)
{
    int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), (int)text.size(), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), (int)text.size(), &out[0], size);
    return out;
}

std::vector<std::wstring> subkey_names(HKEY key)
{
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

// Children first: the registry refuses to delete a key that still has subkeys.
LONG delete_tree(HKEY parent, const std::wstring &path)
{
    HKEY key;
    LONG rc = RegOpenKeyExW(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS)
        return rc;
    for (const auto &name : subkey_names(key))
        if ((rc = delete_tree(key, name)) != ERROR_SUCCESS) {
            RegCloseKey(key);
            return rc;
        }
    RegCloseKey(key);
    return RegDeleteKeyW(parent, path.c_str());
}

bool is_com_entry(const std::wstring &name)
{
    return name.size() >= 3 && towupper(name[0]) == L'C' && towupper(name[1]) == L'O' &&
           towupper(name[2]) == L'M';
}

std::string quote_reg(const std::string &text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

bool is_text_type(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Texts show as "text" only when that loads back to the same bytes; all else goes as hex, text
// data in hex as the 8-bit bytes the ANSI calls see (how an 8-bit .reg file holds them).
std::string value_line(const std::wstring &wname, DWORD type, const std::vector<BYTE> &data)
{
    std::string line = wname.empty() ? "@=" : quote_reg(narrow(wname.c_str(), (int)wname.size())) + "=";
    std::vector<BYTE> bytes = data;
    if (is_text_type(type) && data.size() % 2 == 0) {
        std::string ansi = narrow(reinterpret_cast<const wchar_t *>(data.data()), (int)data.size() / 2);
        bytes.assign(ansi.begin(), ansi.end());
        bool plain = type == REG_SZ && !bytes.empty() && bytes.back() == 0;
        for (size_t i = 0; plain && i + 1 < bytes.size(); ++i)
            plain = bytes[i] != 0 && bytes[i] != '\r' && bytes[i] != '\n';
        if (plain)
            return line + quote_reg(ansi.substr(0, ansi.size() - 1));
    }
    char piece[32];
    if (type == REG_DWORD && bytes.size() == 4) {
        DWORD d;
        memcpy(&d, bytes.data(), 4);
        snprintf(piece, sizeof piece, "dword:%08lx", (unsigned long)d);
        return line + piece;
    }
    if (type == REG_BINARY)
        line += "hex:";
    else {
        snprintf(piece, sizeof piece, "hex(%lx):", (unsigned long)type);
        line += piece;
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        snprintf(piece, sizeof piece, i ? ",%02x" : "%02x", bytes[i]);
        line += piece;
    }
    return line;
}

void export_values(FILE *out, HKEY key, bool com_only)
{
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD name_length = 16384, type = 0, size = 0;
        LONG rc = RegEnumValueW(key, i, name, &name_length, nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(size);
        name_length = 16384;
        RegEnumValueW(key, i, name, &name_length, nullptr, &type, data.data(), &size);
        data.resize(size);
        std::wstring wname(name, name_length);
        if (com_only && !is_com_entry(wname))
            continue;
        fprintf(out, "%s\r\n", value_line(wname, type, data).c_str());
    }
}

void export_tree(FILE *out, HKEY parent, const std::wstring &name, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    fprintf(out, "[HKEY_LOCAL_MACHINE\\%s]\r\n", path.c_str());
    export_values(out, key, false);
    fprintf(out, "\r\n");
    for (const auto &sub : subkey_names(key))
        export_tree(out, key, sub, path + "\\" + narrow(sub.c_str(), (int)sub.size()));
    RegCloseKey(key);
}

}  // namespace

// The driver's keys, both maps the scan reads, and the COM entries of the Ports list.
void run_reset(const Words &)
{
    for (const char *path : {DRIVER_KEY, DEVICE_MAP_KEY, RESOURCE_MAP_KEY, OTHER_DRIVERS_KEY, ARBITER_KEY}) {
        LONG rc = delete_tree(HKEY_LOCAL_MACHINE, widen(path));
        if (rc != ERROR_SUCCESS)
            log_error(std::string("reset: cannot delete ") + path + ": " + std::to_string(rc));
    }
    HKEY ports;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, PORTS_KEY, 0, KEY_ALL_ACCESS, &ports);
    if (rc != ERROR_SUCCESS) {
        log_error("reset: cannot open the Ports key: " + std::to_string(rc));
        return;
    }
    std::vector<std::wstring> doomed;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD length = 16384;
        if (RegEnumValueW(ports, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (is_com_entry(std::wstring(name, length)))
            doomed.emplace_back(name, length);
    }
    for (const auto &name : doomed)
        RegDeleteValueW(ports, name.c_str());
    RegCloseKey(ports);
}

// Keys below HKEY_LOCAL_MACHINE\HARDWARE live only as long as the session, and the registry
// lets only volatile keys be made there: regedit cannot create them, so they are made here.
void run_volatile(const Words &w)
{
    if (w.size() != 2) {
        log_error("volatile: expects a key path");
        return;
    }
    HKEY current = HKEY_LOCAL_MACHINE;
    std::string rest = w[1];
    while (!rest.empty()) {
        size_t cut = rest.find('\\');
        std::string part = rest.substr(0, cut);
        rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
        HKEY next;
        LONG rc = RegCreateKeyExA(current, part.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &next, nullptr);
        if (current != HKEY_LOCAL_MACHINE)
            RegCloseKey(current);
        if (rc != ERROR_SUCCESS) {
            log_error("volatile " + quoted(w[1]) + ": " + std::to_string(rc) + " at " + part);
            return;
        }
        current = next;
    }
    if (current != HKEY_LOCAL_MACHINE)
        RegCloseKey(current);
}

// regedit /s FILE, the way an administrator loads a .reg file.
void run_import(const Words &w)
{
    if (w.size() != 2) {
        log_error("import: expects a file");
        return;
    }
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string line = std::string("\"") + windows + "\\regedit.exe\" /s \"" + w[1] + "\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!start_process(buffer.data(), FALSE, nullptr, &si, &pi)) {
        log_error("import: cannot start regedit: " + std::to_string(GetLastError()));
        return;
    }
    if (WaitForSingleObject(pi.hProcess, pilot.wait_ms * 3) != WAIT_OBJECT_0) {
        log_error("import: regedit still running after " + std::to_string(pilot.wait_ms * 3 / 1000) + " s");
        TerminateProcess(pi.hProcess, 255);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

void run_export(const Words &w)
{
    if (w.size() != 2) {
        log_error("export: expects a file");
        return;
    }
    FILE *out = fopen(w[1].c_str(), "wb");
    if (!out) {
        log_error("export: cannot write " + w[1]);
        return;
    }
    fprintf(out, "Windows Registry Editor Version 5.00\r\n\r\n");
    for (const char *path : {DRIVER_KEY, DEVICE_MAP_KEY, RESOURCE_MAP_KEY, OTHER_DRIVERS_KEY, ARBITER_KEY})
        export_tree(out, HKEY_LOCAL_MACHINE, widen(path), path);
    HKEY ports;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PORTS_KEY, 0, KEY_READ, &ports) == ERROR_SUCCESS) {
        fprintf(out, "[HKEY_LOCAL_MACHINE\\%s]\r\n", PORTS_KEY);
        export_values(out, ports, true);
        fprintf(out, "\r\n");
        RegCloseKey(ports);
    }
    fclose(out);
}

// logpixels N: the screen's DPI for the programs started from now on, as the display settings
// set it (Wine reads it when a process starts).
void run_logpixels(const Words &w)
{
    if (w.size() != 2) {
        log_error("logpixels: expects a number");
        return;
    }
    HKEY desktop;
    DWORD dpi = (DWORD)strtoul(w[1].c_str(), nullptr, 10);
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &desktop, nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&dpi),
                       sizeof dpi) != ERROR_SUCCESS)
        log_error("logpixels: cannot set LogPixels");
    RegCloseKey(desktop);
}
