// Prints keys and value bytes below HKEY_LOCAL_MACHINE paths, to compare a Wine registry with
// the emulation after the same .reg file went into both.
// Windows: reg_dump.exe PATH...                 (import the file first with regedit /s)
// Linux:   reg_dump [--load FILE.reg]... [--save5|--save5ansi|--save4 OUT.reg] PATH...
#ifdef _WIN32
#include <windows.h>
#else
#include <string>

#include "registry_setup.h"
#include "reg_file.h"
#endif

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void dump(HKEY parent, const std::string &name, const std::string &path)
{
    HKEY k = nullptr;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &k)) {
        std::printf("[%s] absent\n", path.c_str());
        return;
    }
    std::printf("[%s]\n", path.c_str());
    std::vector<std::string> subs;
    for (DWORD i = 0;; ++i) {
        char value[256];
        std::vector<BYTE> data(65536);
        DWORD vlen = sizeof value, dlen = (DWORD)data.size(), type = 0;
        if (RegEnumValueA(k, i, value, &vlen, nullptr, &type, data.data(), &dlen)) break;
        std::printf("  \"%s\" type %lu, %lu bytes:", value, (unsigned long)type, (unsigned long)dlen);
        for (DWORD b = 0; b < dlen; ++b) std::printf(" %02x", data[b]);
        std::printf("\n");
    }
    for (DWORD i = 0;; ++i) {
        char sub[256];
        DWORD len = sizeof sub;
        if (RegEnumKeyExA(k, i, sub, &len, nullptr, nullptr, nullptr, nullptr)) break;
        subs.push_back(sub);
    }
    for (const auto &s : subs) dump(k, s, path + "\\" + s);
    RegCloseKey(k);
}

}  // namespace

int main(int argc, char **argv)
{
#ifndef _WIN32
    emu::reg_set_sorted_values(true);  // enumerate values in Wine's order
#endif
    for (int i = 1; i < argc; ++i) {
#ifndef _WIN32
        std::string error;
        if (!std::strcmp(argv[i], "--load") && i + 1 < argc) {
            if (!emu::reg_load_file(argv[++i], &error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 2;
            }
            continue;
        }
        const char *formats[] = {"--save5", "--save5ansi", "--save4"};
        const emu::RegFileFormat values[] = {emu::RegFileFormat::Unicode5,
                                             emu::RegFileFormat::Unicode5Ansi,
                                             emu::RegFileFormat::Regedit4};
        bool saved = false;
        for (int f = 0; f < 3; ++f) {
            if (!std::strcmp(argv[i], formats[f]) && i + 1 < argc) {
                if (!emu::reg_save_file(argv[++i], values[f], {}, &error)) {
                    std::fprintf(stderr, "%s\n", error.c_str());
                    return 2;
                }
                saved = true;
            }
        }
        if (saved) continue;
#endif
        dump(HKEY_LOCAL_MACHINE, argv[i], argv[i]);
    }
    return 0;
}
