// The COM port database of Windows 2000 and later (msports.dll), where every installer of COM
// ports takes its numbers. Loaded at run time: Windows NT 4.0 has no such DLL, and there (or
// where the database cannot be opened) the tool works without it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board_model.h"
#include "reg_store.h"
#include "reg_store_result.h"
#include "reg_store_kept.h"
#include "z4setup_report.h"

#define CDB_REPORT_BYTES 1

typedef LONG(WINAPI *ComDBOpenCall)(HANDLE *);
typedef LONG(WINAPI *ComDBCloseCall)(HANDLE);
typedef LONG(WINAPI *ComDBGetCurrentPortUsageCall)(HANDLE, BYTE *, DWORD, ULONG, DWORD *);
typedef LONG(WINAPI *ComDBClaimPortCall)(HANDLE, DWORD, BOOL, BOOL *);
typedef LONG(WINAPI *ComDBReleasePortCall)(HANDLE, DWORD);
typedef LONG(WINAPI *ComDBResizeDatabaseCall)(HANDLE, DWORD);

struct ComDB {
    HMODULE dll;
    HANDLE db;
    ComDBCloseCall close;
    ComDBGetCurrentPortUsageCall usage;
    ComDBClaimPortCall claim;
    ComDBReleasePortCall release;
    ComDBResizeDatabaseCall resize;
};

// A set of COM numbers, 1 to Z4_COMDB_MAX_PORTS: bit n for COMn.
typedef BYTE ComSet[Z4_COMDB_MAX_PORTS / 8 + 1];

static bool hasZ4_com(const ComSet &set, uint32_t com)
{
    return com >= 1 && com <= Z4_COMDB_MAX_PORTS && (set[com / 8] >> (com % 8) & 1);
}

static void addZ4_com(ComSet &set, uint32_t com)
{
    if (com >= 1 && com <= Z4_COMDB_MAX_PORTS)
        set[com / 8] |= static_cast<BYTE>(1u << (com % 8));
}

// The COM numbers the driver's configuration holds, as the reader found them.
static ComSet Z4DriverComNumbers;

// Z4_COMDB_NONE: no msports.dll (Windows NT 4.0). Z4_COMDB_FAULT: it is there, but the database
// cannot be opened; `fault` says which call answered what.
enum ComDBOpened { Z4_COMDB_OPEN, Z4_COMDB_NONE, Z4_COMDB_FAULT };

static ComDBOpened openZ4_comdb(ComDB *c, ComDBFault *fault)
{
    std::memset(c, 0, sizeof *c);
    // A system without the DLL must not ask anybody about it. Setting a mode is the only way to
    // learn the one in force (there is no getter before Vista); it is then widened, and put back.
    UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetErrorMode(mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    c->dll = loadZ4_system_dll("msports.dll");
    SetErrorMode(mode);
    if (!c->dll)
        return Z4_COMDB_NONE;
    ComDBOpenCall open;
    *fault = {"ComDBOpen", ERROR_PROC_NOT_FOUND};
    if (boundZ4(c->dll, "ComDBOpen", &open) && boundZ4(c->dll, "ComDBClose", &c->close) &&
        boundZ4(c->dll, "ComDBGetCurrentPortUsage", &c->usage) &&
        boundZ4(c->dll, "ComDBClaimPort", &c->claim) &&
        boundZ4(c->dll, "ComDBReleasePort", &c->release) &&
        boundZ4(c->dll, "ComDBResizeDatabase", &c->resize)) {
        fault->rc = open(&c->db);
        if (fault->rc == ERROR_SUCCESS) {
            *fault = {nullptr, ERROR_SUCCESS};
            return Z4_COMDB_OPEN;
        }
    }
    FreeLibrary(c->dll);
    return Z4_COMDB_FAULT;
}

static void closeZ4_comdb(ComDB *c)
{
    c->close(c->db);
    FreeLibrary(c->dll);
}

// The database's size in numbers; 0 with the call's code in *rc when it cannot be read.
static DWORD sizeZ4_comdb(const ComDB &c, LONG *rc)
{
    DWORD size = 0;
    *rc = c.usage(c.db, nullptr, 0, CDB_REPORT_BYTES, &size);
    return *rc == ERROR_SUCCESS ? size : 0;
}


void noteZ4_driver_com(const char *dosDevices, size_t length)
{
    if (length < 4 || std::strncmp(dosDevices, "COM", 3) != 0)
        return;
    addZ4_com(Z4DriverComNumbers, numberZ4_at(dosDevices, length, 3));
}

void forgetZ4_driver_coms() { std::memset(Z4DriverComNumbers, 0, sizeof Z4DriverComNumbers); }

static ComDBUsage *readZ4_comdb(ComDBFault *fault);

// A copy of `bytes` bytes, null when there are none or no room.
static void *copyZ4_bytes(const void *from, size_t bytes)
{
    void *to = from ? std::malloc(bytes) : nullptr;
    if (to)
        std::memcpy(to, from, bytes);
    return to;
}

ComDBUsage *readZ4_comdb_usage(ComDBFault *fault)
{
    ComDBFault ignored;
    fault = fault ? fault : &ignored;
    if (!Z4Kept.on)
        return readZ4_comdb(fault);
    // Read once a run: every later check gets a copy of that reading, or its fault.
    if (!Z4Kept.comdbRead) {
        ComDBUsage *usage = readZ4_comdb(fault);
        Z4Kept.comdbRead = true;
        Z4Kept.comdbBytes = usage ? sizeof(ComDBUsage) + usage->ports : 0;
        Z4Kept.comdb = usage;
        Z4Kept.comdbCall = fault->call;
        Z4Kept.comdbRc = fault->rc;
    }
    *fault = {Z4Kept.comdbCall, Z4Kept.comdbRc};
    void *copy = copyZ4_bytes(Z4Kept.comdb, Z4Kept.comdbBytes);
    // No answer is better than a wrong one, here as for a database that cannot be read.
    if (Z4Kept.comdb && !copy)
        *fault = {"ComDBGetCurrentPortUsage", ERROR_NOT_ENOUGH_MEMORY};
    return static_cast<ComDBUsage *>(copy);
}

static ComDBUsage *readZ4_comdb(ComDBFault *fault)
{
    *fault = {nullptr, ERROR_SUCCESS};
    ComDB c;
    if (openZ4_comdb(&c, fault) != Z4_COMDB_OPEN)
        return nullptr;
    LONG rc;
    DWORD size = sizeZ4_comdb(c, &rc);
    ComDBUsage *usage = nullptr;
    if (rc == ERROR_SUCCESS)
        usage = static_cast<ComDBUsage *>(std::calloc(1, sizeof(ComDBUsage) + size));
    if (usage && size)
        rc = c.usage(c.db, usage->inUse, size, CDB_REPORT_BYTES, &usage->ports);
    // What cannot be read cannot be checked: no answer at all is better than a wrong one.
    if (rc != ERROR_SUCCESS || !usage) {
        *fault = {"ComDBGetCurrentPortUsage", rc != ERROR_SUCCESS ? rc : static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY)};
        std::free(usage);
        usage = nullptr;
    } else if (usage->ports > size) {
        usage->ports = size;
    }
    closeZ4_comdb(&c);
    return usage;
}

bool reservedZ4_elsewhere(const ComDBUsage *usage, uint32_t com)
{
    return usage && com >= 1 && com <= usage->ports && usage->inUse[com - 1] && !hasZ4_com(Z4DriverComNumbers, com);
}

// "Error: COM port database, ComDBClaimPort = 1359, COM4"; without the COM number (0) where the
// database itself cannot be opened.
static void reportZ4_comdb(const char *call, LONG rc, uint32_t com)
{
    char text[160];
    int n = std::snprintf(text, sizeof text, "Error: COM port database, %s = %d", call,
                          static_cast<int>(rc));
    if (com && n > 0)
        std::snprintf(text + n, sizeof text - n, ", COM%u", com);
    reportZ4_text(nullptr, text, "", MB_OK);
}

// Opens the database for a change and reads its size; where msports.dll is there but the
// database cannot be opened or its size read, that is reported (Z4_COMDB_FAULT) and nothing
// stays open.
static ComDBOpened openedZ4_for_change(ComDB *c, DWORD *size)
{
    ComDBFault fault;
    ComDBOpened opened = openZ4_comdb(c, &fault);
    if (opened == Z4_COMDB_FAULT)
        reportZ4_comdb(fault.call, fault.rc, 0);
    if (opened != Z4_COMDB_OPEN)
        return opened;
    LONG rc;
    *size = sizeZ4_comdb(*c, &rc);
    if (rc == ERROR_SUCCESS)
        return Z4_COMDB_OPEN;
    reportZ4_comdb("ComDBGetCurrentPortUsage", rc, 0);
    closeZ4_comdb(c);
    return Z4_COMDB_FAULT;
}

// Claims `com`, growing the database first when the number lies beyond it; false when that
// failed (reported).
static bool claimZ4_com(const ComDB &c, DWORD *size, uint32_t com)
{
    if (com > Z4_COMDB_MAX_PORTS)
        return true;
    if (com > *size) {
        DWORD grown = (com + 1023) / 1024 * 1024;
        LONG rc = c.resize(c.db, grown);
        if (rc != ERROR_SUCCESS) {
            reportZ4_comdb("ComDBResizeDatabase", rc, com);
            return false;
        }
        *size = grown;
    }
    BOOL forced = FALSE;
    LONG rc = c.claim(c.db, com, FALSE, &forced);
    // A number the database marks already is as good as claimed.
    if (rc != ERROR_SUCCESS && rc != ERROR_SHARING_VIOLATION) {
        reportZ4_comdb("ComDBClaimPort", rc, com);
        return false;
    }
    return true;
}

namespace {

// The COM numbers the port steps give.
class Z4WrittenComs final : public Z4ResultSink {
public:
    explicit Z4WrittenComs(ComSet &written) : written_(written) {}
    LONG port(const Z4BoardStep &, const Z4PortStep &step) override
    {
        addZ4_com(written_, step.com);
        return ERROR_SUCCESS;
    }

private:
    ComSet &written_;
};

}  // namespace

static void writtenZ4_coms(ComSet &written)
{
    std::memset(written, 0, sizeof written);
    Z4WrittenComs coms(written);
    describeZ4_result(coms);
}

unsigned planZ4_comdb(void (*each)(const char *line))
{
    ComDBFault fault;
    ComDBUsage *usage = readZ4_comdb_usage(&fault);
    // A database that cannot be read cannot be planned for: that itself is left to do.
    if (!usage && fault.call) {
        if (each) {
            char line[120];
            std::snprintf(line, sizeof line, "claim the COM numbers in the COM port database, "
                          "which cannot be read (%s = %d)", fault.call, static_cast<int>(fault.rc));
            each(line);
        }
        return 1;
    }
    if (!usage)
        return 0;
    ComSet written;
    writtenZ4_coms(written);
    unsigned changes = 0;
    for (uint32_t com = 1; com <= Z4_COMDB_MAX_PORTS; ++com) {
        bool marked = com <= usage->ports && usage->inUse[com - 1];
        bool wanted = hasZ4_com(written, com);
        const char *what = wanted && !marked                                            ? "claim"
                           : !wanted && marked && hasZ4_com(Z4DriverComNumbers, com) ? "release"
                                                                                     : nullptr;
        if (!what)
            continue;
        ++changes;
        if (each) {
            char line[80];
            std::snprintf(line, sizeof line, "%s COM%u in the COM port database", what, com);
            each(line);
        }
    }
    std::free(usage);
    return changes;
}

// The driver's old numbers that `kept` does not hold go back to the system; false when one
// could not (reported).
static bool releaseZ4_driver_coms_but(const ComDB &c, DWORD size, const ComSet &kept)
{
    bool released = true;
    for (uint32_t com = 1; com <= size && com <= Z4_COMDB_MAX_PORTS; ++com) {
        if (!hasZ4_com(Z4DriverComNumbers, com) || hasZ4_com(kept, com))
            continue;
        LONG rc = c.release(c.db, com);
        if (rc != ERROR_SUCCESS) {
            reportZ4_comdb("ComDBReleasePort", rc, com);
            released = false;
        }
    }
    return released;
}

// The database brought to hold `kept` of the driver's numbers: the old ones it does not hold
// released, then each of it claimed; false when a call failed (reported). Without msports.dll
// there is nothing to do.
static bool settleZ4_coms(const ComSet &kept)
{
    ComDB c;
    DWORD size;
    ComDBOpened opened = openedZ4_for_change(&c, &size);
    if (opened != Z4_COMDB_OPEN)
        return opened == Z4_COMDB_NONE;
    bool done = releaseZ4_driver_coms_but(c, size, kept);
    for (uint32_t com = 1; com <= Z4_COMDB_MAX_PORTS; ++com)
        if (hasZ4_com(kept, com) && !claimZ4_com(c, &size, com))
            done = false;
    closeZ4_comdb(&c);
    return done;
}

bool claimZ4_written_coms()
{
    ComSet written;
    writtenZ4_coms(written);
    return settleZ4_coms(written);
}

bool releaseZ4_driver_coms()
{
    const ComSet none = {};
    return settleZ4_coms(none);
}
