// Test-facing fault injection into the emulated registry, and the log of the calls made.
#include "registry_model.h"

using namespace emu::model;

namespace emu {

void reg_inject(const std::string &op, const std::string &key, const std::string &name, LONG code,
                int nth)
{
    Fault f;
    f.op = op;
    f.key = key;
    f.name = name;
    f.code = code;
    f.nth = nth;
    state().faults.push_back(f);
}

void reg_observe(std::function<void(const RegCall &)> observer)
{
    state().observer = std::move(observer);
}

const std::vector<RegCall> &reg_calls()
{
    return state().calls;
}

void reg_clear_calls()
{
    state().calls.clear();
}

}  // namespace emu
