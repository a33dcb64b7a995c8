// A stand-in msports.dll for the scenarios under Wine, whose own holds only stubs that end the
// process. It keeps the COM port database as Windows documents it: the REG_BINARY value "ComDB"
// of HKLM\SYSTEM\CurrentControlSet\Control\COM Name Arbiter, bit n - 1 for COMn, 256 numbers
// while the value is absent, grown only in steps of 1024 up to 4096.
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

const char ARBITER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
const DWORD MAX_PORTS = 4096, DEFAULT_PORTS = 256;
const ULONG CDB_REPORT_BITS = 0, CDB_REPORT_BYTES = 1;

// The handle is the opened arbiter key.
bool read_db(HANDLE db, std::vector<BYTE> *bits)
{
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(static_cast<HKEY>(db), "ComDB", nullptr, &type, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND) {
        bits->assign(DEFAULT_PORTS / 8, 0);
        return true;
    }
    if (rc != ERROR_SUCCESS || type != REG_BINARY)
        return false;
    bits->assign(size, 0);
    return RegQueryValueExA(static_cast<HKEY>(db), "ComDB", nullptr, &type, bits->data(), &size) ==
           ERROR_SUCCESS;
}

LONG write_db(HANDLE db, const std::vector<BYTE> &bits)
{
    LONG rc = RegSetValueExA(static_cast<HKEY>(db), "ComDB", 0, REG_BINARY, bits.data(),
                             static_cast<DWORD>(bits.size()));
    return rc == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

bool valid(HANDLE db) { return db != nullptr && db != INVALID_HANDLE_VALUE; }

}  // namespace

extern "C" {

#ifdef Z4_PLANTED_DLL
// What an attacker would plant beside the program: loaded at all, it ends the process with a
// code no run of the tool has, so a scenario that meets it fails.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        ExitProcess(86);
    return TRUE;
}
#endif

__declspec(dllexport) LONG WINAPI ComDBOpen(HANDLE *db)
{
    HKEY key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, ARBITER_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr);
    *db = rc == ERROR_SUCCESS ? static_cast<HANDLE>(key) : INVALID_HANDLE_VALUE;
    return rc;
}

__declspec(dllexport) LONG WINAPI ComDBClose(HANDLE db)
{
    if (!valid(db))
        return ERROR_INVALID_PARAMETER;
    RegCloseKey(static_cast<HKEY>(db));
    return ERROR_SUCCESS;
}

__declspec(dllexport) LONG WINAPI ComDBGetCurrentPortUsage(HANDLE db, BYTE *buffer, DWORD size,
                                                           ULONG type, DWORD *reported)
{
    std::vector<BYTE> bits;
    if (!valid(db) || (!buffer && !reported) ||
        (buffer && type != CDB_REPORT_BITS && type != CDB_REPORT_BYTES))
        return ERROR_INVALID_PARAMETER;
    if (!read_db(db, &bits))
        return ERROR_NOT_CONNECTED;
    DWORD ports = static_cast<DWORD>(bits.size() * 8);
    if (!buffer) {
        *reported = ports;
        return ERROR_SUCCESS;
    }
    DWORD count;
    if (type == CDB_REPORT_BYTES) {
        count = size < ports ? size : ports;
        for (DWORD n = 0; n < count; ++n)
            buffer[n] = bits[n / 8] >> (n % 8) & 1;
    } else {
        count = size * 8 < ports ? size * 8 : ports;
        std::memcpy(buffer, bits.data(), (count + 7) / 8);
    }
    if (reported)
        *reported = count;
    return ERROR_SUCCESS;
}

__declspec(dllexport) LONG WINAPI ComDBClaimPort(HANDLE db, DWORD number, BOOL, BOOL *)
{
    std::vector<BYTE> bits;
    if (!valid(db) || number < 1 || number > MAX_PORTS)
        return ERROR_INVALID_PARAMETER;
    if (!read_db(db, &bits))
        return ERROR_NOT_CONNECTED;
    if (number > bits.size() * 8)
        return ERROR_INVALID_PARAMETER;
    BYTE bit = static_cast<BYTE>(1u << ((number - 1) % 8));
    if (bits[(number - 1) / 8] & bit)
        return ERROR_SHARING_VIOLATION;
    bits[(number - 1) / 8] |= bit;
    return write_db(db, bits);
}

__declspec(dllexport) LONG WINAPI ComDBReleasePort(HANDLE db, DWORD number)
{
    std::vector<BYTE> bits;
    if (!valid(db))
        return ERROR_INVALID_PARAMETER;
    if (!read_db(db, &bits))
        return ERROR_NOT_CONNECTED;
    if (number < 1 || number > bits.size() * 8)
        return ERROR_INVALID_PARAMETER;
    bits[(number - 1) / 8] &= static_cast<BYTE>(~(1u << ((number - 1) % 8)));
    return write_db(db, bits);
}

__declspec(dllexport) LONG WINAPI ComDBResizeDatabase(HANDLE db, DWORD size)
{
    std::vector<BYTE> bits;
    if (!valid(db) || size % 1024 != 0)
        return ERROR_INVALID_PARAMETER;
    if (!read_db(db, &bits))
        return ERROR_NOT_CONNECTED;
    if (size <= bits.size() * 8 || size > MAX_PORTS)
        return ERROR_BAD_LENGTH;
    bits.resize(size / 8, 0);
    return write_db(db, bits);
}

}  // extern "C"
