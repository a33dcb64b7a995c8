// Emulated named mutexes: enough of them to tell a second instance of a program, and the
// thread's last error that says so.
#include <map>
#include <string>
#include <strings.h>

#include "event_record.h"
#include "file_record.h"
#include "ui_record.h"

namespace {

struct Mutex {
    std::string name;
    int handles = 0;  // open in this process
    bool elsewhere = false;  // held by another process (emu::hold_mutex)
};

std::map<uintptr_t, std::string> handle_names;
std::vector<Mutex> mutexes;
uintptr_t next_handle = 0x7000;
DWORD last_error = 0;
bool global_names_rejected = false;
std::vector<std::string> created;

// Object names compare without regard to case.
Mutex *find(const std::string &name)
{
    for (auto &m : mutexes)
        if (strcasecmp(m.name.c_str(), name.c_str()) == 0)
            return &m;
    return nullptr;
}

}  // namespace

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR lpName)
{
    std::string name = lpName ? lpName : "";
    created.push_back(name);
    // Windows NT 4.0 knows no object namespaces: a backslash makes the name invalid.
    if (global_names_rejected && name.find('\\') != std::string::npos) {
        last_error = ERROR_INVALID_NAME;
        return nullptr;
    }
    Mutex *m = find(name);
    last_error = m && (m->handles > 0 || m->elsewhere) ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    if (!m) {
        mutexes.push_back({name, 0, false});
        m = &mutexes.back();
    }
    ++m->handles;
    uintptr_t h = next_handle;
    next_handle += 4;
    handle_names[h] = m->name;
    return reinterpret_cast<HANDLE>(h);
}

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    if (emu_close_file_handle(hObject) || emu_close_token_handle(hObject))
        return TRUE;
    auto it = handle_names.find(reinterpret_cast<uintptr_t>(hObject));
    if (it == handle_names.end()) {
        last_error = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (Mutex *m = find(it->second))
        --m->handles;
    handle_names.erase(it);
    return TRUE;
}

DWORD WINAPI GetLastError(void) { return last_error; }

void WINAPI SetLastError(DWORD dwErrCode) { last_error = dwErrCode; }

namespace emu {

void mutex_reset()
{
    handle_names.clear();
    mutexes.clear();
    last_error = 0;
    global_names_rejected = false;
    created.clear();
}

void hold_mutex(const std::string &name)
{
    Mutex *m = find(name);
    if (!m) {
        mutexes.push_back({name, 0, false});
        m = &mutexes.back();
    }
    m->elsewhere = true;
}

void reject_global_names(bool on) { global_names_rejected = on; }

const std::vector<std::string> &mutexes_created() { return created; }

int open_mutex_handles() { return static_cast<int>(handle_names.size()); }

}  // namespace emu
