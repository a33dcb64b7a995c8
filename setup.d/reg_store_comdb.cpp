// The COM port database of Windows 2000 and later (msports.dll), where every installer of COM
// ports takes its numbers. Loaded at run time: Windows NT 4.0 has no such DLL, and there (or
// where the database cannot be opened) the tool works without it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board_model.h"
#include "reg_store.h"
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

template <class Call> static bool boundZ4(HMODULE dll, const char *name, Call *call)
{
    *call = reinterpret_cast<Call>(reinterpret_cast<void *>(GetProcAddress(dll, name)));
    return *call != nullptr;
}

static bool openZ4_comdb(ComDB *c)
{
    std::memset(c, 0, sizeof *c);
    // A system without the DLL must not ask anybody about it. Setting a mode is the only way to
    // learn the one in force (there is no getter before Vista); it is then widened, and put back.
    UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetErrorMode(mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    c->dll = LoadLibraryA("msports.dll");
    SetErrorMode(mode);
    if (!c->dll)
        return false;
    ComDBOpenCall open;
    if (boundZ4(c->dll, "ComDBOpen", &open) && boundZ4(c->dll, "ComDBClose", &c->close) &&
        boundZ4(c->dll, "ComDBGetCurrentPortUsage", &c->usage) &&
        boundZ4(c->dll, "ComDBClaimPort", &c->claim) &&
        boundZ4(c->dll, "ComDBReleasePort", &c->release) &&
        boundZ4(c->dll, "ComDBResizeDatabase", &c->resize) && open(&c->db) == ERROR_SUCCESS)
        return true;
    FreeLibrary(c->dll);
    return false;
}

static void closeZ4_comdb(ComDB *c)
{
    c->close(c->db);
    FreeLibrary(c->dll);
}

static DWORD sizeZ4_comdb(const ComDB &c)
{
    DWORD size = 0;
    if (c.usage(c.db, nullptr, 0, CDB_REPORT_BYTES, &size) != ERROR_SUCCESS)
        return 0;
    return size;
}


void noteZ4_driver_com(const char *dosDevices, size_t length)
{
    if (length < 4 || std::strncmp(dosDevices, "COM", 3) != 0)
        return;
    addZ4_com(Z4DriverComNumbers, number_at(dosDevices, length, 3));
}

void forgetZ4_driver_coms() { std::memset(Z4DriverComNumbers, 0, sizeof Z4DriverComNumbers); }

ComDBUsage *readZ4_comdb_usage()
{
    ComDB c;
    if (!openZ4_comdb(&c))
        return nullptr;
    DWORD size = sizeZ4_comdb(c);
    ComDBUsage *usage = static_cast<ComDBUsage *>(std::calloc(1, sizeof(ComDBUsage) + size));
    if (usage && size &&
        c.usage(c.db, usage->inUse, size, CDB_REPORT_BYTES, &usage->ports) != ERROR_SUCCESS)
        usage->ports = 0;
    if (usage && usage->ports > size)
        usage->ports = size;
    closeZ4_comdb(&c);
    return usage;
}

bool reservedZ4_elsewhere(const ComDBUsage *usage, uint32_t com)
{
    return usage && com >= 1 && com <= usage->ports && usage->inUse[com - 1] && !hasZ4_com(Z4DriverComNumbers, com);
}

static void reportZ4_comdb(const char *call, LONG rc, uint32_t com)
{
    char text[160];
    std::snprintf(text, sizeof text, "Error: COM port database, %s = %d, COM%u", call,
                  static_cast<int>(rc), com);
    z4report(nullptr, text, "", MB_OK);
}

// Claims `com`, growing the database first when the number lies beyond it.
static void claimZ4_com(const ComDB &c, DWORD *size, uint32_t com)
{
    if (com > Z4_COMDB_MAX_PORTS)
        return;
    if (com > *size) {
        DWORD grown = (com + 1023) / 1024 * 1024;
        LONG rc = c.resize(c.db, grown);
        if (rc != ERROR_SUCCESS) {
            reportZ4_comdb("ComDBResizeDatabase", rc, com);
            return;
        }
        *size = grown;
    }
    BOOL forced = FALSE;
    LONG rc = c.claim(c.db, com, FALSE, &forced);
    // A number the database marks already is as good as claimed.
    if (rc != ERROR_SUCCESS && rc != ERROR_SHARING_VIOLATION)
        reportZ4_comdb("ComDBClaimPort", rc, com);
}

// The COM numbers the writer gives.
static void writtenZ4_coms(ComSet &written)
{
    std::memset(written, 0, sizeof written);
    for (int b = 0; b < Z4_SLOTS; ++b) {
        uint32_t device, com;
        if (!firstZ4_port_numbers(b, &device, &com))
            continue;
        for (uint32_t p = 0; p < CurrentZ4config[b].NumPorts; ++p)
            addZ4_com(written, com + p);
    }
}

unsigned planZ4_comdb(void (*each)(const char *line))
{
    ComDBUsage *usage = readZ4_comdb_usage();
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

// The driver's old numbers that `kept` does not hold go back to the system.
static void releaseZ4_driver_coms_but(const ComDB &c, DWORD size, const ComSet &kept)
{
    for (uint32_t com = 1; com <= size && com <= Z4_COMDB_MAX_PORTS; ++com) {
        if (!hasZ4_com(Z4DriverComNumbers, com) || hasZ4_com(kept, com))
            continue;
        LONG rc = c.release(c.db, com);
        if (rc != ERROR_SUCCESS)
            reportZ4_comdb("ComDBReleasePort", rc, com);
    }
}

void claimZ4_written_coms()
{
    ComDB c;
    if (!openZ4_comdb(&c))
        return;
    DWORD size = sizeZ4_comdb(c);
    ComSet written;
    writtenZ4_coms(written);
    releaseZ4_driver_coms_but(c, size, written);
    for (uint32_t com = 1; com <= Z4_COMDB_MAX_PORTS; ++com)
        if (hasZ4_com(written, com))
            claimZ4_com(c, &size, com);
    closeZ4_comdb(&c);
}

void releaseZ4_driver_coms()
{
    ComDB c;
    if (!openZ4_comdb(&c))
        return;
    ComSet none = {};
    releaseZ4_driver_coms_but(c, sizeZ4_comdb(c), none);
    closeZ4_comdb(&c);
}
