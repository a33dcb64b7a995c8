// The system port scan: device and COM numbers in use, and those of the driver as loaded.
#include <cstring>

#include "board_model.h"
#include "reg_store_keys.h"
#include "reg_store.h"
#include "z4setup_report.h"

// Number of resource-map values that name a serial device; lives while the scan runs.
static uint32_t LoadedDeviceEntryCount;

// One value of an open key: name (never longer than its buffer) and the data bytes it holds.
// Both buffers are emptied first, so a failed call leaves nothing of an earlier entry.
static LONG enumZ4_value(HKEY key, DWORD index, char (&name)[80], DWORD &nameLength, BYTE *data,
                         DWORD dataSize, DWORD &dataLength)
{
    std::memset(name, 0, sizeof name);
    std::memset(data, 0, dataSize);
    nameLength = sizeof name;
    dataLength = dataSize;
    LONG rc = RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, data, &dataLength);
    name[sizeof name - 1] = '\0';
    if (dataLength > dataSize)
        dataLength = dataSize;
    if (name[0] == '\0')
        std::strcpy(name, "<NO NAME>");
    return rc;
}

static void showZ4_enum_error(const char *format, int line, DWORD index, LONG rc,
                              DWORD nameLength)
{
    char text[1025];
    wsprintfA(text, format, line, static_cast<int>(index), static_cast<int>(rc),
              static_cast<int>(nameLength));
    z4report(nullptr, text, "ERROR", MB_OK);
}

// One of the two maps opened for reading; access denied is reported with `deniedText`, any
// other failure (the key is absent) passes in silence.
static bool openZ4_map(const char *path, const char *deniedText, HKEY *key)
{
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key);
    if (rc == ERROR_ACCESS_DENIED)
        z4report(nullptr, deniedText, "ERROR", MB_OK);
    return rc == ERROR_SUCCESS;
}

// A resource-map name "\Device\Serial<n>.<suffix>" counts as a device entry; the number is
// taken only when the point lies within positions 12 to 17.
static void countZ4_loaded_device(const char *name)
{
    if (std::strncmp(name, "\\Device\\Serial", 12) != 0 &&
        std::strncmp(name, "\\Device\\serial", 12) != 0)
        return;
    ++LoadedDeviceEntryCount;
    size_t length = std::strlen(name);
    for (size_t p = 12; p <= 17 && p < length; ++p) {
        if (name[p] == '.') {
            uint32_t device = number_at(name, length, 14);
            if (device > LoadedSerialMaxNum)
                LoadedSerialMaxNum = device;
            return;
        }
    }
}

static void scanZ4_resource_map()
{
    HKEY key;
    if (!openZ4_map(Z4_RESOURCE_MAP_KEY,
                    "Error: Unable to open LOADED SERIAL DRIVER serialz4 key."
                    "Probably due to security reasons.",
                    &key))
        return;

    DWORD values = queryZ4_key_counts(key).values;
    for (DWORD i = 0; i < values; ++i) {
        char name[80];
        BYTE data[100];
        DWORD nameLength, dataLength;
        LONG rc = enumZ4_value(key, i, name, nameLength, data, sizeof data, dataLength);
        if (rc != ERROR_SUCCESS && rc != ERROR_INSUFFICIENT_BUFFER)
            showZ4_enum_error("EnumValue Line:%d 0 based index = %d, retValue = %d, ValueLen = %d",
                              1311, i, rc, nameLength);
        countZ4_loaded_device(name);
    }
    RegCloseKey(key);
}

// The device map names "Serial<n>" devices with "COM<n>" data; returns false when the key
// could not be opened, which also rules out the adjustment.
static bool scanZ4_device_map()
{
    HKEY key;
    if (!openZ4_map(Z4_DEVICE_MAP_KEY,
                    "Error:Unable to open SERIALCOMM key.Probably due to security reasons.", &key))
        return false;

    DWORD values = queryZ4_key_counts(key).values;
    for (DWORD i = 0; i < values; ++i) {
        char name[80];
        BYTE data[10];
        DWORD nameLength, dataLength;
        LONG rc = enumZ4_value(key, i, name, nameLength, data, sizeof data, dataLength);
        if (rc != ERROR_SUCCESS && rc != ERROR_INSUFFICIENT_BUFFER)
            showZ4_enum_error("Line:%d 0 based index = %d, retValue = %d, ValueLen = %d", 1405, i,
                              rc, nameLength);
        if (std::strncmp(name, "Serial", 6) == 0 || std::strncmp(name, "serial", 6) == 0) {
            uint32_t device = number_at(name, std::strlen(name), 6);
            if (device > SerialMaxNum)
                SerialMaxNum = device;
        }
        // The data need not end in a NUL: only the bytes a successful call stored count.
        const char *text = reinterpret_cast<const char *>(data);
        size_t textLength = rc == ERROR_SUCCESS ? strnlen(text, dataLength) : 0;
        if (textLength >= 3 && std::strncmp(text, "COM", 3) == 0) {
            uint32_t com = number_at(text, textLength, 3);
            if (com > COMMaxNum)
                COMMaxNum = com;
        }
    }
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
