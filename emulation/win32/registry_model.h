// The emulated registry's own model, shared by the nine calls and the test-facing controls:
// the key tree, open handles, denied paths, injected faults and the call log.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "registry_setup.h"
#include "registry_faults.h"

namespace emu {
namespace model {

struct Node {
    std::string name;                            // as created (case preserved)
    std::vector<std::shared_ptr<Node>> subkeys;  // kept in enumeration order (see name_less)
    std::vector<RegValue> values;                // in creation order, or sorted (Wine)
    bool deleted = false;
    bool is_volatile = false;  // made with REG_OPTION_VOLATILE
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

// The whole registry's state; reg_reset() starts it afresh.
struct State {
    std::shared_ptr<Node> root = std::make_shared<Node>();
    std::map<uintptr_t, Handle> handles;
    uintptr_t next_handle = 0x1000;
    std::vector<std::string> denied;  // upper-cased paths
    std::vector<std::string> read_only;  // upper-cased paths: read, never written
    std::vector<Fault> faults;
    std::vector<RegCall> calls;
    bool recursive_delete = false;
    bool sorted_values = false;
    std::function<void(const emu::RegCall &)> observer;  // told of every call once it is made
};
State &state();

std::string upper(const std::string &s);
bool same_name(const std::string &a, const std::string &b);
bool name_less(const std::string &a, const std::string &b);
bool split_path(const std::string &path, std::vector<std::string> *parts);
std::string join(const std::string &base, const std::string &name);
std::shared_ptr<Node> find_child(const std::shared_ptr<Node> &node, const std::string &name);
std::shared_ptr<Node> add_child(const std::shared_ptr<Node> &node, const std::string &name);
std::shared_ptr<Node> walk(std::shared_ptr<Node> from, const std::vector<std::string> &parts,
                           std::string *stored);
std::shared_ptr<Node> lookup(const std::string &path, std::string *stored = nullptr);
std::shared_ptr<Node> make_path(const std::string &path);
bool is_denied(const std::string &path);
bool is_read_only(const std::string &path);
void mark_deleted(const std::shared_ptr<Node> &node);
bool subtree_denied(const std::shared_ptr<Node> &node, const std::string &path);
void unlink_key(const std::string &path);
RegValue *find_value(const std::shared_ptr<Node> &node, const std::string &name);
void store_value(const std::shared_ptr<Node> &node, const std::string &name, DWORD type,
                 const std::vector<uint8_t> &data);
bool is_string_type(DWORD type);

}  // namespace model
}  // namespace emu
