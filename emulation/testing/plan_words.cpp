#include "plan_words.h"

#include <cctype>
#include <sstream>

#include "reg_store.h"
#include "registry_setup.h"

namespace emu {

namespace {

const std::string ARBITER = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";

std::string lower(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void walk(PlanPicture &p, const std::string &path)
{
    p.keys.insert(lower(path));
    for (const auto &v : reg_values(path))
        p.values[lower(path) + "|" + lower(v.name)] = {v.type, v.data};
    for (const auto &sub : reg_subkeys(path))
        walk(p, path + "\\" + sub);
}

}  // namespace

PlanPicture plan_picture()
{
    PlanPicture p;
    if (reg_has_key(Z4_SERVICE_KEY))
        walk(p, Z4_SERVICE_KEY);
    for (const auto &v : reg_values(Z4_PORTS_KEY))
        if (lower(v.name).rfind("com", 0) == 0)
            p.values[lower(Z4_PORTS_KEY) + "|" + lower(v.name)] = {v.type, v.data};
    if (auto db = reg_get_value(ARBITER, "ComDB"))
        p.values["comdb"] = {db->type, db->data};
    return p;
}

std::set<std::string> plan_difference(const PlanPicture &a, const PlanPicture &b)
{
    std::set<std::string> out;
    for (const auto &k : b.keys)
        if (!a.keys.count(k))
            out.insert("create key " + k);
    for (const auto &k : a.keys)
        if (!b.keys.count(k))
            out.insert("delete key " + k);
    for (const auto &[name, value] : b.values) {
        auto was = a.values.find(name);
        if (was != a.values.end() && was->second == value)
            continue;
        size_t bar = name.find('|');
        if (name == "comdb")
            out.insert("comdb");
        else if (name.substr(0, bar) == lower(Z4_PORTS_KEY))
            out.insert("add ports entry " + name.substr(bar + 1));
        else
            out.insert("set " + name.substr(0, bar) + " " + name.substr(bar + 1));
    }
    for (const auto &[name, value] : a.values) {
        size_t bar = name.find('|');
        if (!b.values.count(name) && b.keys.count(name.substr(0, bar)))
            out.insert("delete value " + name.substr(0, bar) + " " + name.substr(bar + 1));
    }
    return out;
}

std::set<std::string> plan_items(const std::string &out)
{
    std::set<std::string> items;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::string l = lower(line);
        if (l.rfind("create key hklm\\", 0) == 0 || l.rfind("delete key hklm\\", 0) == 0)
            items.insert(l.substr(0, 11) + l.substr(16));
        else if (l.rfind("delete value hklm\\", 0) == 0)
            items.insert("delete value " + l.substr(18));
        else if (l.rfind("set hklm\\", 0) == 0) {
            std::string rest = l.substr(9, l.find(':') - 9);
            items.insert("set " + rest);
        } else if (l.rfind("add ports entry ", 0) == 0)
            items.insert(l.substr(0, l.find(' ', 16)));
        else if (l.find(" in the com port database") != std::string::npos)
            items.insert("comdb");
    }
    return items;
}

}  // namespace emu
