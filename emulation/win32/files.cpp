// Emulated file calls over the Linux file system: names in UTF-16 (converted to UTF-8 paths),
// devices as Windows reads their names, file kinds, the moves and deletions with Windows'
// refusals, the system's message texts and folder, and faults a test can inject.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "dos_device_names.h"
#include "file_record.h"
#include "ui_record.h"

namespace {

// An open file: its descriptor and what GetFileType answers for it.
struct OpenFile {
    int fd;
    DWORD kind;
    bool ownedByStream;  // given to _open_osfhandle: the stream's fclose closes it
};
std::map<uintptr_t, OpenFile> files;
uintptr_t next_handle = 0xf11e0000;

std::vector<std::string> held_files;
// What a file has beside its bytes, by the name it was given.
struct FileMeta {
    std::string security;
    DWORD attributes = 0;
};
std::map<std::string, FileMeta> metas;
bool replace_available = true;
std::map<std::string, std::vector<DWORD>> faults;  // call -> codes for its next calls
std::vector<emu::FileCall> calls;
bool disk_full = false;

DWORD error_of_errno(int e)
{
    switch (e) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EBUSY:
        return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

// A fault injected for the call's next use: false with the code set as its last error.
bool injected(const char *call, const std::string &path)
{
    calls.push_back({call, path});
    auto it = faults.find(call);
    if (it == faults.end() || it->second.empty())
        return false;
    DWORD code = it->second.front();
    it->second.erase(it->second.begin());
    SetLastError(code);
    return true;
}

std::string utf8(LPCWSTR wide)
{
    std::string out;
    for (const WCHAR *p = wide; *p; ++p) {
        uint32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Windows opens "nul.ini" or "x\\com1.txt" as the device: the emulation answers as its table of
// the system's answers does.
bool device_name(const std::string &path) { return emu::opens_a_device(path); }

// A file another program holds open without sharing can be neither replaced nor deleted; Wine
// answers ERROR_ACCESS_DENIED. So is a read-only file deleted: Windows refuses whoever asks, where
// root on Linux would not.
bool is_held(const std::string &path)
{
    struct stat st, other;
    if (stat(path.c_str(), &st) != 0)
        return false;
    for (const auto &held : held_files)
        if (stat(held.c_str(), &other) == 0 && other.st_dev == st.st_dev && other.st_ino == st.st_ino)
            return true;
    return false;
}

bool refused(const std::string &path)
{
    if (is_held(path))
        return true;
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The open file of a handle; null, with ERROR_INVALID_HANDLE as the last error, for none.
OpenFile *find(HANDLE handle)
{
    auto it = files.find(reinterpret_cast<uintptr_t>(handle));
    if (it == files.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &it->second;
}

BOOL move_file(const std::string &from, const std::string &to, DWORD flags)
{
    if (exists(to)) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        // A read-only file is replaced as Wine replaces it; a held one is not.
        if (is_held(to)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        SetLastError(error_of_errno(errno));
        return FALSE;
    }
    // The moved file keeps what it had; the target's own security and attributes are gone.
    auto it = metas.find(from);
    if (it != metas.end())
        metas[to] = it->second, metas.erase(from);
    else
        metas.erase(to);
    return TRUE;
}

BOOL delete_file(const std::string &path)
{
    if (refused(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(path.c_str()) != 0) {
        SetLastError(error_of_errno(errno));
        return FALSE;
    }
    return TRUE;
}

// Wine 8's texts for the codes a file call gives (kernelbase's message table).
const std::map<DWORD, const char *> messages = {
    {ERROR_FILE_NOT_FOUND, "File not found."},
    {ERROR_PATH_NOT_FOUND, "Path not found."},
    {ERROR_ACCESS_DENIED, "Access denied."},
    {ERROR_INVALID_HANDLE, "Invalid handle."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory."},
    {ERROR_WRITE_FAULT, "Write fault."},
    {ERROR_SHARING_VIOLATION, "Sharing violation."},
    {ERROR_FILE_EXISTS, "File exists."},
    {ERROR_INVALID_PARAMETER, "Invalid parameter."},
    {ERROR_DISK_FULL, "Disk full."},
    {ERROR_INVALID_NAME, "Invalid name."},
    {ERROR_ALREADY_EXISTS, "File already exists."},
    {ERROR_FILENAME_EXCED_RANGE, "File name is too long."},
};

}  // namespace

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE)
{
    std::string path = utf8(lpFileName);
    bool failed = injected("CreateFileW", path);
    calls.back().flags = dwFlagsAndAttributes;
    if (failed)
        return INVALID_HANDLE_VALUE;
    int fd;
    DWORD kind = FILE_TYPE_DISK;
    if (device_name(path)) {
        fd = open("/dev/null", O_RDWR);
        kind = FILE_TYPE_CHAR;
    } else {
        int flags = (dwDesiredAccess & GENERIC_WRITE) ? ((dwDesiredAccess & GENERIC_READ) ? O_RDWR : O_WRONLY)
                                                      : O_RDONLY;
        if (dwCreationDisposition == CREATE_NEW)
            flags |= O_CREAT | O_EXCL;
        else if (dwCreationDisposition != OPEN_EXISTING) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        if (dwCreationDisposition == OPEN_EXISTING && (dwDesiredAccess & GENERIC_WRITE) && is_held(path)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
        // A pipe is opened without waiting for its other end, as Windows opens one.
        fd = open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd >= 0) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            struct stat st;
            fstat(fd, &st);
            // Windows opens no folder without FILE_FLAG_BACKUP_SEMANTICS.
            if (S_ISDIR(st.st_mode)) {
                close(fd);
                SetLastError(ERROR_ACCESS_DENIED);
                return INVALID_HANDLE_VALUE;
            }
            kind = S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ? FILE_TYPE_PIPE
                   : S_ISCHR(st.st_mode)                       ? FILE_TYPE_CHAR
                                                               : FILE_TYPE_DISK;
            if (disk_full && dwCreationDisposition == CREATE_NEW) {
                // The file is made, but nothing written to it reaches the disk.
                int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
                dup2(full, fd);
                close(full);
            }
        }
    }
    if (fd < 0) {
        int e = errno;
        // Windows tells a missing folder on the way from a missing file.
        size_t slash = path.find_last_of('/');
        SetLastError(e == ENOENT && slash != std::string::npos && slash > 0 &&
                             !exists(path.substr(0, slash))
                         ? ERROR_PATH_NOT_FOUND
                         : error_of_errno(e));
        return INVALID_HANDLE_VALUE;
    }
    uintptr_t handle = next_handle++;
    files[handle] = {fd, kind, false};
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HANDLE>(handle);
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPVOID)
{
    *lpNumberOfBytesRead = 0;
    OpenFile *f = find(hFile);
    if (!f)
        return FALSE;
    if (injected("ReadFile", ""))
        return FALSE;
    ssize_t got = read(f->fd, lpBuffer, nNumberOfBytesToRead);
    if (got < 0) {
        SetLastError(error_of_errno(errno));
        return FALSE;
    }
    *lpNumberOfBytesRead = static_cast<DWORD>(got);
    return TRUE;
}

DWORD WINAPI GetFileType(HANDLE hFile)
{
    OpenFile *f = find(hFile);
    if (!f)
        return FILE_TYPE_UNKNOWN;
    return f->kind;
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile)
{
    OpenFile *f = find(hFile);
    if (!f)
        return FALSE;
    if (injected("FlushFileBuffers", ""))
        return FALSE;
    fsync(f->fd);
    return TRUE;
}

BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags)
{
    std::string to = utf8(lpNewFileName);
    if (injected("MoveFileExW", to))
        return FALSE;
    return move_file(utf8(lpExistingFileName), to, dwFlags);
}

// The replacement takes the replaced file's place and keeps what the replaced file had: its
// security, attributes and mode, as Windows documents it (Wine moves the replacement over it and
// keeps none of that; it has no file security to keep). A read-only or held file is not replaced.
BOOL WINAPI ReplaceFileW(LPCWSTR lpReplacedFileName, LPCWSTR lpReplacementFileName, LPCWSTR lpBackupFileName,
                         DWORD, LPVOID, LPVOID)
{
    std::string replaced = utf8(lpReplacedFileName), replacement = utf8(lpReplacementFileName);
    if (injected("ReplaceFileW", replaced))
        return FALSE;
    struct stat st;
    if (lpBackupFileName || stat(replaced.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastError(lpBackupFileName ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    // Wine moves a held file aside first, which its sharing refuses.
    if (refused(replaced)) {
        SetLastError(is_held(replaced) ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (std::rename(replacement.c_str(), replaced.c_str()) != 0) {
        SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
        return FALSE;
    }
    chmod(replaced.c_str(), st.st_mode & 07777);
    metas.erase(replacement);
    return TRUE;
}

// A name without its folder takes the current folder's. (Windows' ReplaceFileW takes such a name
// as it is; Wine's refuses it, and the tool passes full names.)
DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR *lpFilePart)
{
    std::u16string full;
    if (lpFileName[0] != '/') {
        char here[4096];
        if (!getcwd(here, sizeof here)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return 0;
        }
        for (const char *p = here; *p; ++p)
            full += static_cast<char16_t>(static_cast<unsigned char>(*p));
        full += u'/';
    }
    for (const WCHAR *p = lpFileName; *p; ++p)
        full += static_cast<char16_t>(*p);
    if (full.size() + 1 > nBufferLength)
        return static_cast<DWORD>(full.size() + 1);
    for (size_t i = 0; i < full.size(); ++i)
        lpBuffer[i] = static_cast<WCHAR>(full[i]);
    lpBuffer[full.size()] = 0;
    if (lpFilePart)
        *lpFilePart = lpBuffer + full.rfind(u'/') + 1;
    return static_cast<DWORD>(full.size());
}

DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName)
{
    std::string path = utf8(lpFileName);
    calls.push_back({"GetFileAttributesW", path});
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        SetLastError(error_of_errno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    auto it = metas.find(path);
    DWORD attributes = it == metas.end() ? 0 : it->second.attributes;
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName)
{
    std::string path = utf8(lpFileName);
    if (injected("DeleteFileW", path))
        return FALSE;
    return delete_file(path);
}

BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags)
{
    return move_file(lpExistingFileName, lpNewFileName, dwFlags);
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) { return delete_file(lpFileName); }

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer,
                            DWORD nSize, va_list *)
{
    auto it = messages.find(dwMessageId);
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || it == messages.end() || nSize == 0) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    std::string text = std::string(it->second) + "\r\n";
    if (text.size() + 1 > nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    static const char folder[] = EMU_SYSTEM_FOLDER;
    if (uSize < sizeof folder)
        return sizeof folder;
    std::memcpy(lpBuffer, folder, sizeof folder);
    return sizeof folder - 1;
}

// The C runtime's descriptor over a handle: here the handle's own descriptor.
int _open_osfhandle(intptr_t osfhandle, int)
{
    OpenFile *f = find(reinterpret_cast<HANDLE>(osfhandle));
    if (!f || f->ownedByStream)
        return -1;
    f->ownedByStream = true;
    return f->fd;
}

std::FILE *_fdopen(int fd, const char *mode) { return fdopen(fd, mode); }

int _close(int fd) { return close(fd); }

// True for any character device, as Windows' C library answers for the console and NUL alike:
// /dev/null too, where isatty would say no.
int _isatty(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode);
}

int _fileno(std::FILE *stream) { return fileno(stream); }

// A handle of a file: closed here (true), or not a file's (false).
bool emu_close_file_handle(HANDLE handle)
{
    auto it = files.find(reinterpret_cast<uintptr_t>(handle));
    if (it == files.end())
        return false;
    if (!it->second.ownedByStream)
        close(it->second.fd);
    files.erase(it);
    return true;
}

namespace emu {

void hold_file(const std::string &path) { held_files.push_back(path); }

void file_inject(const std::string &call, DWORD code) { faults[call].push_back(code); }

void file_fill_disk(bool on) { disk_full = on; }

const std::vector<FileCall> &file_calls() { return calls; }

int open_file_handles()
{
    int open = 0;
    for (const auto &f : files)
        open += f.second.ownedByStream ? 0 : 1;
    return open;
}

void set_file_security(const std::string &path, const std::string &descriptor) { metas[path].security = descriptor; }

std::string file_security(const std::string &path)
{
    auto it = metas.find(path);
    return it == metas.end() ? "" : it->second.security;
}

void set_file_attributes(const std::string &path, DWORD attributes) { metas[path].attributes = attributes; }

DWORD file_attributes(const std::string &path)
{
    auto it = metas.find(path);
    return it == metas.end() ? 0 : it->second.attributes;
}

void set_replace_file_available(bool on) { replace_available = on; }

bool replace_file_available() { return replace_available; }

void files_reset()
{
    metas.clear();
    replace_available = true;
    for (auto &f : files)
        if (!f.second.ownedByStream)
            close(f.second.fd);
    files.clear();
    held_files.clear();
    faults.clear();
    disk_full = false;
    calls.clear();
}

}  // namespace emu
