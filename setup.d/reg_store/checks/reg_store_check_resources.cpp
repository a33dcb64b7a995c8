// Interrupts and I/O ports another driver holds, from the resource map every loaded driver
// publishes: an ISA board can share its interrupt with no other device (ISA interrupts are
// edge-triggered) and must decode no port another device decodes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board_model.h"
#include "reg_store.h"
#include "reg_store_keys.h"

#define Z4_RESOURCE_MAP_ROOT "HARDWARE\\RESOURCEMAP"
#define Z4_OWN_RESOURCES "LOADED SERIAL DRIVER RESOURCES\\serialz4"

enum : BYTE { CM_PORT = 1, CM_INTERRUPT = 2, CM_DEVICE_SPECIFIC = 5 };

static uint32_t u32Z4_at(const BYTE *p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// The kernel writes the lists in its own layout: a 64-bit kernel's partial descriptors are 20
// bytes (an 8-byte affinity in the union), also for a 32-bit program under WOW64.
typedef BOOL(WINAPI *IsWow64ProcessCall)(HANDLE, BOOL *);
bool kernelZ4_is_64bit()
{
#ifdef _WIN64
    return true;
#else
    // Windows NT 4.0 and 2000 have no IsWow64Process: their kernel is 32-bit. kernel32 is loaded
    // in every process, so this names no file to load.
    IsWow64ProcessCall isWow64 = lateZ4_function<IsWow64ProcessCall>("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
#endif
}

bool findZ4_list_conflict(const BYTE *data, size_t length, bool wide, const Z4IsaUse &use,
                          Z4ResourceHit *hit)
{
    const size_t partial = wide ? 20 : 16;
    if (length < 4)
        return false;
    uint32_t fulls = u32Z4_at(data);
    size_t p = 4;
    // A count or size that runs past the value ends the list there: what was whole is checked.
    for (uint32_t f = 0; f < fulls && length - p >= 16; ++f) {
        uint32_t partials = u32Z4_at(data + p + 12);
        p += 16;
        for (uint32_t k = 0; k < partials; ++k) {
            if (length - p < partial)
                return false;
            const BYTE *d = data + p;
            p += partial;
            if (d[0] == CM_INTERRUPT && use.interrupt) {
                // A 64-bit kernel keeps a processor group in the level's high half.
                uint32_t level = wide ? (u32Z4_at(d + 4) & 0xFFFF) : u32Z4_at(d + 4);
                if (level == use.interrupt) {
                    *hit = {true, level, 0, 0, 0, use.firstSlot};
                    return true;
                }
            } else if (d[0] == CM_PORT && u32Z4_at(d + 8) == 0 && u32Z4_at(d + 12) != 0) {
                uint64_t start = u32Z4_at(d + 4), last = start + u32Z4_at(d + 12) - 1;
                for (int b = 0; b < use.boards; ++b) {
                    // One port in common is enough.
                    if (start <= use.ioAddr[b] + 7u && last >= use.ioAddr[b]) {
                        *hit = {false, 0, use.ioAddr[b], static_cast<uint32_t>(start),
                                static_cast<uint32_t>(last > 0xFFFFFFFFu ? 0xFFFFFFFFu : last),
                                use.slot[b]};
                        return true;
                    }
                }
            } else if (d[0] == CM_DEVICE_SPECIFIC) {
                // Its data follows the descriptor, and the next full descriptor follows that.
                uint32_t size = u32Z4_at(d + 4);
                if (size > length - p)
                    return false;
                p += size;
            }
        }
    }
    return false;
}

bool usedZ4_by_isa_boards(Z4IsaUse *use)
{
    std::memset(use, 0, sizeof *use);
    for (int b = 0; b < Z4_SLOTS; ++b) {
        if (!slotZ4_written(b) || CurrentZ4config[b].BusType != BUS_ISA)
            continue;
        if (!use->any)
            use->firstSlot = b;
        use->any = true;
        use->interrupt = CurrentZ4config[b].Interrupt;
        // A board without an address decodes none.
        if (CurrentZ4config[b].IOAddr) {
            use->slot[use->boards] = b;
            use->ioAddr[use->boards++] = CurrentZ4config[b].IOAddr;
        }
    }
    return use->any;
}

static bool endsZ4_in_raw(const char *name, size_t length)
{
    return length >= 4 && sameZ4_key_name(name + length - 4, ".raw");
}

// Every ".Raw" value of one driver's key; true at the first conflict, with its text.
static bool conflictZ4_in_driver(HKEY driver, const char *path, const Z4IsaUse &use, bool wide,
                                 Z4Collision *conflict)
{
    KeyCounts counts = queryZ4_key_counts(driver);
    if (counts.values == 0)
        return false;
    DWORD longestName = counts.longestValueName, longestData = counts.longestValue;
    char *name = static_cast<char *>(std::malloc(longestName + 1));
    BYTE *data = static_cast<BYTE *>(std::malloc(longestData + 1));
    bool found = false;
    for (DWORD v = 0; name && data && !found && v < counts.values; ++v) {
        DWORD nameLength = longestName + 1, dataLength = longestData, type = 0;
        if (RegEnumValueA(driver, v, name, &nameLength, nullptr, &type, data, &dataLength) !=
                ERROR_SUCCESS ||
            type != REG_RESOURCE_LIST || !endsZ4_in_raw(name, nameLength))
            continue;
        Z4ResourceHit hit;
        if (!findZ4_list_conflict(data, dataLength, wide, use, &hit))
            continue;
        found = true;
        int device = static_cast<int>(nameLength - 4);
        if (hit.isInterrupt)
            std::snprintf(conflict->text, sizeof conflict->text,
                          "Interrupt %u is already used by %.*s (%s).", hit.interrupt, device, name, path);
        else
            std::snprintf(conflict->text, sizeof conflict->text,
                          "IOAddr %X overlaps the I/O ports %X-%X of %.*s (%s).", hit.ioAddr, hit.first,
                          hit.last, device, name, path);
        conflict->isCom = false;
        conflict->slot = hit.slot;
        conflict->isInterrupt = hit.isInterrupt;
    }
    std::free(name);
    std::free(data);
    return found;
}

bool findZ4_resource_conflict(Z4Collision *conflict)
{
    Z4IsaUse use;
    if (!usedZ4_by_isa_boards(&use))
        return false;
    bool found = false;
    inZ4_key(HKEY_LOCAL_MACHINE, Z4_RESOURCE_MAP_ROOT, [&](HKEY map) {
        const bool wide = kernelZ4_is_64bit();
        eachZ4_subkey(map, Z4_SILENT, [&](const SubkeyName &group) {
            if (found)
                return;
            inZ4_key(map, group.name, [&](HKEY groupKey) {
                eachZ4_subkey(groupKey, Z4_SILENT, [&](const SubkeyName &driver) {
                    char path[2 * Z4_SUBKEY_NAME_MAX_CHARS + 2];
                    std::snprintf(path, sizeof path, "%s\\%s", group.name, driver.name);
                    // The driver as loaded holds what it is about to be given back.
                    if (found || sameZ4_key_name(path, Z4_OWN_RESOURCES))
                        return;
                    inZ4_key(groupKey, driver.name, [&](HKEY driverKey) {
                        found = conflictZ4_in_driver(driverKey, path, use, wide, conflict);
                    });
                });
            });
        });
    });
    return found;
}
