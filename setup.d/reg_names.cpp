// Counts and subkey names of an open key, shared by the writer and the removal.
#include "reg_names.h"

#include <cstring>

KeyCounts queryZ4_key_counts(HKEY key)
{
    char keyClass[260];
    DWORD classLength = sizeof keyClass;
    DWORD subkeys = 0, longestSubkey = 0, longestClass = 0, values = 0;
    DWORD longestValueName = 0, longestValue = 0, security = 0;
    FILETIME written;
    LONG rc = RegQueryInfoKeyA(key, keyClass, &classLength, nullptr, &subkeys, &longestSubkey,
                               &longestClass, &values, &longestValueName, &longestValue,
                               &security, &written);
    if (rc != ERROR_SUCCESS)
        return {0, 0, 0};
    return {subkeys, longestSubkey, values};
}

LONG enumZ4_subkey(HKEY key, DWORD index, std::string &name)
{
    char buffer[Z4_SUBKEY_NAME_MAX_CHARS];
    DWORD size = Z4_SUBKEY_NAME_CHARS;
    buffer[0] = '\0';
    LONG rc = RegEnumKeyExA(key, index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
        size = sizeof buffer;
        buffer[0] = '\0';
        rc = RegEnumKeyExA(key, index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
    }
    name.assign(buffer, strnlen(buffer, sizeof buffer));
    return rc;
}

std::vector<SubkeyName> collectZ4_subkey_names(HKEY key, DWORD count, int line)
{
    std::vector<SubkeyName> names;
    for (DWORD i = 0; i < count; ++i) {
        std::string name;
        LONG rc = enumZ4_subkey(key, i, name);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS && rc != ERROR_INSUFFICIENT_BUFFER) {
            if (line != Z4_SILENT) {
                char text[1025];
                wsprintfA(text, "EnumValue Line:%d 0 based index = %d, retValue = %d, ValueLen = %d",
                          line, static_cast<int>(i), static_cast<int>(rc), Z4_VALUE_NAME_CHARS);
                MessageBoxA(nullptr, text, "ERROR", MB_OK);
            }
            continue;
        }
        if (!name.empty())
            names.push_back({i, name});
    }
    return names;
}
