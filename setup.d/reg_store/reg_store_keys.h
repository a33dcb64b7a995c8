// Shapes the store repeats: counts and subkey names of an open key (collected before anything is
// deleted), a subkey opened by its index, and a key created or reported.
#pragma once

#include <cstdint>

#include "platform.h"

// The name buffer every subkey enumeration starts with.
constexpr DWORD Z4_SUBKEY_NAME_CHARS = 20;
// Room for the longest key name the registry allows (255 characters and the NUL).
constexpr DWORD Z4_SUBKEY_NAME_MAX_CHARS = 256;
// The name length the enumeration boxes quote.
constexpr int Z4_VALUE_NAME_CHARS = 80;
// Room for the longest value name the registry allows (16383 characters and the NUL).
constexpr DWORD Z4_VALUE_NAME_MAX_CHARS = 16384;
// Line number for a collection that reports nothing.
constexpr int Z4_SILENT = 0;

struct KeyCounts {
    LONG rc;  // the query's answer: the counts are all 0 unless it is 0
    DWORD subkeys;
    DWORD longestSubkey;
    DWORD values;
    DWORD longestValueName;  // in characters, without the NUL
    DWORD longestValue;      // in bytes
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
    bool whole;  // every subkey the key counted is here (none failed, nothing was short of room)
};

// A value as one query read it: there (0 or 234 answered), its type, the length the registry
// gave (past `capacity` when it holds more), and the bytes it stored.
struct Stored {
    bool present;
    DWORD type;
    DWORD length;
    DWORD capacity;
    BYTE data[64];
};

// Value `name` of `key` read with room for `room` bytes (at most 64) into a zeroed Stored; the
// query's answer. The type and length it tells are what the callers check a value by.
LONG queryZ4_value(HKEY key, const char *name, DWORD room, Stored *value);

// Key names compare as the registry compares them: a letter in either case is the same.
bool sameZ4_key_name(const char *a, const char *b);

// The counts of an open key; all 0 when the query fails, which `rc` tells: a key whose counts
// could not be read is never taken for an empty one.
KeyCounts queryZ4_key_counts(HKEY key);

// Subkey `index` of `key` into `name`. A name too long for the 20-character buffer (234) is
// fetched once more with room for any key name; the code returned is that of the last call.
LONG enumZ4_subkey(HKEY key, DWORD index, char (&name)[Z4_SUBKEY_NAME_MAX_CHARS]);

// The names of subkeys 0 to count - 1. 259 ends the collecting; an index that
// fails otherwise is left out, reported with the "EnumValue Line:..." box unless `line` is
// Z4_SILENT. An empty name is left out too: deleting "" would delete the key itself.
SubkeyNames collectZ4_subkey_names(HKEY key, DWORD count, int line);
// The names of every subkey of `key`, counted first. A count that fails collects nothing and is
// reported with "RegQueryInfoKey Line:... retValue = ..." unless `line` is Z4_SILENT; `whole`
// then says false, as for any name left out.
SubkeyNames collectZ4_subkeys(HKEY key, int line);
void freeZ4_subkey_names(SubkeyNames &list);

// The subkeys of `key` collected first, as collectZ4_subkeys does (deleting while enumerating
// would shift the indexes), then `act(const SubkeyName &)` on each; whether the list was whole.
template <class Act> bool eachZ4_subkey(HKEY key, int line, Act act)
{
    SubkeyNames subkeys = collectZ4_subkeys(key, line);
    for (DWORD k = 0; k < subkeys.count; ++k)
        act(subkeys.names[k]);
    freeZ4_subkey_names(subkeys);
    return subkeys.whole;
}

// `name` below `parent` (HKEY_LOCAL_MACHINE for a path) opened for reading, `act(HKEY)` on it,
// and closed; false where it cannot be opened.
template <class Act> bool inZ4_key(HKEY parent, const char *name, Act act)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    act(key);
    RegCloseKey(key);
    return true;
}

// `name` below `parent` deleted, its subkeys first where the registry refuses a key that has
// some: the answer of that last deletion.
LONG deleteZ4_with_subkeys(HKEY parent, const char *name);

// Subkey `index` of `parent` enumerated into `name` and opened for reading into *key.
// Z4_SUBKEY_OPENED: *key is open. Z4_SUBKEY_END: 259, the enumeration is over.
// Z4_SUBKEY_SKIPPED: no name at this index; a failed enumeration has been reported with the
// "EnumValue Line:..." box and `line`, an empty name is not. Z4_SUBKEY_UNOPENED: `name` was
// read, but the key cannot be opened (not reported).
enum SubkeyOpen { Z4_SUBKEY_OPENED, Z4_SUBKEY_END, Z4_SUBKEY_SKIPPED, Z4_SUBKEY_UNOPENED };
SubkeyOpen openZ4_subkey_at(HKEY parent, DWORD index, char (&name)[Z4_SUBKEY_NAME_MAX_CHARS],
                            HKEY *key, int line);

// A key below HKEY_LOCAL_MACHINE created, or opened when it exists, with all access. A failure
// is reported with an empty caption: for access denied "Error: unable to create|open <what> key.
// Probably due to security reasons.", otherwise with the code and `line`.
LONG createZ4_key(const char *path, const char *what, int line, HKEY *key);

// The reader's reports: their texts are formatted in the trace buffer, which is not sent.
void showZ4_read_error(const char *format, int line, DWORD index, LONG rc);

// One value of the resource map or the device map: its name (never longer than the buffer;
// "<NO NAME>" for the unnamed value) and the data bytes a successful call stored.
struct MapValue {
    char name[80];
    BYTE data[100];
    DWORD nameLength;  // as the call left it
    DWORD dataLength;  // 0 unless the call succeeded
};

// Value `index` of an open map read with room for `dataSize` data bytes (at most 100), both
// buffers emptied first. A result other than 0 and 122 is reported with the box formatted from
// `format` with `line`, the index, the code and the name length (no report when `format` is
// null); the value is examined all the same.
LONG readZ4_map_value(HKEY key, DWORD index, DWORD dataSize, const char *format, int line,
                      MapValue *value);

// The device number of a resource-map name "\Device\Serial<n>.<suffix>" (or "\Device\serial");
// false for a name that is no serial device. *numbered is false when the point stands outside
// positions 12 to 17: the entry counts, but gives no number.
bool loadedZ4_device_number(const char *name, bool *numbered, uint32_t *device);

// The device number of a device-map name "Serial<n>" or "\\Device\\Serial<n>" (either with a
// lower-case "serial"); false for other names.
bool serialZ4_device_number(const MapValue &value, uint32_t *device);
// The COM number of device-map data "COM<n>" (upper case only); false for other data.
bool comZ4_number(const MapValue &value, uint32_t *com);
