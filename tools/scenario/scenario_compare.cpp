// Comparing what a run left with what the scenario expects: registry contents and transcript.
#include <algorithm>
#include <filesystem>

#include "test_support.h"
#include "registry_setup.h"
#include "reg_file.h"
#include "scenario.h"

namespace scenario {

namespace {

const char DRIVER_KEY[] = "SYSTEM\\CurrentControlSet\\Services\\Serialz4";
const char DEVICE_MAP_KEY[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
const char RESOURCE_MAP_KEY[] = "HARDWARE\\RESOURCEMAP\\LOADED SERIAL DRIVER RESOURCES\\serialz4";
const char OTHER_DRIVERS_KEY[] = "HARDWARE\\RESOURCEMAP\\OtherDrivers";  // other drivers' resources
const char PORTS_KEY[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const char ARBITER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";  // the COM port database

std::string lower(std::string s)
{
    for (char &c : s)
        c = (char)tolower((unsigned char)c);
    return s;
}

bool is_com_entry(const std::string &name)
{
    return lower(name.substr(0, 3)) == "com";
}

// Case-insensitive: below or at `root`.
bool within(const std::string &path, const std::string &root)
{
    std::string p = lower(path), r = lower(root);
    return p == r || (p.size() > r.size() && p.compare(0, r.size(), r) == 0 && p[r.size()] == '\\');
}

void add_value(Snapshot *snap, const std::string &key, const emu::RegValue &v)
{
    snap->values[lower(key) + "\\" + lower(v.name)] = SnapValue{key, v.name, v.type, v.data};
}

void walk(Snapshot *snap, const std::string &path)
{
    snap->keys[lower(path)] = path;
    for (const auto &v : emu::reg_values(path))
        add_value(snap, path, v);
    for (const auto &sub : emu::reg_subkeys(path))
        walk(snap, path + "\\" + sub);
}

std::string type_name(uint32_t type)
{
    switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    default: return "type " + std::to_string(type);
    }
}

std::string shown(const SnapValue &v)
{
    std::string out = type_name(v.type) + " ";
    if (v.type == REG_DWORD && v.data.size() == 4) {
        char text[32];
        snprintf(text, sizeof text, "0x%x", *emu::dword_of(v.data));
        return out + text;
    }
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ)
        return out + words::quote(std::string(v.data.begin(), v.data.end())) + " (" +
               std::to_string(v.data.size()) + " bytes)";
    for (size_t i = 0; i < v.data.size(); ++i) {
        char hex[4];
        snprintf(hex, sizeof hex, "%02x", v.data[i]);
        out += (i ? "," : "") + std::string(hex);
    }
    return out + " (" + std::to_string(v.data.size()) + " bytes)";
}

void walk_keys(const std::string &path, std::vector<std::string> *out)
{
    out->push_back(path);
    for (const auto &sub : emu::reg_subkeys(path))
        walk_keys(path + "\\" + sub, out);
}

}  // namespace

Snapshot snapshot_registry(Scope scope)
{
    Snapshot snap;
    std::vector<std::string> roots = {DRIVER_KEY, ARBITER_KEY};
    if (scope == Scope::Setup) {
        roots.push_back(DEVICE_MAP_KEY);
        roots.push_back(RESOURCE_MAP_KEY);
        roots.push_back(OTHER_DRIVERS_KEY);
    }
    for (const auto &root : roots)
        if (emu::reg_has_key(root))
            walk(&snap, root);
    // The Ports key is always there; only its COM entries belong to the outcome.
    if (emu::reg_has_key(PORTS_KEY))
        for (const auto &v : emu::reg_values(PORTS_KEY))
            if (is_com_entry(v.name))
                add_value(&snap, PORTS_KEY, v);
    return snap;
}

bool snapshot_file(const std::string &file, const std::string &base_reg, Scope scope,
                   Snapshot *out, std::string *error)
{
    emu::reg_reset();
    if (!base_reg.empty() && !emu::reg_load_file(base_reg, error))
        return false;
    if (!emu::reg_load_file(file, error))
        return false;
    *out = snapshot_registry(scope);
    return true;
}

std::vector<std::string> compare_snapshots(const Snapshot &expected, const Snapshot &actual)
{
    std::vector<std::string> diff;
    for (const auto &[k, path] : expected.keys)
        if (!actual.keys.count(k))
            diff.push_back("missing key " + path);
    for (const auto &[k, path] : actual.keys)
        if (!expected.keys.count(k))
            diff.push_back("unexpected key " + path);
    for (const auto &[k, v] : expected.values) {
        auto it = actual.values.find(k);
        if (it == actual.values.end())
            diff.push_back("missing value " + v.key + " \"" + v.name + "\" = " + shown(v));
        else if (it->second.type != v.type || it->second.data != v.data)
            diff.push_back("value " + v.key + " \"" + v.name + "\": expected " + shown(v) +
                           ", found " + shown(it->second));
    }
    for (const auto &[k, v] : actual.values)
        if (!expected.values.count(k))
            diff.push_back("unexpected value " + v.key + " \"" + v.name + "\" = " + shown(v));
    return diff;
}

std::vector<std::string> hardware_keys(const std::string &file, std::string *error)
{
    std::vector<std::string> keys;
    emu::reg_reset();
    if (!emu::reg_load_file(file, error))
        return keys;
    if (emu::reg_has_key("HARDWARE"))
        for (const auto &sub : emu::reg_subkeys("HARDWARE"))
            walk_keys("HARDWARE\\" + sub, &keys);
    return keys;
}

bool check_before_reg(const std::string &file, std::string *error)
{
    emu::reg_reset();
    if (!emu::reg_load_file(file, error))
        return false;
    std::vector<std::string> keys;
    for (const auto &sub : emu::reg_subkeys(""))
        walk_keys(sub, &keys);
    for (const auto &key : keys) {
        bool inside = within(key, DRIVER_KEY) || within(key, DEVICE_MAP_KEY) ||
                      within(key, RESOURCE_MAP_KEY) || within(key, OTHER_DRIVERS_KEY) ||
                      within(key, ARBITER_KEY);
        bool above = within(DRIVER_KEY, key) || within(DEVICE_MAP_KEY, key) ||
                     within(RESOURCE_MAP_KEY, key) || within(OTHER_DRIVERS_KEY, key) ||
                     within(PORTS_KEY, key) || within(ARBITER_KEY, key);
        if (!inside && !above) {
            *error = file + ": key " + key + " is outside what the run resets";
            return false;
        }
        for (const auto &v : emu::reg_values(key)) {
            // Wine's regedit ends every text it imports with a NUL, given in hex or not.
            bool text = v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ;
            if (text && (v.data.empty() || v.data.back() != 0)) {
                *error = file + ": value \"" + v.name + "\" of " + key +
                         " is a text without its NUL, which regedit cannot load; quote it";
                return false;
            }
            bool port_entry = lower(key) == lower(PORTS_KEY) && is_com_entry(v.name);
            if (!inside && !port_entry) {
                *error = file + ": value \"" + v.name + "\" of " + key + " is outside what the run resets";
                return false;
            }
        }
    }
    return true;
}

// A line diff by longest common subsequence, shown in full when anything differs.
std::vector<std::string> compare_transcripts(const std::vector<std::string> &expected,
                                             const std::vector<std::string> &actual)
{
    if (expected == actual)
        return {};
    size_t n = expected.size(), m = actual.size();
    std::vector<std::vector<int>> common(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            common[i][j] = expected[i] == actual[j] ? common[i + 1][j + 1] + 1
                                                    : std::max(common[i + 1][j], common[i][j + 1]);
    std::vector<std::string> out = {"transcript (- expected, + seen):"};
    size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && expected[i] == actual[j]) {
            out.push_back("    " + expected[i++]);
            ++j;
        } else if (j < m && (i == n || common[i][j + 1] >= common[i + 1][j])) {
            out.push_back("  + " + actual[j++]);
        } else {
            out.push_back("  - " + expected[i++]);
        }
    }
    return out;
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> expected_transcript(const Scenario &s)
{
    std::vector<std::string> expected;
    for (const auto &step : s.steps)
        if (!step.want.empty())
            expected.push_back(step.want);
    return expected;
}

std::vector<std::string> judge(const Scenario &s, const std::vector<std::string> &transcript,
                               const std::string &after_export)
{
    std::vector<std::string> diff = compare_transcripts(expected_transcript(s), transcript);
    Snapshot want, have;
    std::string error;
    if (!snapshot_file(s.after_reg, "", Scope::Outcome, &want, &error) ||
        !snapshot_file(after_export, "", Scope::Outcome, &have, &error)) {
        diff.push_back("registry: " + error);
        return diff;
    }
    for (const auto &line : compare_snapshots(want, have))
        diff.push_back("registry: " + line);
    return diff;
}

std::vector<std::string> judge_files(const Scenario &s, const std::string &run_dir)
{
    std::vector<std::string> diff;
    auto compare = [&](const std::string &label, const std::string &want_file,
                       const std::string &have_file) {
        if (!std::filesystem::exists(have_file)) {
            diff.push_back(label + ": not written");
            return;
        }
        for (const auto &line : compare_transcripts(lines_of(read_file(want_file)),
                                                    lines_of(read_file(have_file))))
            diff.push_back(label + ": " + line);
    };
    if (!s.expected_output.empty())
        compare("standard output", s.dir + "/" + s.expected_output, run_dir + "/stdout.txt");
    for (const auto &[written, wanted] : s.expected_files)
        compare(written, s.dir + "/" + wanted, run_dir + "/" + written);
    return diff;
}

std::vector<std::string> judge_event(const Scenario &s, const std::vector<std::string> &seen)
{
    if (s.event.empty())
        return {};
    std::string have;
    for (const auto &e : seen)
        have += (have.empty() ? "" : ", ") + e;
    if (have.empty())
        have = "none";
    if (have == s.event)
        return {};
    return {"event: expected " + s.event + ", seen " + have};
}

bool copy_inputs(const Scenario &s, const std::string &run_dir, std::string *error)
{
    for (const auto &name : s.files) {
        std::error_code ec;
        std::filesystem::copy_file(s.dir + "/" + name, run_dir + "/" + name,
                                   std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) {
            *error = "cannot copy " + name + ": " + ec.message();
            return false;
        }
    }
    for (const auto &name : s.readOnly) {
        std::error_code ec;
        std::filesystem::permissions(run_dir + "/" + name,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read,
                                     ec);
        if (ec) {
            *error = "cannot make " + name + " read-only: " + ec.message();
            return false;
        }
    }
    for (const auto &link : s.links) {
        std::error_code ec;
        std::filesystem::create_symlink(link.second, run_dir + "/" + link.first, ec);
        if (ec) {
            *error = "cannot link " + link.first + ": " + ec.message();
            return false;
        }
    }
    return true;
}

}  // namespace scenario
