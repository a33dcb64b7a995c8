// What every run of a scenario does first and last, through the emulation or under Wine.
#include <filesystem>

#include "scenario.h"

namespace fs = std::filesystem;

namespace scenario {

bool begin_run(const std::string &work, const Scenario &s, std::string *dir, Result *r)
{
    *dir = work + "/" + s.name;
    fs::remove_all(*dir);
    fs::create_directories(*dir);
    std::string error;
    if (check_before_reg(s.before_reg, &error))
        return true;
    r->diff.push_back(error);
    return false;
}

Result end_run(Result r, const std::string &dir, bool keep)
{
    r.pass = r.diff.empty();
    if (r.pass && !keep)
        fs::remove_all(dir);
    return r;
}

}  // namespace scenario
