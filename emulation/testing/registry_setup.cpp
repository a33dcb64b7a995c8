// Test-facing set-up and inspection of the emulated registry: keys and values put in and looked
// at directly (no call logged, no handle opened), denied keys, open-handle accounting.
#include <algorithm>

#include "registry_model.h"

using namespace emu::model;

namespace emu {

void reg_reset()
{
    for (auto &child : state().root->subkeys) mark_deleted(child);
    state() = State();
}

void reg_set_recursive_delete(bool on)
{
    state().recursive_delete = on;
}

void reg_set_sorted_values(bool on)
{
    state().sorted_values = on;
}

void reg_put_key(const std::string &path)
{
    make_path(path);
}

void reg_put_volatile_key(const std::string &path)
{
    std::vector<std::string> parts;
    split_path(path, &parts);
    auto node = state().root;
    for (const auto &part : parts) {
        auto child = find_child(node, part);
        if (!child) {
            child = add_child(node, part);
            child->is_volatile = true;
        }
        node = child;
    }
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
    state().denied.push_back(upper(path));
}

void reg_read_only(const std::string &path)
{
    state().read_only.push_back(upper(path));
}

int reg_open_handle_count()
{
    return (int)state().handles.size();
}

std::vector<std::string> reg_open_handle_paths()
{
    std::vector<std::string> paths;
    for (auto &h : state().handles) paths.push_back(h.second.path);
    return paths;
}

}  // namespace emu
