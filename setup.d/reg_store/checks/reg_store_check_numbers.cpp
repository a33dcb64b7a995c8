// Numbers the writer is about to give that another driver's port already has: a COM number or a
// Serial device number in the device map that does not belong to this driver as loaded.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board_model.h"
#include "reg_store.h"
#include "reg_store_keys.h"
#include "reg_store_kept.h"

// The device numbers the loaded driver owns, from the resource map; null (and 0) when it owns
// none or the map cannot be read. Freed by the caller.
static uint32_t *loadedZ4_devices(DWORD *count)
{
    *count = 0;
    if (Z4Kept.loadedRead) {
        // A copy of what the scan kept: the caller frees it.
        uint32_t *devices = Z4Kept.loadedCount ? static_cast<uint32_t *>(
                                                     std::calloc(Z4Kept.loadedCount, sizeof(uint32_t)))
                                               : nullptr;
        if (devices) {
            std::memcpy(devices, Z4Kept.loaded, Z4Kept.loadedCount * sizeof(uint32_t));
            *count = Z4Kept.loadedCount;
        }
        return devices;
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_RESOURCE_MAP_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    DWORD values = queryZ4_key_counts(key).values;
    uint32_t *devices =
        values ? static_cast<uint32_t *>(std::calloc(values, sizeof(uint32_t))) : nullptr;
    for (DWORD i = 0; devices && i < values; ++i) {
        MapValue value;
        readZ4_map_value(key, i, 100, nullptr, 0, &value);
        bool numbered;
        uint32_t device;
        if (loadedZ4_device_number(value.name, &numbered, &device) && numbered)
            devices[(*count)++] = device;
    }
    RegCloseKey(key);
    return devices;
}

static bool ownedZ4_device(const uint32_t *devices, DWORD count, uint32_t device)
{
    for (DWORD i = 0; i < count; ++i)
        if (devices[i] == device)
            return true;
    return false;
}

// The port (counted from 0 in the writer's order) that gets `number`, when one of `ports` ports
// counted from `first` does; the numbers wrap as the writer's do.
static bool assignedZ4_port(uint32_t first, uint32_t ports, uint32_t number, uint32_t *port)
{
    *port = number - first;
    return *port < ports;
}

// The device map that cannot be read is a collision of its own: what it holds cannot be checked.
static bool unreadZ4_device_map(const char *call, LONG rc, Z4Collision *collision)
{
    collision->isCom = true;
    std::snprintf(collision->text, sizeof collision->text,
                  "The device map cannot be read (%s = %d): the numbers other drivers' ports "
                  "use cannot be checked.",
                  call, static_cast<int>(rc));
    return true;
}

// The first collision in the device map, in the writer's port order; at one port its COM number
// first. False when there is none or there is no map (no port at all).
static bool findZ4_device_map_collision(uint32_t ports, uint32_t *bestPort, Z4Collision *collision)
{
    // The scan's reading where it kept one, else the map once more.
    const bool kept = Z4Kept.deviceMapRead;
    HKEY key = nullptr;
    if (kept && !Z4Kept.deviceMapOpened)
        return false;
    if (!kept) {
        LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_DEVICE_MAP_KEY, 0, KEY_READ, &key);
        if (rc == ERROR_FILE_NOT_FOUND)
            return false;
        if (rc != ERROR_SUCCESS)
            return unreadZ4_device_map("RegOpenKeyEx", rc, collision);
    }
    KeyCounts counts = {};
    if (!kept && (counts = queryZ4_key_counts(key)).rc != ERROR_SUCCESS) {
        RegCloseKey(key);
        return unreadZ4_device_map("RegQueryInfoKey", counts.rc, collision);
    }
    DWORD owned;
    uint32_t *devices = loadedZ4_devices(&owned);
    uint32_t firstDevice = SerialMaxNum + 1, firstCom = COMMaxNum + 1;

    bool found = false;
    DWORD values = kept ? Z4Kept.deviceMapCount : counts.values;
    for (DWORD i = 0; i < values; ++i) {
        MapValue read;
        if (!kept)
            readZ4_map_value(key, i, 100, nullptr, 0, &read);
        const MapValue &value = kept ? Z4Kept.deviceMap[i] : read;
        uint32_t device, com, port;
        bool serial = serialZ4_device_number(value, &device);
        if (serial && ownedZ4_device(devices, owned, device))
            continue;  // the driver's own port, about to be replaced
        bool hasCom = comZ4_number(value, &com);
        if (hasCom && assignedZ4_port(firstCom, ports, com, &port) &&
            (!found || port < *bestPort || (port == *bestPort && !collision->isCom))) {
            found = true;
            *bestPort = port;
            collision->isCom = true;
            std::snprintf(collision->text, sizeof collision->text, "COM%u is already used by %s.",
                          com, value.name);
        }
        if (serial && assignedZ4_port(firstDevice, ports, device, &port) && (!found || port < *bestPort)) {
            found = true;
            *bestPort = port;
            collision->isCom = false;
            std::snprintf(collision->text, sizeof collision->text, "Serial%u is already used by %.*s.",
                          device, hasCom ? static_cast<int>(value.dataLength) : 13,
                          hasCom ? reinterpret_cast<const char *>(value.data) : "another driver");
        }
    }
    std::free(devices);
    if (key)
        RegCloseKey(key);
    return found;
}

bool findZ4_collision(Z4Collision *collision)
{
    collision->slot = -1;
    collision->isInterrupt = false;
    uint32_t ports = 0;
    for (int b = 0; b < Z4_SLOTS; ++b)
        if (slotZ4_written(b))
            ports += CurrentZ4config[b].NumPorts;
    if (ports == 0)
        return false;
    uint32_t bestPort = 0;
    bool found = findZ4_device_map_collision(ports, &bestPort, collision);

    // A number the COM port database holds for a device that is absent now: the device map does
    // not show it, yet that device gets it back when it is plugged in again.
    ComDBFault fault;
    ComDBUsage *usage = readZ4_comdb_usage(&fault);
    if (!found && fault.call) {
        found = true;
        collision->isCom = true;
        std::snprintf(collision->text, sizeof collision->text,
                      "The COM port database cannot be read (%s = %d): the numbers it holds for "
                      "other devices cannot be checked.",
                      fault.call, static_cast<int>(fault.rc));
    }
    uint32_t last = found ? bestPort : ports - 1;
    for (uint32_t port = 0; usage && port <= last; ++port) {
        uint32_t com = COMMaxNum + 1 + port;
        if (!reservedZ4_elsewhere(usage, com) || (found && port == bestPort && collision->isCom))
            continue;
        found = true;
        collision->isCom = true;
        std::snprintf(collision->text, sizeof collision->text,
                      "COM%u is reserved in the COM port database for another device.", com);
        break;
    }
    std::free(usage);
    return found;
}
