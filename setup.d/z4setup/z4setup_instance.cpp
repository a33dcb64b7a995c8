// One z4setup at a time: two instances would each delete and rewrite the same keys, the later
// Ok replacing the earlier configuration with one computed from stale numbers.
#include "z4setup_verbs.h"

#include "platform.h"

static HANDLE Z4InstanceMutex;

bool holdZ4_instance()
{
    // One name for all sessions where the system has them; Windows NT 4.0 has none and refuses
    // the backslash, so it gets the plain name.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Global\\Z4SetupRunning");
    DWORD error = GetLastError();
    if (!mutex && error != ERROR_ACCESS_DENIED) {
        mutex = CreateMutexA(nullptr, FALSE, "Z4SetupRunning");
        error = GetLastError();
    }
    // A mutex another user made, which this one may not open, is held all the same.
    if (!mutex)
        return error != ERROR_ACCESS_DENIED;
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    Z4InstanceMutex = mutex;
    return true;
}

void releaseZ4_instance()
{
    if (Z4InstanceMutex)
        CloseHandle(Z4InstanceMutex);
    Z4InstanceMutex = nullptr;
}
