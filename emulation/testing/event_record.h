// Test-facing records of the emulated event log: the events reported, the process's user, and
// a log that cannot be opened or written.
#pragma once

#include <string>
#include <vector>

#include "win32_api.h"

// Closes a token handle of the emulation; false for a handle that is not a token's.
bool emu_close_token_handle(HANDLE handle);

namespace emu {

struct EventRecord {
    std::string source;  // as RegisterEventSourceA named it
    WORD type = 0;
    DWORD id = 0;
    std::vector<std::string> strings;
    std::string user;  // the SID given, "S-1-5-18" form; "" for none
};
const std::vector<EventRecord> &events();

// The process's user as its token tells it; "S-1-5-18" (SYSTEM) unless a test gives another.
void set_process_user(const std::string &sid);
// RegisterEventSourceA fails with `code` (0: it works), as with the service stopped; ReportEventA
// fails with `report` (0: it works), as without the right to write.
void set_event_log_fault(DWORD open, DWORD report = 0);
// Source handles not deregistered, tokens not closed.
int open_event_handles();
void events_reset();

}  // namespace emu
