// Prints how the registry answers the calls the tool makes; built for Wine and for the emulation.
// Windows: x86_64-w64-mingw32-g++-posix -O1 -o reg_probe.exe reg_probe.cpp -ladvapi32
// Linux:   see run-reg-probe.sh (built against the emulation's registry)
// The two outputs should be the same line for line (see run-reg-probe.sh).
#ifdef _WIN32
#include <windows.h>
#else
#include "registry_setup.h"
#endif

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

const char *const BASE = "SOFTWARE\\Z4Probe";

// The buffer's first bytes as hex, so "untouched" (bd) and a written NUL both show.
void show_bytes(const char *label, const BYTE *p, int n)
{
    std::printf("%s:", label);
    for (int i = 0; i < n; ++i) std::printf(" %02x", p[i]);
    std::printf("\n");
}

HKEY create(const char *path, DWORD *disposition = nullptr)
{
    HKEY k = nullptr;
    DWORD d = 0;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &k, &d);
    if (disposition) *disposition = d;
    if (rc) std::printf("create %s failed: %ld\n", path, (long)rc);
    return k;
}

HKEY open(const char *path, REGSAM access = KEY_READ)
{
    HKEY k = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &k);
    if (rc) std::printf("open %s failed: %ld\n", path, (long)rc);
    return k;
}

// Children first, with the two-pass deletion the tool itself uses.
void delete_tree(HKEY parent, const char *name)
{
    HKEY k = nullptr;
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &k)) return;
    char names[64][64];
    int n = 0;
    for (DWORD i = 0; n < 64; ++i) {
        DWORD len = sizeof names[0];
        if (RegEnumKeyExA(k, i, names[n], &len, nullptr, nullptr, nullptr, nullptr)) break;
        ++n;
    }
    for (int i = 0; i < n; ++i) delete_tree(k, names[i]);
    RegCloseKey(k);
    RegDeleteKeyA(parent, name);
}

void set_sz(HKEY k, const char *name, const char *text, DWORD len)
{
    LONG rc = RegSetValueExA(k, name, 0, REG_SZ, (const BYTE *)text, len);
    if (rc) std::printf("set %s failed: %ld\n", name, (long)rc);
}

DWORD stored_size(HKEY k, const char *name)
{
    DWORD len = 0;
    RegQueryValueExA(k, name, nullptr, nullptr, nullptr, &len);
    return len;
}

void probe_create_and_open()
{
    DWORD disp = 0;
    HKEY k = create("SOFTWARE\\Z4Probe\\Make\\Two\\Levels", &disp);
    std::printf("create three new levels: disposition %lu\n", (unsigned long)disp);
    RegCloseKey(k);
    k = create("software\\z4probe\\MAKE\\two\\levels", &disp);
    std::printf("create existing in other case: disposition %lu\n", (unsigned long)disp);
    RegCloseKey(k);
    HKEY missing = (HKEY)1;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Z4Probe\\Nowhere", 0, KEY_READ, &missing);
    std::printf("open missing: %ld, handle %s\n", (long)rc, missing ? "set" : "NULL");
    const char *forms[] = {"SOFTWARE\\Z4Probe\\Make\\", "\\SOFTWARE\\Z4Probe\\Make",
                           "SOFTWARE\\\\Z4Probe\\Make"};
    for (const char *f : forms) {
        HKEY h = nullptr;
        rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, f, 0, KEY_READ, &h);
        std::printf("open \"%s\": %ld\n", f, (long)rc);
        if (!rc) RegCloseKey(h);
    }
    HKEY base = open(BASE);
    HKEY rel = nullptr;
    rc = RegOpenKeyExA(base, "make\\Two", 0, KEY_READ, &rel);
    std::printf("open two levels relative to an open key: %ld\n", (long)rc);
    char name[32];
    DWORD len = sizeof name;
    RegEnumKeyExA(rel, 0, name, &len, nullptr, nullptr, nullptr, nullptr);
    std::printf("enumerated name keeps its case: %s\n", name);
    RegCloseKey(rel);
    RegCloseKey(base);
}

void probe_order()
{
    HKEY k = create("SOFTWARE\\Z4Probe\\Order");
    const char *subs[] = {"Serial3", "Serial10", "serial2", "Board_1", "BoardZ", "board1"};
    for (const char *s : subs) {
        HKEY c = nullptr;
        RegCreateKeyExA(k, s, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &c, nullptr);
        RegCloseKey(c);
    }
    std::printf("subkey order:");
    char name[32];
    LONG rc;
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        rc = RegEnumKeyExA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc) break;
        std::printf(" %s", name);
    }
    std::printf("; then %ld\n", (long)rc);
    const char *vals[] = {"b", "A", "c", "_u"};
    for (const char *v : vals) set_sz(k, v, "x", 2);
    std::printf("value order:");
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        rc = RegEnumValueA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc) break;
        std::printf(" %s", name);
    }
    std::printf("; then %ld\n", (long)rc);
    set_sz(k, "B", "y", 2);
    std::printf("after setting \"B\":");
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumValueA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr)) break;
        std::printf(" %s", name);
    }
    std::printf("\n");
    RegCloseKey(k);
}

void probe_enum_buffers()
{
    HKEY k = create("SOFTWARE\\Z4Probe\\Enum");
    HKEY c = create("SOFTWARE\\Z4Probe\\Enum\\Board1");
    RegCloseKey(c);
    set_sz(k, "LongValueName", "9600,n,8,1", 10);
    char name[80];
    BYTE data[32];
    for (DWORD given : {6u, 7u}) {
        std::memset(name, 0xbd, sizeof name);
        DWORD len = given;
        LONG rc = RegEnumKeyExA(k, 0, name, &len, nullptr, nullptr, nullptr, nullptr);
        std::printf("RegEnumKeyExA \"Board1\" with %lu: %ld, length %lu\n", (unsigned long)given,
                    (long)rc, (unsigned long)len);
        show_bytes("  name", (BYTE *)name, 8);
    }
    struct {
        DWORD name_len, data_len;
    } cases[] = {{80, 5}, {80, 10}, {80, 11}, {5, 32}, {13, 32}, {14, 32}};
    for (auto c2 : cases) {
        std::memset(name, 0xbd, sizeof name);
        std::memset(data, 0xbd, sizeof data);
        DWORD nlen = c2.name_len, dlen = c2.data_len, type = 99;
        LONG rc = RegEnumValueA(k, 0, name, &nlen, nullptr, &type, data, &dlen);
        std::printf("RegEnumValueA name %lu data %lu: %ld, name length %lu, data length %lu, type %lu\n",
                    (unsigned long)c2.name_len, (unsigned long)c2.data_len, (long)rc,
                    (unsigned long)nlen, (unsigned long)dlen, (unsigned long)type);
        show_bytes("  name", (BYTE *)name, 6);
        show_bytes("  data", data, 12);
    }
    char kname[8];
    DWORD klen = sizeof kname;
    std::printf("RegEnumKeyExA past the end: %ld\n",
                (long)RegEnumKeyExA(k, 1, kname, &klen, nullptr, nullptr, nullptr, nullptr));
    DWORD nlen = sizeof name, dlen = sizeof data;
    std::printf("RegEnumValueA past the end: %ld\n",
                (long)RegEnumValueA(k, 1, name, &nlen, nullptr, nullptr, data, &dlen));
    RegCloseKey(k);
}

void probe_set_and_query()
{
    HKEY k = create("SOFTWARE\\Z4Probe\\Set");
    const char com5[] = "COM5 ";
    const char com12x[] = "COM12 x";
    set_sz(k, "Terminated", com5, 5);
    set_sz(k, "Cut", com12x, 6);
    set_sz(k, "WithNul", com5, 6);
    set_sz(k, "Empty", "", 0);
    RegSetValueExA(k, "Binary", 0, REG_BINARY, (const BYTE *)com5, 5);
    RegSetValueExA(k, "Multi", 0, REG_MULTI_SZ, (const BYTE *)"a\0b", 3);
    const char *names[] = {"Terminated", "Cut", "WithNul", "Empty", "Binary", "Multi"};
    for (const char *n : names) std::printf("stored size of %s: %lu\n", n, (unsigned long)stored_size(k, n));

    BYTE buf[16];
    DWORD len = 0, type = 99;
    LONG rc = RegQueryValueExA(k, "Cut", nullptr, &type, nullptr, &len);
    std::printf("query NULL buffer: %ld, length %lu, type %lu\n", (long)rc, (unsigned long)len,
                (unsigned long)type);
    for (DWORD given : {3u, 6u, 7u}) {
        std::memset(buf, 0xbd, sizeof buf);
        len = given;
        rc = RegQueryValueExA(k, "Cut", nullptr, &type, buf, &len);
        std::printf("query unterminated 6 bytes into %lu: %ld, length %lu\n", (unsigned long)given,
                    (long)rc, (unsigned long)len);
        show_bytes("  data", buf, 8);
    }
    len = sizeof buf;
    rc = RegQueryValueExA(k, "Missing", nullptr, &type, buf, &len);
    std::printf("query missing value: %ld, length %lu\n", (long)rc, (unsigned long)len);
    rc = RegQueryValueExA(k, "Cut", nullptr, &type, buf, nullptr);
    std::printf("query with data but no length: %ld\n", (long)rc);
    std::memset(buf, 0xbd, sizeof buf);
    len = sizeof buf;
    rc = RegQueryValueExA(k, "cUT", nullptr, &type, buf, &len);
    std::printf("query in other case: %ld\n", (long)rc);
    RegCloseKey(k);

    k = open("SOFTWARE\\Z4Probe\\Set", KEY_READ);
    DWORD v = 1;
    std::printf("set through a KEY_READ handle: %ld\n",
                (long)RegSetValueExA(k, "Denied", 0, REG_DWORD, (const BYTE *)&v, 4));
    RegCloseKey(k);
    k = open("SOFTWARE\\Z4Probe\\Set", KEY_READ | KEY_SET_VALUE);
    std::printf("set through KEY_READ|KEY_SET_VALUE: %ld\n",
                (long)RegSetValueExA(k, "Allowed", 0, REG_DWORD, (const BYTE *)&v, 4));
    RegCloseKey(k);
}

void probe_query_info()
{
    HKEY k = create("SOFTWARE\\Z4Probe\\Info");
    RegCloseKey(create("SOFTWARE\\Z4Probe\\Info\\Board1"));
    RegCloseKey(create("SOFTWARE\\Z4Probe\\Info\\Board12"));
    DWORD ten = 10;
    RegSetValueExA(k, "Interrupt", 0, REG_DWORD, (const BYTE *)&ten, 4);
    set_sz(k, "Text", "9600,n,8,1", 10);
    char cls[260];
    std::memset(cls, 0xbd, sizeof cls);
    DWORD cls_len = sizeof cls, subs = 99, max_sub = 99, max_cls = 99, vals = 99, max_vname = 99,
          max_data = 99, sec = 99;
    FILETIME ft;
    LONG rc = RegQueryInfoKeyA(k, cls, &cls_len, nullptr, &subs, &max_sub, &max_cls, &vals,
                               &max_vname, &max_data, &sec, &ft);
    std::printf("RegQueryInfoKeyA: %ld, class length %lu, subkeys %lu, max subkey %lu, max class "
                "%lu, values %lu, max value name %lu, max data %lu\n",
                (long)rc, (unsigned long)cls_len, (unsigned long)subs, (unsigned long)max_sub,
                (unsigned long)max_cls, (unsigned long)vals, (unsigned long)max_vname,
                (unsigned long)max_data);
    show_bytes("  class", (BYTE *)cls, 2);
    cls_len = 0;
    std::memset(cls, 0xbd, sizeof cls);
    rc = RegQueryInfoKeyA(k, cls, &cls_len, nullptr, &subs, nullptr, nullptr, &vals, nullptr,
                          nullptr, nullptr, nullptr);
    std::printf("RegQueryInfoKeyA class length 0: %ld, class length %lu\n", (long)rc,
                (unsigned long)cls_len);
    show_bytes("  class", (BYTE *)cls, 2);
    RegCloseKey(k);
}

void probe_delete()
{
    RegCloseKey(create("SOFTWARE\\Z4Probe\\Del\\Parameters\\Board1"));
    HKEY software = open("SOFTWARE", KEY_READ);
    std::printf("delete key with subkeys: %ld\n",
                (long)RegDeleteKeyA(software, "Z4Probe\\Del\\Parameters"));
    std::printf("delete two levels down through a KEY_READ parent: %ld\n",
                (long)RegDeleteKeyA(software, "Z4Probe\\Del\\Parameters\\Board1"));
    std::printf("delete it again: %ld\n",
                (long)RegDeleteKeyA(software, "Z4Probe\\Del\\Parameters\\Board1"));

    // a handle kept open on a key that another handle deletes
    HKEY kept = open("SOFTWARE\\Z4Probe\\Del\\Parameters", KEY_ALL_ACCESS);
    DWORD v = 1, len = 4;
    RegSetValueExA(kept, "Interrupt", 0, REG_DWORD, (const BYTE *)&v, 4);
    std::printf("delete key another handle holds: %ld\n",
                (long)RegDeleteKeyA(software, "Z4Probe\\Del\\Parameters"));
    std::printf("  query on it: %ld\n",
                (long)RegQueryValueExA(kept, "Interrupt", nullptr, nullptr, (BYTE *)&v, &len));
    std::printf("  set on it: %ld\n",
                (long)RegSetValueExA(kept, "Interrupt", 0, REG_DWORD, (const BYTE *)&v, 4));
    HKEY sub = nullptr;
    std::printf("  create below it: %ld\n",
                (long)RegCreateKeyExA(kept, "Board2", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                                      nullptr));
    char name[20];
    len = sizeof name;
    std::printf("  enumerate it: %ld\n",
                (long)RegEnumKeyExA(kept, 0, name, &len, nullptr, nullptr, nullptr, nullptr));
    DWORD subs = 0;
    std::printf("  query info: %ld\n",
                (long)RegQueryInfoKeyA(kept, nullptr, nullptr, nullptr, &subs, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, nullptr));
    std::printf("  close it: %ld\n", (long)RegCloseKey(kept));
    std::printf("delete missing key: %ld\n", (long)RegDeleteKeyA(software, "Z4Probe\\Del\\Nowhere"));
    RegCloseKey(software);
}

void probe_handles()
{
    HKEY k = open(BASE);
    std::printf("close: %ld\n", (long)RegCloseKey(k));
    std::printf("close again: %ld\n", (long)RegCloseKey(k));
    DWORD len = 4;
    BYTE buf[4];
    std::printf("query on a closed handle: %ld\n",
                (long)RegQueryValueExA(k, "x", nullptr, nullptr, buf, &len));
    std::printf("close HKEY_LOCAL_MACHINE: %ld\n", (long)RegCloseKey(HKEY_LOCAL_MACHINE));
    std::printf("close NULL: %ld\n", (long)RegCloseKey(nullptr));
    k = open(BASE);
    std::printf("open after closing the root: %s\n", k ? "works" : "fails");
    RegCloseKey(k);
}

}  // namespace

// "reg_probe keep" leaves SOFTWARE\Z4Probe in place, for exporting it with regedit.
int main(int argc, char **argv)
{
#ifndef _WIN32
    emu::reg_set_sorted_values(true);  // the order Wine enumerates values in
#endif
    delete_tree(HKEY_LOCAL_MACHINE, BASE);
    probe_create_and_open();
    probe_order();
    probe_enum_buffers();
    probe_set_and_query();
    probe_query_info();
    probe_delete();
    probe_handles();
    if (argc < 2 || std::strcmp(argv[1], "keep") != 0) delete_tree(HKEY_LOCAL_MACHINE, BASE);
    return 0;
}
