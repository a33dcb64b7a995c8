// Lays out a registry from fuzz bytes: keys, values, denials, faults, and configurations
// shaped as the tool writes them, so that short inputs reach deep into the store.
#include "registry_builder.h"

#include <algorithm>
#include <cstdio>

#include "registry_setup.h"
#include "registry_faults.h"
#include "reg_store.h"

namespace fuzz {

std::string key_path(uint8_t base, const std::string &rel)
{
    std::string path = BASE_KEYS[base % BASE_KEY_COUNT];
    std::string part;
    auto flush = [&] {
        if (part.empty())
            return;
        path += path.empty() ? part : "\\" + part;
        part.clear();
    };
    for (char c : rel) {
        if (c == '\\')
            flush();
        else
            part.push_back(c == '\0' ? '_' : c);
    }
    flush();
    return path;
}

static std::vector<uint8_t> bytes_of(const std::string &s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

static void note_names(Setup &setup, const std::string &path)
{
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        setup.longest_key_name = std::max(setup.longest_key_name, end - start);
        start = end + 1;
    }
}

static std::string number_name(const char *format, uint32_t n)
{
    char s[64];
    std::snprintf(s, sizeof s, format, static_cast<int>(n));
    return s;
}

// A board key with port keys as the writer leaves them, each detail of which the flags
// can leave out or bend.
static void put_board(Reader &in, Setup &setup)
{
    uint8_t nameByte = in.byte();
    std::string name = nameByte < 0x80 ? number_name("Board%d", nameByte % 6) : in.text();
    uint8_t busByte = in.byte();
    uint32_t bus = busByte < 250 ? busByte % 3 : in.dword();
    uint32_t io = in.word();
    uint32_t irq = in.byte();
    uint32_t ports = in.byte() % 65;
    uint32_t device = in.word();
    uint32_t com = in.word();
    uint8_t flags = in.byte();

    std::string board = key_path(1, name);
    note_names(setup, board);
    emu::reg_put_key(board);
    if (!(flags & 1))
        emu::reg_put_dword(board, Z4_VALUE_IOADDR, io);
    if (!(flags & 2))
        emu::reg_put_dword(board, Z4_VALUE_INTERRUPT, irq);
    if (!(flags & 4))
        emu::reg_put_dword(board, Z4_VALUE_BUSTYPE, bus);
    for (uint32_t p = 0; p < ports; ++p) {
        std::string port = board + number_name((flags & 64) ? "\\serial%d" : "\\Serial%d", device + p);
        emu::reg_put_key(port);
        if (!(flags & 16)) {
            std::string dos = number_name("COM%d ", com + p);
            if (flags & 8)
                emu::reg_put_sz(port, Z4_VALUE_DOSDEVICES, dos);
            else
                emu::reg_put_value(port, Z4_VALUE_DOSDEVICES, REG_SZ, bytes_of(dos));
        }
        if (!(flags & 32))
            emu::reg_put_dword(port, Z4_VALUE_PORTINDEX, (flags & 128) ? ports - 1 - p : p);
    }
}

// "Serial<n>" = "COM<m>" entries, as the serial drivers publish them.
static void put_device_map(Reader &in)
{
    uint32_t count = in.byte();
    uint32_t device = in.byte();
    uint32_t com = in.byte();
    for (uint32_t i = 0; i < count; ++i)
        emu::reg_put_sz(Z4_DEVICE_MAP_KEY, number_name("Serial%d", device + i),
                        number_name("COM%d", com + i));
}

// "\Device\Serial<n>.<suffix>" values, as the loaded driver claims its resources.
static void put_resource_map(Reader &in)
{
    uint32_t count = in.byte() % 128;
    uint32_t device = in.word();
    uint32_t each = 1 + in.byte() % 3;
    static const char *const suffixes[] = {".Raw", ".Translated", ".X"};
    for (uint32_t i = 0; i < count; ++i)
        for (uint32_t k = 0; k < each; ++k)
            emu::reg_put_value(Z4_RESOURCE_MAP_KEY,
                               number_name("\\Device\\Serial%d", device + i) + suffixes[k],
                               8 /* REG_RESOURCE_LIST */, {1, 0, 0, 0});
}

Setup build_registry(Reader &in)
{
    Setup setup;
    uint8_t flags = in.byte();
    setup.recursive_delete = flags & 1;
    emu::reg_set_recursive_delete(setup.recursive_delete);
    emu::reg_set_sorted_values(flags & 2);

    while (!in.done()) {
        uint8_t kind = in.byte() % RECORD_KINDS;
        if (kind == REC_USER)
            break;
        switch (kind) {
        case REC_KEY: {
            uint8_t base = in.byte();
            std::string path = key_path(base, in.text());
            note_names(setup, path);
            emu::reg_put_key(path);
            break;
        }
        case REC_VALUE: {
            uint8_t base = in.byte();
            std::string path = key_path(base, in.text());
            std::string name = in.text();
            std::replace(name.begin(), name.end(), '\0', '?');  // the A calls end names at a NUL
            uint8_t typeByte = in.byte();
            uint32_t type = VALUE_TYPES[typeByte % VALUE_TYPE_COUNT];
            if (type == 0xFFFFFFFF)
                type = in.dword();
            std::string data = in.text();
            note_names(setup, path);
            emu::reg_put_value(path, name, type, bytes_of(data));
            break;
        }
        case REC_DENY: {
            uint8_t base = in.byte();
            std::string path = key_path(base, in.text());
            emu::reg_deny(path);
            setup.denied.push_back(path);
            break;
        }
        case REC_INJECT: {
            InjectedFault f;
            f.call = FAULT_CALLS[in.byte() % FAULT_CALL_COUNT];
            uint8_t base = in.byte();
            f.key = key_path(base, in.text());
            f.name = in.text();
            f.code = FAULT_CODES[in.byte() % FAULT_CODE_COUNT];
            f.nth = in.byte() % 8;
            emu::reg_inject(f.call, f.key, f.name, f.code, f.nth);
            setup.faults.push_back(f);
            break;
        }
        case REC_BOARD:
            put_board(in, setup);
            break;
        case REC_DEVICE_MAP:
            put_device_map(in);
            break;
        case REC_RESOURCE_MAP:
            put_resource_map(in);
            break;
        }
    }
    return setup;
}

}  // namespace fuzz
