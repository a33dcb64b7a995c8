// Pictures of the emulated registry, taken through its test-facing inspection calls.
#include "registry_snapshot.h"

#include <cctype>

#include "reg_store.h"

namespace fuzz {

std::string upper(const std::string &s)
{
    std::string u(s);
    for (char &c : u)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

static void picture_below(const std::string &path, Picture &p)
{
    for (const std::string &name : emu::reg_subkeys(path)) {
        std::string child = path.empty() ? name : path + "\\" + name;
        p[upper(child)] = KeyPicture{emu::reg_key_name(child), emu::reg_values(child)};
        picture_below(child, p);
    }
}

Picture take_picture()
{
    Picture p;
    picture_below("", p);
    return p;
}

static bool below_or_at(const std::string &upper_path, const std::string &key)
{
    std::string k = upper(key);
    return upper_path == k ||
           (upper_path.size() > k.size() && upper_path.compare(0, k.size(), k) == 0 &&
            upper_path[k.size()] == '\\');
}

bool in_driver_keys(const std::string &upper_path)
{
    return below_or_at(upper_path, Z4_SERVICE_KEY);
}

static bool on_way_to_service(const std::string &upper_path)
{
    std::string service = upper(Z4_SERVICE_KEY);
    return service.size() > upper_path.size() && service.compare(0, upper_path.size(), upper_path) == 0 &&
           service[upper_path.size()] == '\\';
}

static bool same_values(const std::vector<emu::RegValue> &a, const std::vector<emu::RegValue> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data)
            return false;
    return true;
}

std::string outside_difference(const Picture &before, const Picture &after)
{
    const std::string ports = upper(Z4_PORTS_KEY);
    for (const auto &[path, key] : before) {
        if (in_driver_keys(path))
            continue;
        auto it = after.find(path);
        if (it == after.end())
            return "key removed: " + key.stored;
        if (it->second.stored != key.stored)
            return "key renamed: " + key.stored + " -> " + it->second.stored;
        if (path != ports && !same_values(key.values, it->second.values))
            return "values changed in: " + key.stored;
    }
    for (const auto &[path, key] : after) {
        if (in_driver_keys(path) || before.count(path))
            continue;
        if (on_way_to_service(path) && key.values.empty())
            continue;
        return "key added: " + key.stored;
    }
    return "";
}

bool same_picture(const Picture &a, const Picture &b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first != j->first || i->second.stored != j->second.stored ||
            !same_values(i->second.values, j->second.values))
            return false;
    return true;
}

std::map<std::string, emu::RegValue> ports_values(const Picture &p)
{
    std::map<std::string, emu::RegValue> out;
    auto it = p.find(upper(Z4_PORTS_KEY));
    if (it != p.end())
        for (const auto &v : it->second.values)
            out[upper(v.name)] = v;
    return out;
}

void restore_picture(const Picture &p)
{
    emu::reg_reset();
    for (const auto &[path, key] : p) {
        emu::reg_put_key(key.stored);
        for (const auto &v : key.values)
            emu::reg_put_value(key.stored, v.name, v.type, v.data);
    }
}

}  // namespace fuzz
