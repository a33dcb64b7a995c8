// The system port scan: device and COM numbers in use, and those of the driver as loaded.
#include <cstring>

#include "board_model.h"
#include <cstdlib>

#include "reg_store_keys.h"
#include "reg_store_kept.h"
#include "reg_store.h"
#include "z4setup_report.h"

// Number of resource-map values that name a serial device; lives while the scan runs.
static uint32_t LoadedDeviceEntryCount;

// One of the two maps opened for reading; access denied is reported with `deniedText`, any
// other failure (the key is absent) passes in silence.
static bool openZ4_map(const char *path, const char *deniedText, HKEY *key, LONG *result = nullptr)
{
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key);
    if (rc == ERROR_ACCESS_DENIED)
        reportZ4_text(nullptr, deniedText, "ERROR", MB_OK);
    if (result)
        *result = rc;
    return rc == ERROR_SUCCESS;
}

// A resource-map name "\Device\Serial<n>.<suffix>" counts as a device entry; the number is
// taken only when the point lies within positions 12 to 17.
static void countZ4_loaded_device(const char *name)
{
    bool numbered;
    uint32_t device;
    if (!loadedZ4_device_number(name, &numbered, &device))
        return;
    ++LoadedDeviceEntryCount;
    if (numbered && device > LoadedSerialMaxNum)
        LoadedSerialMaxNum = device;
}

static void scanZ4_resource_map()
{
    // A scan keeps its own reading only: one kept by an earlier scan goes.
    std::free(Z4Kept.loaded);
    Z4Kept.loaded = nullptr;
    Z4Kept.loadedCount = 0;
    Z4Kept.loadedRead = false;
    HKEY key;
    if (!openZ4_map(Z4_RESOURCE_MAP_KEY,
                    "Error: Unable to open LOADED SERIAL DRIVER serialz4 key."
                    "Probably due to security reasons.",
                    &key))
        return;

    KeyCounts counts = queryZ4_key_counts(key);
    DWORD values = counts.values;
    // The collision check needs the devices of the driver as loaded: they are kept for it, unless
    // they could not be counted.
    uint32_t *loaded = Z4Kept.on && values ? static_cast<uint32_t *>(std::calloc(values, sizeof(uint32_t)))
                                           : nullptr;
    Z4Kept.loadedRead = Z4Kept.on && counts.rc == ERROR_SUCCESS && (loaded || !values);
    for (DWORD i = 0; i < values; ++i) {
        MapValue value;
        readZ4_map_value(key, i, 100,
                         "EnumValue Line:%d 0 based index = %d, retValue = %d, ValueLen = %d", 1311,
                         &value);
        countZ4_loaded_device(value.name);
        bool numbered;
        uint32_t device;
        if (loaded && loadedZ4_device_number(value.name, &numbered, &device) && numbered)
            loaded[Z4Kept.loadedCount++] = device;
    }
    Z4Kept.loaded = loaded;
    RegCloseKey(key);
}

// The device map names "Serial<n>" devices with "COM<n>" data; returns false when the key
// could not be opened, which also rules out the adjustment.
static bool scanZ4_device_map()
{
    std::free(Z4Kept.deviceMap);
    Z4Kept.deviceMap = nullptr;
    Z4Kept.deviceMapCount = 0;
    HKEY key;
    LONG rc;
    Z4Kept.deviceMapRead = Z4Kept.on;
    if (!openZ4_map(Z4_DEVICE_MAP_KEY,
                    "Error:Unable to open SERIALCOMM key.Probably due to security reasons.", &key, &rc)) {
        // Only a map that is not there holds no port; one that failed otherwise is read again
        // by the collision check, which refuses what it cannot read.
        Z4Kept.deviceMapRead = Z4Kept.on && rc == ERROR_FILE_NOT_FOUND;
        return false;
    }
    Z4Kept.deviceMapOpened = true;

    KeyCounts counts = queryZ4_key_counts(key);
    DWORD values = counts.values;
    // Kept for the collision check, which reads them with more room: only when each one was read
    // whole in this one's.
    MapValue *kept = Z4Kept.on && values ? static_cast<MapValue *>(std::calloc(values, sizeof(MapValue)))
                                         : nullptr;
    if ((values && !kept) || counts.rc != ERROR_SUCCESS)
        Z4Kept.deviceMapRead = false;
    for (DWORD i = 0; i < values; ++i) {
        MapValue scratch;
        MapValue &value = kept ? kept[i] : scratch;
        rc = readZ4_map_value(key, i, 10, "Line:%d 0 based index = %d, retValue = %d, ValueLen = %d",
                              1405, &value);
        if (rc != ERROR_SUCCESS)
            Z4Kept.deviceMapRead = false;
        uint32_t device;
        if (serialZ4_device_number(value, &device) && device > SerialMaxNum)
            SerialMaxNum = device;
        uint32_t com;
        if (comZ4_number(value, &com) && com > COMMaxNum)
            COMMaxNum = com;
    }
    Z4Kept.deviceMap = kept;
    Z4Kept.deviceMapCount = kept ? values : 0;
    RegCloseKey(key);
    return true;
}

void getZ4_port_numbers()
{
    SerialMaxNum = 0;
    COMMaxNum = 1;
    LoadedSerialMaxNum = 0;
    LoadedDeviceEntryCount = 0;

    scanZ4_resource_map();
    if (!scanZ4_device_map())
        return;

    // The driver's own devices appear in the device map too; when the highest device there is
    // the driver's, its ports (two resource entries each) are numbered afresh.
    if (LoadedSerialMaxNum == SerialMaxNum) {
        uint32_t ports = LoadedDeviceEntryCount / 2;
        SerialMaxNum -= ports;
        COMMaxNum -= ports;
    }
}
