// Emulated msports.dll and the module calls that reach it: the COM port database kept where
// Windows keeps it, the REG_BINARY value "ComDB" of the COM Name Arbiter key (bit n - 1 for COMn,
// 256 numbers when the value is absent), read and written past the tool's call log as the DLL
// itself would. Tests say whether the DLL is there and make its calls fail.
#include <cstring>
#include <string>
#include <vector>

#include "comdb_record.h"
#include "file_record.h"
#include "registry_setup.h"

namespace {

const char ARBITER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
const char DB_VALUE[] = "ComDB";
const DWORD MAX_PORTS = 4096, DEFAULT_PORTS = 256;
#define ERROR_BAD_LENGTH 24L
#define ERROR_MOD_NOT_FOUND 126L


bool installed = false;
bool planted = false;
std::vector<std::string> planted_loads;
int loaded = 0;
HANDLE const MODULE = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x6e000000));
HANDLE const DB = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0xdb));
int opened = 0;

struct Fault {
    std::string call;
    LONG code;
    int nth, seen;
};
std::vector<Fault> faults;
std::vector<emu::ComDBCall> calls;

LONG logged(const char *call, DWORD number, LONG result)
{
    for (auto &f : faults)
        if (f.call == call && (++f.seen == f.nth || f.nth == 0)) {
            result = f.code;
            break;
        }
    calls.push_back({call, number, result});
    return result;
}

#define ERROR_NOT_CONNECTED 2250L

// A database value the DLL cannot read: there, but not binary. The stand-in answers its calls so.
bool unreadable()
{
    auto value = emu::reg_get_value(ARBITER_KEY, DB_VALUE);
    return value && value->type != REG_BINARY;
}

std::vector<uint8_t> bits()
{
    auto value = emu::reg_get_value(ARBITER_KEY, DB_VALUE);
    if (!value || value->type != REG_BINARY)
        return std::vector<uint8_t>(DEFAULT_PORTS / 8, 0);
    return value->data;
}

void store(const std::vector<uint8_t> &data)
{
    emu::reg_put_value(ARBITER_KEY, DB_VALUE, REG_BINARY, data);
}

LONG WINAPI ComDBOpen(HANDLE *db)
{
    LONG rc = logged("ComDBOpen", 0, ERROR_SUCCESS);
    *db = rc == ERROR_SUCCESS ? DB : INVALID_HANDLE_VALUE;
    opened += rc == ERROR_SUCCESS;
    return rc;
}

LONG WINAPI ComDBClose(HANDLE db)
{
    if (db != DB || opened == 0)
        return ERROR_INVALID_PARAMETER;
    --opened;
    return logged("ComDBClose", 0, ERROR_SUCCESS);
}

LONG WINAPI ComDBGetCurrentPortUsage(HANDLE db, BYTE *buffer, DWORD size, ULONG type, DWORD *reported)
{
    if (db != DB || (!buffer && !reported) || type > 1)
        return ERROR_INVALID_PARAMETER;
    LONG rc = logged("ComDBGetCurrentPortUsage", size, unreadable() ? ERROR_NOT_CONNECTED : ERROR_SUCCESS);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::vector<uint8_t> data = bits();
    DWORD ports = static_cast<DWORD>(data.size() * 8);
    if (!buffer) {
        *reported = ports;
        return ERROR_SUCCESS;
    }
    // One byte a number, or the bits as stored; as many as the buffer holds.
    DWORD count = type == 1 ? std::min(size, ports) : std::min(size * 8, ports);
    if (type == 1)
        for (DWORD n = 0; n < count; ++n)
            buffer[n] = data[n / 8] >> (n % 8) & 1;
    else
        std::memcpy(buffer, data.data(), (count + 7) / 8);
    if (reported)
        *reported = count;
    return ERROR_SUCCESS;
}

LONG WINAPI ComDBClaimPort(HANDLE db, DWORD number, BOOL, BOOL *)
{
    if (db != DB || number < 1 || number > MAX_PORTS)
        return ERROR_INVALID_PARAMETER;
    std::vector<uint8_t> data = bits();
    if (number > data.size() * 8)
        return logged("ComDBClaimPort", number, ERROR_INVALID_PARAMETER);
    bool used = data[(number - 1) / 8] >> ((number - 1) % 8) & 1;
    LONG rc = logged("ComDBClaimPort", number, used ? ERROR_SHARING_VIOLATION : ERROR_SUCCESS);
    if (rc == ERROR_SUCCESS) {
        data[(number - 1) / 8] |= static_cast<uint8_t>(1u << ((number - 1) % 8));
        store(data);
    }
    return rc;
}

LONG WINAPI ComDBReleasePort(HANDLE db, DWORD number)
{
    std::vector<uint8_t> data = bits();
    if (db != DB || number < 1 || number > data.size() * 8)
        return ERROR_INVALID_PARAMETER;
    LONG rc = logged("ComDBReleasePort", number, ERROR_SUCCESS);
    if (rc == ERROR_SUCCESS) {
        data[(number - 1) / 8] &= static_cast<uint8_t>(~(1u << ((number - 1) % 8)));
        store(data);
    }
    return rc;
}

LONG WINAPI ComDBResizeDatabase(HANDLE db, DWORD size)
{
    if (db != DB || size % 1024 != 0)
        return ERROR_INVALID_PARAMETER;
    std::vector<uint8_t> data = bits();
    if (size <= data.size() * 8 || size > MAX_PORTS)
        return ERROR_BAD_LENGTH;
    LONG rc = logged("ComDBResizeDatabase", size, ERROR_SUCCESS);
    if (rc == ERROR_SUCCESS) {
        data.resize(size / 8, 0);
        store(data);
    }
    return rc;
}

struct Export {
    const char *name;
    void *address;
};
const Export EXPORTS[] = {
    {"ComDBOpen", reinterpret_cast<void *>(ComDBOpen)},
    {"ComDBClose", reinterpret_cast<void *>(ComDBClose)},
    {"ComDBGetCurrentPortUsage", reinterpret_cast<void *>(ComDBGetCurrentPortUsage)},
    {"ComDBClaimPort", reinterpret_cast<void *>(ComDBClaimPort)},
    {"ComDBReleasePort", reinterpret_cast<void *>(ComDBReleasePort)},
    {"ComDBResizeDatabase", reinterpret_cast<void *>(ComDBResizeDatabase)},
};

}  // namespace

// A bare name is looked for in the program's folder first, where a planted DLL answers.
HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) { return LoadLibraryExA(lpLibFileName, nullptr, 0); }

// The system's msports.dll, by its full name in the system folder or by its bare name.
HMODULE WINAPI LoadLibraryExA(LPCSTR lpLibFileName, HANDLE, DWORD)
{
    static const char system_dll[] = EMU_SYSTEM_FOLDER "\\msports.dll";
    bool bare = lpLibFileName && strcasecmp(lpLibFileName, "msports.dll") == 0;
    if (planted && bare) {
        planted_loads.push_back(lpLibFileName);
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (!installed || !lpLibFileName || (!bare && strcasecmp(lpLibFileName, system_dll) != 0)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++loaded;
    return reinterpret_cast<HMODULE>(MODULE);
}

// kernel32, always loaded: IsWow64Process answers as the test set it, or is missing as on
// Windows NT 4.0 and 2000.
HMODULE const KERNEL32 = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7c800000));
static int wow64 = -1;  // -1: no IsWow64Process

static BOOL WINAPI IsWow64Process(HANDLE process, BOOL *answer)
{
    if (process != GetCurrentProcess())
        return FALSE;
    *answer = wow64 == 1;
    return TRUE;
}

// advapi32, loaded with the program (it imports the registry calls).
HMODULE const ADVAPI32 = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x77dd0000));
static bool debugger = false;

static BOOL WINAPI IsDebuggerPresent() { return debugger; }

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    if (lpModuleName && strcasecmp(lpModuleName, "kernel32.dll") == 0)
        return KERNEL32;
    if (lpModuleName && strcasecmp(lpModuleName, "advapi32.dll") == 0)
        return ADVAPI32;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    if (hModule == KERNEL32 && wow64 >= 0 && std::strcmp(lpProcName, "IsWow64Process") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void *>(IsWow64Process));
    if (hModule == KERNEL32 && emu::replace_file_available() && std::strcmp(lpProcName, "ReplaceFileW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void *>(ReplaceFileW));
    if (hModule == KERNEL32 && std::strcmp(lpProcName, "IsDebuggerPresent") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void *>(IsDebuggerPresent));
    if (hModule == ADVAPI32 && std::strcmp(lpProcName, "RegQueryMultipleValuesA") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void *>(RegQueryMultipleValuesA));
    if (hModule == reinterpret_cast<HMODULE>(MODULE) && loaded > 0)
        for (const auto &e : EXPORTS)
            if (std::strcmp(e.name, lpProcName) == 0)
                return reinterpret_cast<FARPROC>(e.address);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    if (hLibModule != reinterpret_cast<HMODULE>(MODULE) || loaded == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --loaded;
    return TRUE;
}

namespace emu {

void comdb_install(bool on) { installed = on; }

void comdb_plant_beside_program(bool on) { planted = on; }

void set_wow64(int answer) { wow64 = answer; }

void set_debugger_present(bool on) { debugger = on; }

const std::vector<std::string> &planted_dll_loads() { return planted_loads; }

void comdb_inject(const std::string &call, LONG code, int nth) { faults.push_back({call, code, nth, 0}); }

const std::vector<ComDBCall> &comdb_calls() { return calls; }

bool comdb_left_open() { return loaded != 0 || opened != 0; }

void comdb_reset()
{
    installed = planted = false;
    wow64 = -1;
    debugger = false;
    planted_loads.clear();
    loaded = opened = 0;
    faults.clear();
    calls.clear();
}

}  // namespace emu
