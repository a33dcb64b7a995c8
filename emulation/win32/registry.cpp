// Emulated registry below HKEY_LOCAL_MACHINE: the nine advapi32 calls the tool makes.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "registry_model.h"

using namespace emu::model;

namespace {

#define ERROR_NOACCESS 998L
// What a read-only key refuses: setting values, making subkeys, being deleted.
#define WRITE_ACCESS (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | 0x00010000L)
#define ERROR_BAD_PATHNAME 161L

// Predefined HKEY_LOCAL_MACHINE or a handle from the table; nullptr for anything else.
const Handle *resolve(HKEY key)
{
    static Handle machine;
    if (key == HKEY_LOCAL_MACHINE) {
        machine.node = state().root;
        machine.path.clear();
        machine.access = KEY_ALL_ACCESS;
        return &machine;
    }
    auto it = state().handles.find((uintptr_t)key);
    return it == state().handles.end() ? nullptr : &it->second;
}

HKEY new_handle(const std::shared_ptr<Node> &node, const std::string &path, REGSAM access)
{
    uintptr_t value = state().next_handle;
    state().next_handle += 4;  // never reused, so a closed handle stays invalid
    state().handles[value] = Handle{node, path, access};
    return (HKEY)value;
}

bool has_access(const Handle *h, REGSAM wanted)
{
    return (h->access & wanted) == wanted;
}

// Log the call, then return an injected code when a fault matches it (0 when none does).
LONG injected(emu::RegCall &call)
{
    LONG code = 0;
    for (auto &f : state().faults) {
        // A close fails only when asked for by name: "any op" must not leave handles open.
        if (f.op.empty() ? call.op == "RegCloseKey" : f.op != call.op) continue;
        if (!f.key.empty() && !same_name(f.key, call.key)) continue;
        if (!f.name.empty() && !same_name(f.name, call.name)) continue;
        ++f.seen;
        if (code == 0 && (f.nth == 0 || f.nth == f.seen)) code = f.code;
    }
    return code;
}

LONG finish(emu::RegCall &call, LONG result)
{
    call.result = result;
    state().calls.push_back(call);
    if (state().observer)
        state().observer(call);
    return result;
}

std::string c_str_or_empty(LPCSTR s)
{
    return s ? std::string(s) : std::string();
}

// Path of the key `sub` names below the handle, "" parts removed; false when malformed.
bool target_path(const Handle *h, LPCSTR sub, std::string *path)
{
    std::vector<std::string> parts;
    if (!split_path(c_str_or_empty(sub), &parts)) return false;
    *path = h->path;
    for (const auto &p : parts) *path = join(*path, p);
    return true;
}

// Copy a stored text to an 8-bit buffer as Wine's A calls do: ERROR_MORE_DATA when it does not
// fit, and a NUL added after unterminated text when there is room for it.
LONG copy_data(const emu::RegValue &v, LPBYTE data, LPDWORD count)
{
    DWORD len = (DWORD)v.data.size();
    if (data && len) {
        if (len > *count) return ERROR_MORE_DATA;
        std::memcpy(data, v.data.data(), len);
        if (is_string_type(v.type) && len < *count && data[len - 1]) data[len] = 0;
    }
    return ERROR_SUCCESS;
}

}  // namespace

// ---- The API ----

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                          PHKEY phkResult)
{
    (void)ulOptions;
    emu::RegCall call;
    call.op = "RegOpenKeyExA";
    call.name = c_str_or_empty(lpSubKey);
    call.access = samDesired;
    if (!phkResult) return finish(call, ERROR_INVALID_PARAMETER);
    *phkResult = nullptr;
    const Handle *h = resolve(hKey);
    if (!h) return finish(call, ERROR_INVALID_HANDLE);
    std::string path;
    if (!target_path(h, lpSubKey, &path)) return finish(call, ERROR_BAD_PATHNAME);
    call.key = path;
    if (LONG code = injected(call)) return finish(call, code);
    if (h->node->deleted) return finish(call, ERROR_KEY_DELETED);
    std::vector<std::string> parts;
    split_path(c_str_or_empty(lpSubKey), &parts);
    std::string stored = h->path;
    auto node = walk(h->node, parts, &stored);
    if (!node) return finish(call, ERROR_FILE_NOT_FOUND);
    if (is_denied(stored)) return finish(call, ERROR_ACCESS_DENIED);
    if (is_read_only(stored) && (samDesired & WRITE_ACCESS)) return finish(call, ERROR_ACCESS_DENIED);
    call.key = stored;
    *phkResult = new_handle(node, stored, samDesired);
    return finish(call, ERROR_SUCCESS);
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                            DWORD dwOptions, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                            LPDWORD lpdwDisposition)
{
    (void)lpClass;
    (void)lpSecurityAttributes;
    emu::RegCall call;
    call.op = "RegCreateKeyExA";
    call.name = c_str_or_empty(lpSubKey);
    call.access = samDesired;
    if (!phkResult || Reserved) return finish(call, ERROR_INVALID_PARAMETER);
    *phkResult = nullptr;
    const Handle *h = resolve(hKey);
    if (!h) return finish(call, ERROR_INVALID_HANDLE);
    std::string path;
    if (!target_path(h, lpSubKey, &path)) return finish(call, ERROR_BAD_PATHNAME);
    call.key = path;
    if (LONG code = injected(call)) return finish(call, code);
    if (h->node->deleted) return finish(call, ERROR_KEY_DELETED);
    std::vector<std::string> parts;
    split_path(c_str_or_empty(lpSubKey), &parts);
    // One level at a time, as advapi32 does: levels made before a denied one stay.
    auto node = h->node;
    std::string stored = h->path;
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    for (const auto &part : parts) {
        auto child = find_child(node, part);
        std::string next = join(stored, child ? child->name : part);
        if (is_denied(next)) return finish(call, ERROR_ACCESS_DENIED);
        if (is_read_only(next) && (!child || (samDesired & WRITE_ACCESS)))
            return finish(call, ERROR_ACCESS_DENIED);
        if (!child) {
            // A key that lasts cannot be made below one that lives only as long as the session.
            bool is_volatile = (dwOptions & REG_OPTION_VOLATILE) != 0;
            if (node->is_volatile && !is_volatile)
                return finish(call, ERROR_CHILD_MUST_BE_VOLATILE);
            child = add_child(node, part);
            child->is_volatile = is_volatile;
            disposition = REG_CREATED_NEW_KEY;
        } else {
            disposition = REG_OPENED_EXISTING_KEY;
        }
        node = child;
        stored = next;
    }
    call.key = stored;
    *phkResult = new_handle(node, stored, samDesired);
    if (lpdwDisposition) *lpdwDisposition = disposition;
    return finish(call, ERROR_SUCCESS);
}

LONG WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                             LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                             LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                             LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                             LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime)
{
    emu::RegCall call;
    call.op = "RegQueryInfoKeyA";
    call.length = lpcchClass ? *lpcchClass : 0;
    const Handle *h = resolve(hKey);
    if (!h) return finish(call, ERROR_INVALID_HANDLE);
    call.key = h->path;
    if (lpReserved || (lpClass && !lpcchClass)) return finish(call, ERROR_INVALID_PARAMETER);
    if (LONG code = injected(call)) return finish(call, code);
    if (h->node->deleted) return finish(call, ERROR_KEY_DELETED);
    if (!has_access(h, KEY_QUERY_VALUE)) return finish(call, ERROR_ACCESS_DENIED);
    // Keys made here carry no class; Wine answers 0 for it even to a class buffer of length 0.
    if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = 0;
    if (lpcchClass) *lpcchClass = 0;
    const Node &n = *h->node;
    DWORD max_sub = 0, max_name = 0, max_data = 0;
    for (auto &s : n.subkeys) max_sub = std::max(max_sub, (DWORD)s->name.size());
    for (auto &v : n.values) {
        max_name = std::max(max_name, (DWORD)v.name.size());
        // Windows keeps texts as UTF-16, and this count is of the stored bytes.
        DWORD stored = (DWORD)v.data.size() * (is_string_type(v.type) ? 2 : 1);
        max_data = std::max(max_data, stored);
    }
    if (lpcSubKeys) *lpcSubKeys = (DWORD)n.subkeys.size();
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = max_sub;
    if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
    if (lpcValues) *lpcValues = (DWORD)n.values.size();
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = max_name;
    if (lpcbMaxValueLen) *lpcbMaxValueLen = max_data;
    if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return finish(call, ERROR_SUCCESS);
}

LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                          LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                          PFILETIME lpftLastWriteTime)
{
    emu::RegCall call;
    call.op = "RegEnumKeyExA";
    call.index = dwIndex;
    call.length = lpcchName ? *lpcchName : 0;
    const Handle *h = resolve(hKey);
    if (!h) return finish(call, ERROR_INVALID_HANDLE);
    call.key = h->path;
    if (!h->node->deleted && dwIndex < h->node->subkeys.size())
        call.name = h->node->subkeys[dwIndex]->name;
    if (lpReserved || !lpName || !lpcchName) return finish(call, ERROR_INVALID_PARAMETER);
    if (LONG code = injected(call)) return finish(call, code);
    if (h->node->deleted) return finish(call, ERROR_KEY_DELETED);
    if (!has_access(h, KEY_ENUMERATE_SUB_KEYS)) return finish(call, ERROR_ACCESS_DENIED);
    if (dwIndex >= h->node->subkeys.size()) return finish(call, ERROR_NO_MORE_ITEMS);
    const std::string &name = h->node->subkeys[dwIndex]->name;
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    // Too small (the NUL included): nothing written, the length left as passed, as in Wine.
    if (name.size() >= *lpcchName || (lpClass && lpcchClass && *lpcchClass < 1))
        return finish(call, ERROR_MORE_DATA);
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    *lpcchName = (DWORD)name.size();
    if (lpClass) lpClass[0] = 0;
    if (lpcchClass) *lpcchClass = 0;
    return finish(call, ERROR_SUCCESS);
}

LONG WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                          LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    emu::RegCall call;
    call.op = "RegEnumValueA";
    call.index = dwIndex;
    call.name_length = lpcchValueName ? *lpcchValueName : 0;
    call.length = lpcbData ? *lpcbData : 0;
    const Handle *h = resolve(hKey);
    if (!h) return finish(call, ERROR_INVALID_HANDLE);
    call.key = h->path;
    if (!h->node->deleted && dwIndex < h->node->values.size())
        call.name = h->node->values[dwIndex].name;
    if (!lpcchValueName || lpReserved || (lpData && !lpcbData))
        return finish(call, ERROR_INVALID_PARAMETER);
    if (LONG code = injected(call)) return finish(call, code);
    if (h->node->deleted) return finish(call, ERROR_KEY_DELETED);
    if (!has_access(h, KEY_QUERY_VALUE)) return finish(call, ERROR_ACCESS_DENIED);
    if (dwIndex >= h->node->values.size()) return finish(call, ERROR_NO_MORE_ITEMS);
    const emu::RegValue &v = h->node->values[dwIndex];
    // Wine's order: data first (ERROR_MORE_DATA leaves the name alone), then the name, which
    // when too long is cut to the buffer with a NUL while the name length stays as passed.
    LONG result = copy_data(v, lpData, lpcbData);
    if (lpValueName && result == ERROR_SUCCESS) {
        DWORD len = (DWORD)v.name.size();
        if (len >= *lpcchValueName) {
            result = ERROR_MORE_DATA;
            if (*lpcchValueName) {
                len = *lpcchValueName - 1;
                std::memcpy(lpValueName, v.name.data(), len);
                lpValueName[len] = 0;
            }
        } else {
            std::memcpy(lpValueName, v.name.c_str(), len + 1);
            *lpcchValueName = len;
        }
    }
    if (lpType) *lpType = v.type;
    if (lpcbData) *lpcbData = (DWORD)v.data.size();
    return finish(call, result);
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData)
{
    emu::RegCall call;
    call.op = "RegQueryValueExA";
    call.name = c_str_or_empty(lpValueName);
    call.length = lpcbData ? *lpcbData : 0;
    const Handle *h = resolve(hKey);
    if (!h) return finish(call, ERROR_INVALID_HANDLE);
    call.key = h->path;
    if (lpReserved || (lpData && !lpcbData)) return finish(call, ERROR_INVALID_PARAMETER);
    if (LONG code = injected(call)) return finish(call, code);
    if (h->node->deleted) return finish(call, ERROR_KEY_DELETED);
    if (!has_access(h, KEY_QUERY_VALUE)) return finish(call, ERROR_ACCESS_DENIED);
    const emu::RegValue *v = find_value(h->node, call.name);
    if (!v) return finish(call, ERROR_FILE_NOT_FOUND);
    LONG result = copy_data(*v, lpData, lpcbData);
    if (lpType) *lpType = v->type;
    if (lpcbData) *lpcbData = (DWORD)v->data.size();  // the size needed on ERROR_MORE_DATA
    return finish(call, result);
}

// As Wine does it: every value's size first, failing at the first that is missing; the data
// only when all of it fits.
LONG WINAPI RegQueryMultipleValuesA(HKEY hKey, VALENTA *val_list, DWORD num_vals, LPSTR lpValueBuf,
                                    LPDWORD ldwTotsize)
{
    emu::RegCall call;
    call.op = "RegQueryMultipleValuesA";
    call.length = ldwTotsize ? *ldwTotsize : 0;
    call.index = num_vals;
    const Handle *h = resolve(hKey);
    if (!h) return finish(call, ERROR_INVALID_HANDLE);
    call.key = h->path;
    if (!ldwTotsize || (num_vals && !val_list)) return finish(call, ERROR_INVALID_PARAMETER);
    if (LONG code = injected(call)) return finish(call, code);
    if (h->node->deleted) return finish(call, ERROR_KEY_DELETED);
    if (!has_access(h, KEY_QUERY_VALUE)) return finish(call, ERROR_ACCESS_DENIED);
    DWORD room = *ldwTotsize, total = 0;
    for (DWORD i = 0; i < num_vals; ++i) {
        const emu::RegValue *v = find_value(h->node, c_str_or_empty(val_list[i].ve_valuename));
        if (!v) return finish(call, ERROR_FILE_NOT_FOUND);
        DWORD size = static_cast<DWORD>(v->data.size());
        val_list[i].ve_valuelen = size;
        if (lpValueBuf && total + size <= room) {
            std::memcpy(lpValueBuf + total, v->data.data(), size);
            val_list[i].ve_valueptr = reinterpret_cast<DWORD_PTR>(lpValueBuf + total);
            val_list[i].ve_type = v->type;
        }
        total += size;
    }
    *ldwTotsize = total;
    return finish(call, lpValueBuf && total <= room ? ERROR_SUCCESS : ERROR_MORE_DATA);
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                           const BYTE *lpData, DWORD cbData)
{
    (void)Reserved;
    emu::RegCall call;
    call.op = "RegSetValueExA";
    call.name = c_str_or_empty(lpValueName);
    call.type = dwType;
    call.length = cbData;
    const Handle *h = resolve(hKey);
    if (!h) return finish(call, ERROR_INVALID_HANDLE);
    call.key = h->path;
    if (!lpData && cbData) return finish(call, ERROR_NOACCESS);
    if (LONG code = injected(call)) return finish(call, code);
    if (h->node->deleted) return finish(call, ERROR_KEY_DELETED);
    if (!has_access(h, KEY_SET_VALUE)) return finish(call, ERROR_ACCESS_DENIED);
    DWORD count = cbData;
    // A text whose length leaves out its NUL gets the NUL stored too (NT and Wine both do;
    // this reads the byte just past the given length, as they do).
    if (count && is_string_type(dwType) && lpData[count - 1] && !lpData[count]) ++count;
    std::vector<uint8_t> data(lpData, lpData + count);
    store_value(h->node, call.name, dwType, data);
    return finish(call, ERROR_SUCCESS);
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey)
{
    emu::RegCall call;
    call.op = "RegDeleteKeyA";
    call.name = c_str_or_empty(lpSubKey);
    const Handle *h = resolve(hKey);
    if (!h) return finish(call, ERROR_INVALID_HANDLE);
    if (!lpSubKey) return finish(call, ERROR_INVALID_PARAMETER);
    std::string path;
    if (!target_path(h, lpSubKey, &path)) return finish(call, ERROR_BAD_PATHNAME);
    call.key = path;
    if (LONG code = injected(call)) return finish(call, code);
    if (h->node->deleted) return finish(call, ERROR_KEY_DELETED);
    std::string stored;
    auto node = lookup(path, &stored);
    if (!node) return finish(call, ERROR_FILE_NOT_FOUND);
    call.key = stored;
    if (stored.empty()) return finish(call, ERROR_ACCESS_DENIED);  // the root itself
    if (is_denied(stored) || is_read_only(stored)) return finish(call, ERROR_ACCESS_DENIED);
    if (!node->subkeys.empty()) {
        // NT refuses a key that still has subkeys; the switch stands for a registry that
        // takes the whole subtree (RegDeleteTree), where any denied key below stops it.
        if (!state().recursive_delete || subtree_denied(node, stored))
            return finish(call, ERROR_ACCESS_DENIED);
    }
    unlink_key(stored);
    return finish(call, ERROR_SUCCESS);
}

LONG WINAPI RegCloseKey(HKEY hKey)
{
    emu::RegCall call;
    call.op = "RegCloseKey";
    if (hKey == HKEY_LOCAL_MACHINE) return finish(call, ERROR_SUCCESS);
    auto it = state().handles.find((uintptr_t)hKey);
    if (it == state().handles.end()) return finish(call, ERROR_INVALID_HANDLE);
    call.key = it->second.path;
    if (LONG code = injected(call)) return finish(call, code);
    state().handles.erase(it);
    return finish(call, ERROR_SUCCESS);
}
