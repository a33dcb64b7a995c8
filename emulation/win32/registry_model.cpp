// The emulated registry's key tree: paths, names compared as the registry compares them, and
// the order in which keys and values enumerate.
#include "registry_model.h"

#include <algorithm>
#include <cctype>

namespace emu {
namespace model {

State &state()
{
    static State s;
    return s;
}

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

std::shared_ptr<Node> lookup(const std::string &path, std::string *stored)
{
    std::vector<std::string> parts;
    if (!split_path(path, &parts)) return nullptr;
    if (stored) stored->clear();
    return walk(state().root, parts, stored);
}

std::shared_ptr<Node> make_path(const std::string &path)
{
    std::vector<std::string> parts;
    split_path(path, &parts);
    auto node = state().root;
    for (const auto &part : parts) {
        auto child = find_child(node, part);
        node = child ? child : add_child(node, part);
    }
    return node;
}

namespace {

bool at_or_below(const std::string &path, const std::vector<std::string> &roots)
{
    std::string u = upper(path);
    for (const auto &d : roots)
        if (u == d || (u.size() > d.size() && u.compare(0, d.size(), d) == 0 && u[d.size()] == '\\'))
            return true;
    return false;
}

}  // namespace

bool is_denied(const std::string &path)
{
    return at_or_below(path, state().denied);
}

bool is_read_only(const std::string &path)
{
    return at_or_below(path, state().read_only);
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
    auto parent = walk(state().root, parts, nullptr);
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

RegValue *find_value(const std::shared_ptr<Node> &node, const std::string &name)
{
    for (auto &v : node->values)
        if (same_name(v.name, name)) return &v;
    return nullptr;
}

void store_value(const std::shared_ptr<Node> &node, const std::string &name, DWORD type,
                 const std::vector<uint8_t> &data)
{
    if (RegValue *v = find_value(node, name)) {
        v->type = type;
        v->data = data;  // the first spelling of the name stays, as on Windows
        return;
    }
    RegValue v;
    v.name = name;
    v.type = type;
    v.data = data;
    if (state().sorted_values) {
        auto at = std::upper_bound(node->values.begin(), node->values.end(), v,
                                   [](const RegValue &a, const RegValue &b) {
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

}  // namespace model
}  // namespace emu
