// Emulated registry below HKEY_LOCAL_MACHINE: the nine advapi32 calls the tool makes.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "emu_registry.h"

namespace {

#define ERROR_NOACCESS 998L
#define ERROR_BAD_PATHNAME 161L

struct Node {
    std::string name;                            // as created (case preserved)
    std::vector<std::shared_ptr<Node>> subkeys;  // kept in enumeration order (see subkey_less)
    std::vector<emu::RegValue> values;           // in creation order
    bool deleted = false;
};

struct Handle {
    std::shared_ptr<Node> node;
    std::string path;  // full path as stored when opened, "" for the root
    REGSAM access = 0;
};

struct Fault {
    std::string op, key, name;
    LONG code = 0;
    int nth = 0;
    int seen = 0;
};

std::shared_ptr<Node> root = std::make_shared<Node>();
std::map<uintptr_t, Handle> handles;
uintptr_t next_handle = 0x1000;
std::vector<std::string> denied;  // upper-cased paths
std::vector<Fault> faults;
std::vector<emu::RegCall> calls;
bool recursive_delete = false;
bool sorted_values = false;

std::string upper(const std::string &s)
{
    std::string u(s);
    for (char &c : u) c = (char)std::toupper((unsigned char)c);
    return u;
}

bool same_name(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && upper(a) == upper(b);
}

// Wine keeps subkeys (and its values) ordered by the lower-cased name, a shorter name before a
// longer one that starts with it: "Board_1" < "BoardZ", "Serial1" < "Serial10" < "Serial2".
// NT compares upper-cased names, which differs only for the characters [ ] ^ _ and `.
bool name_less(const std::string &a, const std::string &b)
{
    std::string la(a), lb(b);
    for (char &c : la) c = (char)std::tolower((unsigned char)c);
    for (char &c : lb) c = (char)std::tolower((unsigned char)c);
    return la < lb;
}

// Split a backslash path into its parts. Wine skips empty parts (doubled or trailing
// backslashes) but refuses a leading backslash with ERROR_BAD_PATHNAME.
bool split_path(const std::string &path, std::vector<std::string> *parts)
{
    parts->clear();
    if (!path.empty() && path[0] == '\\') return false;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts->push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

std::string join(const std::string &base, const std::string &name)
{
    return base.empty() ? name : base + "\\" + name;
}

std::shared_ptr<Node> find_child(const std::shared_ptr<Node> &node, const std::string &name)
{
    for (auto &child : node->subkeys)
        if (same_name(child->name, name)) return child;
    return nullptr;
}

std::shared_ptr<Node> add_child(const std::shared_ptr<Node> &node, const std::string &name)
{
    auto child = std::make_shared<Node>();
    child->name = name;
    auto at = std::upper_bound(node->subkeys.begin(), node->subkeys.end(), child,
                               [](const std::shared_ptr<Node> &a, const std::shared_ptr<Node> &b) {
                                   return name_less(a->name, b->name);
                               });
    node->subkeys.insert(at, child);
    return child;
}

// The key at `path` below `from`, with the stored spelling of its path appended to *stored.
std::shared_ptr<Node> walk(std::shared_ptr<Node> from, const std::vector<std::string> &parts,
                           std::string *stored)
{
    for (const auto &part : parts) {
        from = find_child(from, part);
        if (!from) return nullptr;
        if (stored) *stored = join(*stored, from->name);
    }
    return from;
}

std::shared_ptr<Node> lookup(const std::string &path, std::string *stored = nullptr)
{
    std::vector<std::string> parts;
    if (!split_path(path, &parts)) return nullptr;
    if (stored) stored->clear();
    return walk(root, parts, stored);
}

std::shared_ptr<Node> make_path(const std::string &path)
{
    std::vector<std::string> parts;
    split_path(path, &parts);
    auto node = root;
    for (const auto &part : parts) {
        auto child = find_child(node, part);
        node = child ? child : add_child(node, part);
    }
    return node;
}

bool is_denied(const std::string &path)
{
    std::string u = upper(path);
    for (const auto &d : denied)
        if (u == d || (u.size() > d.size() && u.compare(0, d.size(), d) == 0 && u[d.size()] == '\\'))
            return true;
    return false;
}

void mark_deleted(const std::shared_ptr<Node> &node)
{
    node->deleted = true;
    for (auto &child : node->subkeys) mark_deleted(child);
}

bool subtree_denied(const std::shared_ptr<Node> &node, const std::string &path)
{
    if (is_denied(path)) return true;
    for (auto &child : node->subkeys)
        if (subtree_denied(child, join(path, child->name))) return true;
    return false;
}

// Remove the key at `path` from its parent; the nodes are kept alive by open handles,
// which from now on answer ERROR_KEY_DELETED.
void unlink_key(const std::string &path)
{
    std::vector<std::string> parts;
    if (!split_path(path, &parts) || parts.empty()) return;
    std::string last = parts.back();
    parts.pop_back();
    auto parent = walk(root, parts, nullptr);
    if (!parent) return;
    auto &subs = parent->subkeys;
    for (auto it = subs.begin(); it != subs.end(); ++it) {
        if (same_name((*it)->name, last)) {
            mark_deleted(*it);
            subs.erase(it);
            return;
        }
    }
}

emu::RegValue *find_value(const std::shared_ptr<Node> &node, const std::string &name)
{
    for (auto &v : node->values)
        if (same_name(v.name, name)) return &v;
    return nullptr;
}

void store_value(const std::shared_ptr<Node> &node, const std::string &name, DWORD type,
                 const std::vector<uint8_t> &data)
{
    if (emu::RegValue *v = find_value(node, name)) {
        v->type = type;
        v->data = data;  // the first spelling of the name stays, as on Windows
        return;
    }
    emu::RegValue v;
    v.name = name;
    v.type = type;
    v.data = data;
    if (sorted_values) {
        auto at = std::upper_bound(node->values.begin(), node->values.end(), v,
                                   [](const emu::RegValue &a, const emu::RegValue &b) {
                                       return name_less(a.name, b.name);
                                   });
        node->values.insert(at, v);
    } else {
        node->values.push_back(v);
    }
}

bool is_string_type(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Predefined HKEY_LOCAL_MACHINE or a handle from the table; nullptr for anything else.
const Handle *resolve(HKEY key)
{
    static Handle machine;
    if (key == HKEY_LOCAL_MACHINE) {
        machine.node = root;
        machine.path.clear();
        machine.access = KEY_ALL_ACCESS;
        return &machine;
    }
    auto it = handles.find((uintptr_t)key);
    return it == handles.end() ? nullptr : &it->second;
}

HKEY new_handle(const std::shared_ptr<Node> &node, const std::string &path, REGSAM access)
{
    uintptr_t value = next_handle;
    next_handle += 4;  // never reused, so a closed handle stays invalid
    handles[value] = Handle{node, path, access};
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
    for (auto &f : faults) {
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
    calls.push_back(call);
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
    (void)dwOptions;
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
        if (!child) {
            child = add_child(node, part);
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
    if (is_denied(stored)) return finish(call, ERROR_ACCESS_DENIED);
    if (!node->subkeys.empty()) {
        // NT refuses a key that still has subkeys; the switch stands for a registry that
        // takes the whole subtree (RegDeleteTree), where any denied key below stops it.
        if (!recursive_delete || subtree_denied(node, stored))
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
    auto it = handles.find((uintptr_t)hKey);
    if (it == handles.end()) return finish(call, ERROR_INVALID_HANDLE);
    call.key = it->second.path;
    if (LONG code = injected(call)) return finish(call, code);
    handles.erase(it);
    return finish(call, ERROR_SUCCESS);
}

// ---- Test-facing controls ----

namespace emu {

void reg_reset()
{
    for (auto &child : root->subkeys) mark_deleted(child);
    root = std::make_shared<Node>();
    handles.clear();
    denied.clear();
    faults.clear();
    calls.clear();
    recursive_delete = false;
    sorted_values = false;
}

void reg_set_recursive_delete(bool on)
{
    recursive_delete = on;
}

void reg_set_sorted_values(bool on)
{
    sorted_values = on;
}

void reg_put_key(const std::string &path)
{
    make_path(path);
}

void reg_put_value(const std::string &key, const std::string &name, DWORD type,
                   const std::vector<uint8_t> &data)
{
    store_value(make_path(key), name, type, data);
}

void reg_put_sz(const std::string &key, const std::string &name, const std::string &text)
{
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    reg_put_value(key, name, REG_SZ, data);
}

void reg_put_dword(const std::string &key, const std::string &name, DWORD value)
{
    std::vector<uint8_t> data{(uint8_t)value, (uint8_t)(value >> 8), (uint8_t)(value >> 16),
                              (uint8_t)(value >> 24)};
    reg_put_value(key, name, REG_DWORD, data);
}

bool reg_has_key(const std::string &path)
{
    return lookup(path) != nullptr;
}

std::optional<RegValue> reg_get_value(const std::string &key, const std::string &name)
{
    auto node = lookup(key);
    if (!node) return std::nullopt;
    if (RegValue *v = find_value(node, name)) return *v;
    return std::nullopt;
}

std::string reg_key_name(const std::string &path)
{
    std::string stored;
    return lookup(path, &stored) ? stored : std::string();
}

std::vector<std::string> reg_subkeys(const std::string &path)
{
    std::vector<std::string> names;
    if (auto node = lookup(path))
        for (auto &child : node->subkeys) names.push_back(child->name);
    return names;
}

std::vector<RegValue> reg_values(const std::string &path)
{
    auto node = lookup(path);
    return node ? node->values : std::vector<RegValue>();
}

void reg_remove_key(const std::string &path)
{
    unlink_key(path);
}

void reg_remove_value(const std::string &key, const std::string &name)
{
    auto node = lookup(key);
    if (!node) return;
    auto &vals = node->values;
    vals.erase(std::remove_if(vals.begin(), vals.end(),
                              [&](const RegValue &v) { return same_name(v.name, name); }),
               vals.end());
}

void reg_deny(const std::string &path)
{
    denied.push_back(upper(path));
}

int reg_open_handle_count()
{
    return (int)handles.size();
}

std::vector<std::string> reg_open_handle_paths()
{
    std::vector<std::string> paths;
    for (auto &h : handles) paths.push_back(h.second.path);
    return paths;
}

void reg_inject(const std::string &op, const std::string &key, const std::string &name, LONG code,
                int nth)
{
    Fault f;
    f.op = op;
    f.key = key;
    f.name = name;
    f.code = code;
    f.nth = nth;
    faults.push_back(f);
}

const std::vector<RegCall> &reg_calls()
{
    return calls;
}

void reg_clear_calls()
{
    calls.clear();
}

}  // namespace emu
