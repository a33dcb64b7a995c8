// Counts and subkey names of an open key, for the procedures that collect before they delete.
#pragma once

#include "platform.h"

// The name buffer every subkey enumeration starts with.
constexpr DWORD Z4_SUBKEY_NAME_CHARS = 20;
// Room for the longest key name the registry allows (255 characters and the NUL).
constexpr DWORD Z4_SUBKEY_NAME_MAX_CHARS = 256;
// The name length the enumeration boxes quote.
constexpr int Z4_VALUE_NAME_CHARS = 80;
// Line number for a collection that reports nothing.
constexpr int Z4_SILENT = 0;

struct KeyCounts {
    DWORD subkeys;
    DWORD longestSubkey;
    DWORD values;
};

// One collected subkey: the enumeration index it came from, and its name.
struct SubkeyName {
    DWORD index;
    char name[Z4_SUBKEY_NAME_MAX_CHARS];
};

// The names collected from one key, sized by its subkey count; freed by freeZ4_subkey_names.
// Plain malloc: the C++ library's containers, and even a destructor here, would bring its
// exception machinery into the exe and more than double its size.
struct SubkeyNames {
    SubkeyName *names;
    DWORD count;
};

// The counts of an open key; all 0 when the query fails.
KeyCounts queryZ4_key_counts(HKEY key);

// Subkey `index` of `key` into `name`. A name too long for the 20-character buffer (234) is
// fetched once more with room for any key name; the code returned is that of the last call.
LONG enumZ4_subkey(HKEY key, DWORD index, char (&name)[Z4_SUBKEY_NAME_MAX_CHARS]);

// The names of subkeys 0 to count - 1. 259 ends the collecting; an index that
// fails otherwise is left out, reported with the "EnumValue Line:..." box unless `line` is
// Z4_SILENT. An empty name is left out too: deleting "" would delete the key itself.
SubkeyNames collectZ4_subkey_names(HKEY key, DWORD count, int line);
void freeZ4_subkey_names(SubkeyNames &list);
