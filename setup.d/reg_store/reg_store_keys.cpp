// Counts and subkey names, subkeys opened by index and keys created, for the whole store.
#include "reg_store_keys.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "reg_store.h"
#include "z4setup_report.h"
#include "z4setup_trace.h"

void freeZ4_subkey_names(SubkeyNames &list)
{
    std::free(list.names);
    list.names = nullptr;
    list.count = 0;
}

bool sameZ4_key_name(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        int ca = std::tolower(static_cast<unsigned char>(*a));
        int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb)
            return false;
        if (ca == 0)
            return true;
    }
}

KeyCounts queryZ4_key_counts(HKEY key)
{
    // No class is asked for: nothing uses it, and a long one would fail the whole query (234).
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0, longestValue = 0;
    LONG rc = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr,
                               &values, &longestValueName, &longestValue, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        return {rc, 0, 0, 0, 0, 0};
    return {rc, subkeys, longestSubkey, values, longestValueName, longestValue};
}

LONG enumZ4_subkey(HKEY key, DWORD index, char (&name)[Z4_SUBKEY_NAME_MAX_CHARS])
{
    DWORD size = Z4_SUBKEY_NAME_CHARS;
    name[0] = '\0';
    LONG rc = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
        size = sizeof name;
        name[0] = '\0';
        rc = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    }
    name[sizeof name - 1] = '\0';
    return rc;
}

// The "EnumValue Line:..." box of the name lists, for an index that gave no name.
static void reportZ4_enumeration(int line, DWORD index, LONG rc)
{
    if (line == Z4_SILENT)
        return;
    char text[1025];
    wsprintfA(text, "EnumValue Line:%d 0 based index = %d, retValue = %d, ValueLen = %d", line,
              static_cast<int>(index), static_cast<int>(rc), Z4_VALUE_NAME_CHARS);
    reportZ4_text(nullptr, text, "ERROR", MB_OK);
}

SubkeyNames collectZ4_subkey_names(HKEY key, DWORD count, int line)
{
    // calloc checks the size for overflow; without room nothing is collected, so nothing
    // is deleted, and the list says it is not whole.
    SubkeyNames list = {nullptr, 0, true};
    if (count)
        list.names = static_cast<SubkeyName *>(std::calloc(count, sizeof(SubkeyName)));
    if (!list.names) {
        list.whole = count == 0;
        if (!list.whole)
            reportZ4_enumeration(line, 0, ERROR_NOT_ENOUGH_MEMORY);
        return list;
    }
    for (DWORD i = 0; i < count; ++i) {
        SubkeyName &entry = list.names[list.count];
        LONG rc = enumZ4_subkey(key, i, entry.name);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS && rc != ERROR_INSUFFICIENT_BUFFER) {
            list.whole = false;
            reportZ4_enumeration(line, i, rc);
            continue;
        }
        if (entry.name[0] == '\0')
            continue;
        entry.index = i;
        ++list.count;
    }
    return list;
}

LONG queryZ4_value(HKEY key, const char *name, DWORD room, Stored *value)
{
    *value = {};
    value->capacity = room < sizeof value->data ? room : sizeof value->data;
    value->type = REG_NONE;
    value->length = value->capacity;
    LONG rc = RegQueryValueExA(key, name, nullptr, &value->type, value->data, &value->length);
    value->present = rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
    return rc;
}

LONG deleteZ4_with_subkeys(HKEY parent, const char *name)
{
    inZ4_key(parent, name, [](HKEY key) {
        eachZ4_subkey(key, Z4_SILENT, [key](const SubkeyName &sub) { RegDeleteKeyA(key, sub.name); });
    });
    return RegDeleteKeyA(parent, name);
}

SubkeyNames collectZ4_subkeys(HKEY key, int line)
{
    KeyCounts counts = queryZ4_key_counts(key);
    if (counts.rc == ERROR_SUCCESS)
        return collectZ4_subkey_names(key, counts.subkeys, line);
    if (line != Z4_SILENT) {
        char text[1025];
        wsprintfA(text, "RegQueryInfoKey Line:%d retValue = %d", line, static_cast<int>(counts.rc));
        reportZ4_text(nullptr, text, "ERROR", MB_OK);
    }
    return {nullptr, 0, false};
}

void showZ4_read_error(const char *format, int line, DWORD index, LONG rc)
{
    wsprintfA(TraceBuffer, format, line, static_cast<int>(index), static_cast<int>(rc));
    reportZ4_text(nullptr, TraceBuffer, "ERROR", MB_OK);
}

SubkeyOpen openZ4_subkey_at(HKEY parent, DWORD index, char (&name)[Z4_SUBKEY_NAME_MAX_CHARS],
                            HKEY *key, int line)
{
    LONG rc = enumZ4_subkey(parent, index, name);
    if (rc == ERROR_NO_MORE_ITEMS)
        return Z4_SUBKEY_END;
    if (rc != ERROR_SUCCESS && rc != ERROR_INSUFFICIENT_BUFFER) {
        showZ4_read_error("EnumValue Line:%d 0 based index = %d, retValue = %d", line, index, rc);
        return Z4_SUBKEY_SKIPPED;  // a name the call did not deliver is never opened
    }
    if (name[0] == '\0')
        return Z4_SUBKEY_SKIPPED;
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, key) != ERROR_SUCCESS)
        return Z4_SUBKEY_UNOPENED;
    return Z4_SUBKEY_OPENED;
}

LONG createZ4_key(const char *path, const char *what, int line, HKEY *key)
{
    DWORD disposition;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, key, &disposition);
    if (rc == ERROR_SUCCESS)
        return rc;
    char text[1025];
    if (rc == ERROR_ACCESS_DENIED)
        wsprintfA(text, "Error: unable to create|open %s key.  Probably due to security reasons.",
                  what);
    else
        wsprintfA(text, "Error: Unable to create|open %s key, RegOpenKey = %d, Line = %d", what,
                  static_cast<int>(rc), line);
    reportZ4_text(nullptr, text, "", MB_OK);
    return rc;
}

LONG readZ4_map_value(HKEY key, DWORD index, DWORD dataSize, const char *format, int line,
                      MapValue *value)
{
    std::memset(value, 0, sizeof *value);
    if (dataSize > sizeof value->data)
        dataSize = sizeof value->data;
    value->nameLength = sizeof value->name;
    DWORD dataLength = dataSize;
    LONG rc = RegEnumValueA(key, index, value->name, &value->nameLength, nullptr, nullptr,
                            value->data, &dataLength);
    value->name[sizeof value->name - 1] = '\0';
    // The data need not end in a NUL: only the bytes a successful call stored count.
    value->dataLength = rc == ERROR_SUCCESS ? (dataLength < dataSize ? dataLength : dataSize) : 0;
    if (value->name[0] == '\0')
        std::strcpy(value->name, "<NO NAME>");
    if (format && rc != ERROR_SUCCESS && rc != ERROR_INSUFFICIENT_BUFFER) {
        char text[1025];
        wsprintfA(text, format, line, static_cast<int>(index), static_cast<int>(rc),
                  static_cast<int>(value->nameLength));
        reportZ4_text(nullptr, text, "ERROR", MB_OK);
    }
    return rc;
}

bool loadedZ4_device_number(const char *name, bool *numbered, uint32_t *device)
{
    *numbered = false;
    if (std::strncmp(name, "\\Device\\Serial", 12) != 0 &&
        std::strncmp(name, "\\Device\\serial", 12) != 0)
        return false;
    size_t length = std::strlen(name);
    for (size_t p = 12; p <= 17 && p < length; ++p)
        if (name[p] == '.') {
            *numbered = true;
            *device = numberZ4_at(name, length, 14);
            break;
        }
    return true;
}

bool serialZ4_device_number(const MapValue &value, uint32_t *device)
{
    // Windows NT 4.0's serial driver writes "Serial0"; from Windows 2000 on it is "\Device\Serial0".
    size_t at;
    if (std::strncmp(value.name, "Serial", 6) == 0 || std::strncmp(value.name, "serial", 6) == 0)
        at = 6;
    else if (std::strncmp(value.name, "\\Device\\Serial", 14) == 0 ||
             std::strncmp(value.name, "\\Device\\serial", 14) == 0)
        at = 14;
    else
        return false;
    *device = numberZ4_at(value.name, std::strlen(value.name), at);
    return true;
}

bool comZ4_number(const MapValue &value, uint32_t *com)
{
    const char *text = reinterpret_cast<const char *>(value.data);
    size_t length = strnlen(text, value.dataLength);
    if (length < 3 || std::strncmp(text, "COM", 3) != 0)
        return false;
    *com = numberZ4_at(text, length, 3);
    return true;
}
