// The event log as the tool uses it: a source registered, events reported with strings and the
// process's user, the source deregistered; and the token that names the user.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "event_record.h"
#include "win32_api.h"

namespace {

std::vector<emu::EventRecord> reported;
std::map<uintptr_t, std::string> sources;  // handle: source name
std::map<uintptr_t, bool> tokens;
uintptr_t next_handle = 0x7E000;
std::string user = "S-1-5-18";
DWORD open_fault = 0, report_fault = 0;
// The SID of `user`, in the layout Windows gives: revision, count, authority, sub-authorities.
BYTE sid_bytes[8 + 4 * 15];

void build_sid()
{
    std::memset(sid_bytes, 0, sizeof sid_bytes);
    unsigned long long authority = 0;
    unsigned long parts[15];
    int count = 0, used = 0;
    std::sscanf(user.c_str(), "S-1-%llu%n", &authority, &used);
    for (const char *p = user.c_str() + used; *p == '-' && count < 15;) {
        int n = 0;
        if (std::sscanf(p, "-%lu%n", &parts[count], &n) != 1)
            break;
        ++count;
        p += n;
    }
    sid_bytes[0] = 1;
    sid_bytes[1] = static_cast<BYTE>(count);
    for (int i = 0; i < 6; ++i)
        sid_bytes[2 + i] = static_cast<BYTE>(authority >> (8 * (5 - i)));
    for (int i = 0; i < count; ++i)
        std::memcpy(sid_bytes + 8 + 4 * i, &parts[i], 4);  // little-endian
}

std::string sid_text(const BYTE *sid)
{
    if (!sid)
        return "";
    unsigned long long authority = 0;
    for (int i = 0; i < 6; ++i)
        authority = authority << 8 | sid[2 + i];
    std::string text = "S-" + std::to_string(sid[0]) + "-" + std::to_string(authority);
    for (int i = 0; i < sid[1] && i < 15; ++i) {
        uint32_t part;
        std::memcpy(&part, sid + 8 + 4 * i, 4);
        text += "-" + std::to_string(part);
    }
    return text;
}

}  // namespace

bool emu_close_token_handle(HANDLE handle)
{
    return tokens.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

HANDLE WINAPI RegisterEventSourceA(LPCSTR lpUNCServerName, LPCSTR lpSourceName)
{
    if (open_fault || lpUNCServerName || !lpSourceName) {
        SetLastError(open_fault ? open_fault : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    uintptr_t h = next_handle += 4;
    sources[h] = lpSourceName;
    return reinterpret_cast<HANDLE>(h);
}

BOOL WINAPI ReportEventA(HANDLE hEventLog, WORD wType, WORD, DWORD dwEventID, PSID lpUserSid,
                         WORD wNumStrings, DWORD, LPCSTR *lpStrings, LPVOID)
{
    auto it = sources.find(reinterpret_cast<uintptr_t>(hEventLog));
    if (it == sources.end() || report_fault) {
        SetLastError(it == sources.end() ? ERROR_INVALID_HANDLE : report_fault);
        return FALSE;
    }
    emu::EventRecord e;
    e.source = it->second;
    e.type = wType;
    e.id = dwEventID;
    for (WORD i = 0; i < wNumStrings; ++i)
        e.strings.push_back(lpStrings[i] ? lpStrings[i] : "");
    e.user = sid_text(static_cast<const BYTE *>(lpUserSid));
    reported.push_back(e);
    return TRUE;
}

BOOL WINAPI DeregisterEventSource(HANDLE hEventLog)
{
    if (!sources.erase(reinterpret_cast<uintptr_t>(hEventLog))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD, HANDLE *TokenHandle)
{
    if (ProcessHandle != GetCurrentProcess()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    uintptr_t h = next_handle += 4;
    tokens[h] = true;
    *TokenHandle = reinterpret_cast<HANDLE>(h);
    return TRUE;
}

// TokenUser only: a TOKEN_USER whose SID follows it in the same buffer, as Windows lays it out.
BOOL WINAPI GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                LPVOID TokenInformation, DWORD TokenInformationLength,
                                DWORD *ReturnLength)
{
    if (!tokens.count(reinterpret_cast<uintptr_t>(TokenHandle)) || TokenInformationClass != TokenUser) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    build_sid();
    DWORD sidLength = 8 + 4 * sid_bytes[1];
    DWORD needed = static_cast<DWORD>(sizeof(TOKEN_USER)) + sidLength;
    *ReturnLength = needed;
    if (TokenInformationLength < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    BYTE *out = static_cast<BYTE *>(TokenInformation);
    std::memcpy(out + sizeof(TOKEN_USER), sid_bytes, sidLength);
    TOKEN_USER *tu = static_cast<TOKEN_USER *>(TokenInformation);
    tu->User.Sid = out + sizeof(TOKEN_USER);
    tu->User.Attributes = 0;
    return TRUE;
}

namespace emu {

const std::vector<EventRecord> &events() { return reported; }
void set_process_user(const std::string &sid) { user = sid; }
void set_event_log_fault(DWORD open, DWORD report)
{
    open_fault = open;
    report_fault = report;
}
int open_event_handles() { return static_cast<int>(sources.size() + tokens.size()); }
void events_reset()
{
    reported.clear();
    sources.clear();
    tokens.clear();
    user = "S-1-5-18";
    open_fault = report_fault = 0;
}

}  // namespace emu
