// Counts and subkey names of an open key, shared by the reader, the writer and the removal.
#include "reg_names.h"

#include <cstdlib>
#include <cstring>

void freeZ4_subkey_names(SubkeyNames &list)
{
    std::free(list.names);
    list.names = nullptr;
    list.count = 0;
}

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

SubkeyNames collectZ4_subkey_names(HKEY key, DWORD count, int line)
{
    // calloc checks the size for overflow; without room nothing is collected, so nothing
    // is deleted.
    SubkeyNames list = {nullptr, 0};
    if (count)
        list.names = static_cast<SubkeyName *>(std::calloc(count, sizeof(SubkeyName)));
    if (!list.names)
        return list;
    for (DWORD i = 0; i < count; ++i) {
        SubkeyName &entry = list.names[list.count];
        LONG rc = enumZ4_subkey(key, i, entry.name);
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
        if (entry.name[0] == '\0')
            continue;
        entry.index = i;
        ++list.count;
    }
    return list;
}
