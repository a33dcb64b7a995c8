// Writes the seed corpus: registries from .reg files (scenarios, fixtures) and hand-made
// ones, each followed by a short user session, in the fuzz input format.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "registry_setup.h"
#include "reg_file.h"
#include "fuzz_format.h"
#include "reg_store.h"
#include "registry_snapshot.h"

namespace fs = std::filesystem;
using fuzz::Writer;

static void encode_value_type(Writer &w, uint32_t type)
{
    for (size_t i = 0; i + 1 < fuzz::VALUE_TYPE_COUNT; ++i)
        if (fuzz::VALUE_TYPES[i] == type) {
            w.byte(static_cast<uint8_t>(i));
            return;
        }
    w.byte(static_cast<uint8_t>(fuzz::VALUE_TYPE_COUNT - 1));
    w.dword(type);
}

// The emulated registry as it stands, as key and value records below the root.
static void encode_registry(Writer &w)
{
    for (const auto &[path, key] : fuzz::take_picture()) {
        w.byte(fuzz::REC_KEY);
        w.byte(0);
        w.text(key.stored);
        for (const auto &v : key.values) {
            w.byte(fuzz::REC_VALUE);
            w.byte(0);
            w.text(key.stored);
            w.text(v.name);
            encode_value_type(w, v.type);
            w.text(std::string(v.data.begin(), v.data.end()));
        }
    }
}

static void save(const fs::path &dir, const std::string &name, const Writer &w)
{
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char *>(w.out.data()), static_cast<std::streamsize>(w.out.size()));
}

// Board 1 ISA with `ports` ports at the first free numbers, then Ok.
static void session_ok(Writer &w, uint8_t ports_text_len, const char *ports)
{
    w.byte(fuzz::REC_USER);
    w.byte(fuzz::ACT_PORTS);
    w.byte(0);
    w.byte(ports_text_len);
    for (uint8_t i = 0; i < ports_text_len; ++i)
        w.byte(static_cast<uint8_t>(ports[i]));
    w.byte(fuzz::ACT_OK);
    w.byte(0);
}

static void board(Writer &w, uint8_t number, uint8_t bus, uint16_t io, uint8_t irq, uint8_t ports,
                  uint16_t device, uint16_t com, uint8_t flags, const std::string &name = "",
                  uint32_t odd_bus = 0)
{
    w.byte(fuzz::REC_BOARD);
    w.byte(number);
    if (number >= 0x80)
        w.text(name);
    w.byte(bus);
    if (bus >= 250)
        w.dword(odd_bus);
    w.word(io);
    w.byte(irq);
    w.byte(ports);
    w.word(device);
    w.word(com);
    w.byte(flags);
}

static void device_map(Writer &w, uint8_t count, uint8_t device, uint8_t com)
{
    w.byte(fuzz::REC_DEVICE_MAP);
    w.byte(count);
    w.byte(device);
    w.byte(com);
}

static void hand_made(const fs::path &dir)
{
    {  // the typical run: COM1 and COM2 in use, no configuration, 8 ports on board 1
        Writer w;
        w.byte(0);
        device_map(w, 2, 0, 1);
        w.byte(fuzz::REC_KEY);
        w.byte(4);
        w.text("");
        session_ok(w, 1, "8");
        save(dir, "typical_run", w);
    }
    {  // four boards of 64 ports read back and rewritten
        Writer w;
        w.byte(0);
        device_map(w, 2, 0, 1);
        for (uint8_t b = 0; b < 4; ++b)
            board(w, static_cast<uint8_t>(b + 1), b % 2 ? 2 : 1, b % 2 ? 0 : 0x308 + 16 * b, 10, 64,
                  static_cast<uint16_t>(3 + 64 * b), static_cast<uint16_t>(3 + 64 * b), 0);
        w.byte(fuzz::REC_USER);
        w.byte(fuzz::ACT_OK);
        w.byte(0);
        save(dir, "four_boards_of_64", w);
    }
    {  // a loaded driver owning devices 2 to 9, two resource entries each
        Writer w;
        w.byte(0);
        device_map(w, 10, 0, 1);
        w.byte(fuzz::REC_RESOURCE_MAP);
        w.byte(8);
        w.word(2);
        w.byte(1);
        board(w, 1, 1, 0x308, 10, 8, 2, 3, 0);
        session_ok(w, 2, "16");
        save(dir, "loaded_driver", w);
    }
    {  // old board keys with missing values, odd names, a fifth and sixth board key
        Writer w;
        w.byte(0);
        board(w, 3, 1, 0x340, 9, 16, 11, 13, 2 | 4);
        board(w, 0x80, 250, 0x200, 5, 4, 100, 200, 8 | 64,
              "board with a long name past the twenty characters of the list", 7);
        board(w, 5, 2, 0, 0, 3, 40, 40, 16 | 32 | 128);
        board(w, 0, 1, 0x310, 11, 2, 50, 50, 1);
        board(w, 4, 1, 0x318, 11, 1, 60, 60, 0);
        w.byte(fuzz::REC_VALUE);
        w.byte(1);
        w.text("");
        w.text("Interrupt");
        w.byte(1);
        w.text(std::string("\x05\0\0\0", 4));
        w.byte(fuzz::REC_USER);
        w.byte(fuzz::ACT_BUS);
        w.byte(1);
        w.byte(2);
        w.byte(fuzz::ACT_PORTS);
        w.byte(1);
        w.byte(2);
        w.byte('3');
        w.byte('2');
        w.byte(fuzz::ACT_OK);
        w.byte(0);
        save(dir, "odd_old_boards", w);
    }
    {  // denied keys and failing calls along the way
        Writer w;
        w.byte(0);
        board(w, 1, 1, 0x308, 10, 4, 3, 3, 0);
        w.byte(fuzz::REC_DENY);
        w.byte(6);
        w.text("");
        w.byte(fuzz::REC_INJECT);
        w.byte(3);  // RegEnumKeyExA
        w.byte(1);
        w.text("");
        w.text("");
        w.byte(7);  // 259
        w.byte(2);
        w.byte(fuzz::REC_INJECT);
        w.byte(6);  // RegSetValueExA
        w.byte(0);
        w.text("");
        w.text("PortIndex");
        w.byte(1);  // 5
        w.byte(3);
        session_ok(w, 1, "4");
        save(dir, "denied_and_failing", w);
    }
    {  // an existing Ports entry too long for the writer's buffer, and one with other settings
        Writer w;
        w.byte(0);
        w.byte(fuzz::REC_VALUE);
        w.byte(4);
        w.text("");
        w.text("COM3:");
        w.byte(0);
        w.text(std::string(60, '9') + std::string(1, '\0'));
        w.byte(fuzz::REC_VALUE);
        w.byte(4);
        w.text("");
        w.text("COM4:");
        w.byte(0);
        w.text(std::string("19200,e,7,2\0", 12));
        device_map(w, 2, 0, 1);
        session_ok(w, 1, "4");
        save(dir, "ports_entries_kept", w);
    }
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [REG_FILE_OR_DIR...]\n", argv[0]);
        return 2;
    }
    fs::path dir = argv[1];
    fs::create_directories(dir);
    hand_made(dir);
    int made = 0;
    for (int i = 2; i < argc; ++i) {
        std::vector<fs::path> files;
        if (fs::is_directory(argv[i])) {
            for (const auto &e : fs::recursive_directory_iterator(argv[i]))
                if (e.is_regular_file() && e.path().extension() == ".reg")
                    files.push_back(e.path());
        } else {
            files.push_back(argv[i]);
        }
        for (const auto &file : files) {
            emu::reg_reset();
            std::string error;
            if (!emu::reg_load_file(file.string(), &error))
                continue;  // files that exist to be refused make no seed
            Writer w;
            w.byte(0);
            encode_registry(w);
            w.byte(fuzz::REC_USER);
            w.byte(fuzz::ACT_OK);
            w.byte(0);
            std::string name = "reg_" + file.parent_path().filename().string() + "_" + file.stem().string();
            save(dir, name, w);
            ++made;
        }
    }
    std::printf("%d seeds from .reg files and 6 hand-made ones in %s\n", made, dir.c_str());
    return 0;
}
