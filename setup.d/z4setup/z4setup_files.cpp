// File names as Windows holds them, and the file calls of the board-file reader and of "/r FILE":
// devices refused, the report created new beside its target and moved over it when complete.
#include "z4setup_files.h"

#include <fcntl.h>

#include <cstring>

#ifdef _WIN32
#include <io.h>
#endif

void utf8Z4_of_wide(const WCHAR *wide, char *out)
{
    for (const WCHAR *p = wide; *p; ++p) {
        unsigned c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
            *out++ = static_cast<char>(0xF0 | c >> 18);
            *out++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        } else if (c >= 0x800) {
            *out++ = static_cast<char>(0xE0 | c >> 12);
        } else if (c >= 0x80) {
            *out++ = static_cast<char>(0xC0 | c >> 6);
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
            continue;
        } else {
            *out++ = static_cast<char>(c);
            continue;
        }
        *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    *out = '\0';
}

// The next unit of a UTF-8 text made by utf8Z4_of_wide; a four-byte sequence gives its high
// surrogate and leaves *low the low one. Bytes that are no such text pass as they are.
static const unsigned char *nextZ4_unit(const unsigned char *p, unsigned *unit, unsigned *low)
{
    *low = 0;
    if (p[0] >= 0xF0 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80 && (p[3] & 0xC0) == 0x80) {
        unsigned c = (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
        c -= 0x10000;
        *unit = 0xD800 + (c >> 10 & 0x3FF);
        *low = 0xDC00 + (c & 0x3FF);
        return p + 4;
    }
    if (p[0] >= 0xE0 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
        *unit = (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
        return p + 3;
    }
    if (p[0] >= 0xC0 && (p[1] & 0xC0) == 0x80) {
        *unit = (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu);
        return p + 2;
    }
    *unit = p[0];
    return p + 1;
}

size_t unitsZ4_of_utf8(const char *text)
{
    size_t units = 0;
    unsigned unit, low;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p;) {
        p = nextZ4_unit(p, &unit, &low);
        units += low ? 2 : 1;
    }
    return units;
}

bool nameZ4_file(const char *utf8, Z4FileName *name)
{
    if (unitsZ4_of_utf8(utf8) >= static_cast<size_t>(Z4_FILE_NAME_CHARS))
        return false;
    size_t n = 0;
    unsigned unit, low;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(utf8); *p;) {
        p = nextZ4_unit(p, &unit, &low);
        name->wide[n] = static_cast<WCHAR>(unit);
        name->shown[n++] = unit < 0x80 ? static_cast<char>(unit) : '?';
        if (low) {
            name->wide[n] = static_cast<WCHAR>(low);
            name->shown[n++] = '?';
        }
    }
    name->wide[n] = 0;
    name->shown[n] = '\0';
    return true;
}

// Every file the tool opens: should a pipe slip past the checks, its server may learn who the
// tool runs as, but never act as that account.
constexpr DWORD Z4_FILE_FLAGS = FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

static WCHAR lowerZ4_letter(WCHAR c) { return c >= 'A' && c <= 'Z' ? static_cast<WCHAR>(c + 32) : c; }

// Whether the `length` units at `text` are `word` (lower-case ASCII) in any case.
static bool isZ4_word(const WCHAR *text, size_t length, const char *word)
{
    size_t i = 0;
    for (; i < length && word[i]; ++i)
        if (lowerZ4_letter(text[i]) != static_cast<WCHAR>(word[i]))
            return false;
    return i == length && word[i] == '\0';
}

static bool isZ4_separator(WCHAR c) { return c == '\\' || c == '/'; }

static bool isZ4_letter(WCHAR c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Whether `text` begins with `word` (lower-case ASCII) in any case, followed by a separator.
static bool isZ4_part(const WCHAR *text, const char *word)
{
    size_t n = std::strlen(word);
    return isZ4_word(text, n, word) && isZ4_separator(text[n]);
}

// The last part of a path names a DOS device: up to its first point or colon, blanks at its end
// aside, one of the reserved names ("com1.ini", "nul .txt", "lpt1:", "COM\u00B9").
static bool isZ4_reserved(const WCHAR *base)
{
    size_t length = 0;
    while (base[length] && base[length] != '.' && base[length] != ':')
        ++length;
    while (length && base[length - 1] == ' ')
        --length;
    static const char *const devices[] = {"nul", "con", "prn", "aux", "conin$", "conout$", "clock$"};
    for (const char *device : devices)
        if (isZ4_word(base, length, device))
            return true;
    // Windows reserves the superscript digits one to three as it does 1 to 9.
    WCHAR digit = length == 4 ? base[3] : 0;
    bool numbered = (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    return numbered && (isZ4_word(base, 3, "com") || isZ4_word(base, 3, "lpt"));
}

bool isZ4_device_name(const WCHAR *name)
{
    const WCHAR *path = name;
    // "\\.\", "\\?\" and "\??\", with either slash: the device namespace, where only a
    // drive path ("\\?\C:\x.ini") or a server's share ("\\?\UNC\server\share\x.ini")
    // names a file; everything else there (a port, a pipe, a volume "\\.\C:") is refused.
    bool local = isZ4_separator(path[0]) && isZ4_separator(path[1]) && (path[2] == '.' || path[2] == '?') &&
                 (isZ4_separator(path[3]) || path[3] == 0);
    bool objects = path[0] == '\\' && path[1] == '?' && path[2] == '?' && path[3] == '\\';
    bool unc = false;
    if (local || objects) {
        if (path[3] == 0)
            return true;
        path += 4;
        if (isZ4_part(path, "unc")) {
            path += 3;  // "\\?\UNC\server\share": a share, as "\\server\share"
            unc = true;
        } else if (!(isZ4_letter(path[0]) && path[1] == ':' && isZ4_separator(path[2]) && path[3])) {
            return true;
        }
    } else {
        unc = isZ4_separator(path[0]) && isZ4_separator(path[1]);
        if (unc)
            path += 1;
    }
    if (unc) {
        // "\\server\pipe\x" and "\\server\mailslot\x" are a server's pipes, not its files;
        // the system reads no DOS device name in a share's path.
        const WCHAR *share = path + 1;
        while (*share && !isZ4_separator(*share))
            ++share;
        return *share && (isZ4_part(share + 1, "pipe") || isZ4_part(share + 1, "mailslot"));
    }
    // The last part: after the last separator, or after the drive of "C:nul".
    const WCHAR *base = isZ4_letter(path[0]) && path[1] == ':' ? path + 2 : path;
    for (const WCHAR *p = base; *p; ++p)
        if (isZ4_separator(*p))
            base = p + 1;
    return isZ4_reserved(base);
}

void joinZ4_name(char *out, size_t size, const char *name, const char *tail)
{
    size_t tailLength = std::strlen(tail);
    if (tailLength >= size)
        tailLength = size - 1;
    size_t room = size - 1 - tailLength;
    size_t nameLength = std::strlen(name);
    // A long path gives way from its start: its file name and the tail stay.
    if (nameLength > room) {
        size_t keep = room >= 3 ? room - 3 : 0;
        if (room >= 3)
            out = static_cast<char *>(std::memcpy(out, "...", 3)) + 3;
        name += nameLength - keep;
        nameLength = keep;
    }
    std::memcpy(out, name, nameLength);
    std::memcpy(out + nameLength, tail, tailLength);
    out[nameLength + tailLength] = '\0';
}

void messageZ4_file(char (&text)[Z4_FILE_MESSAGE_CHARS], const char *shown, Z4FileResult result,
                    const char *what, DWORD error)
{
    char tail[512];
    if (result == Z4_FILE_DEVICE) {
        std::snprintf(tail, sizeof tail, ": is a device, not a file");
    } else {
        char reason[256] = "";
        DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 error, 0, reason, sizeof reason, nullptr);
        // The system's text ends its sentence with a line break.
        while (n && static_cast<unsigned char>(reason[n - 1]) <= ' ')
            reason[--n] = '\0';
        if (n == 0)
            std::snprintf(reason, sizeof reason, "the system gives no reason");
        std::snprintf(tail, sizeof tail, ": %s: %s (error %lu)", what, reason,
                      static_cast<unsigned long>(error));
    }
    joinZ4_name(text, sizeof text, shown, tail);
}

// Opened and found to be a file on a disk, or closed again and refused.
static Z4FileResult diskZ4_file(HANDLE handle, DWORD *error)
{
    if (handle == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return Z4_FILE_FAILED;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return Z4_FILE_DEVICE;
    }
    return Z4_FILE_DONE;
}

Z4FileResult readZ4_file(const Z4FileName &name, char *bytes, size_t room, size_t *length,
                         DWORD *error, const char **what)
{
    *length = 0;
    *what = "cannot be opened";
    if (isZ4_device_name(name.wide))
        return Z4_FILE_DEVICE;
    // Shared as fopen shares it: a file an editor has open is read all the same.
    HANDLE file = CreateFileW(name.wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, Z4_FILE_FLAGS, nullptr);
    Z4FileResult opened = diskZ4_file(file, error);
    if (opened != Z4_FILE_DONE)
        return opened;
    Z4FileResult result = Z4_FILE_DONE;
    *what = "cannot be read";
    while (*length < room) {
        DWORD want = room - *length > 0x10000 ? 0x10000 : static_cast<DWORD>(room - *length);
        DWORD got = 0;
        if (!ReadFile(file, bytes + *length, want, &got, nullptr)) {
            *error = GetLastError();
            result = Z4_FILE_FAILED;
            break;
        }
        if (got == 0)
            break;
        *length += got;
    }
    CloseHandle(file);
    return result;
}

// The name of attempt `n` (0 to 7) beside `target`.
static void tempZ4_name(const Z4FileName &target, int n, WCHAR (&temp)[Z4_FILE_NAME_CHARS + 24])
{
    size_t length = 0;
    while (target.wide[length])
        temp[length] = target.wide[length], ++length;
    char tail[24];
    std::snprintf(tail, sizeof tail, n ? ".z4setup-%d.tmp" : ".z4setup.tmp", n + 1);
    for (const char *p = tail; *p; ++p)
        temp[length++] = static_cast<WCHAR>(*p);
    temp[length] = 0;
}

Z4FileResult createZ4_beside(const Z4FileName &target, Z4NewFile *file, DWORD *error)
{
    file->handle = INVALID_HANDLE_VALUE;
    file->stream = nullptr;
    if (isZ4_device_name(target.wide))
        return Z4_FILE_DEVICE;
    // A target opened by another name of the device namespace, or a pipe, is no file either. Only
    // its kind is asked for: nothing is read, and a file another program holds still answers.
    HANDLE existing = CreateFileW(target.wide, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, Z4_FILE_FLAGS, nullptr);
    file->replaces = existing != INVALID_HANDLE_VALUE;
    if (file->replaces) {
        DWORD kind = GetFileType(existing);
        CloseHandle(existing);
        if (kind != FILE_TYPE_DISK)
            return Z4_FILE_DEVICE;
        // A file made read-only stays as it is, whoever runs the tool: said before anything is made.
        DWORD attributes = GetFileAttributesW(target.wide);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            *error = ERROR_ACCESS_DENIED;
            return Z4_FILE_FAILED;
        }
    }
    // A name that is taken, by a leftover or by a file or link planted there, is never opened:
    // the next one is tried, eight in all.
    for (int n = 0; n < 8; ++n) {
        tempZ4_name(target, n, file->temp);
        HANDLE handle = CreateFileW(file->temp, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    Z4_FILE_FLAGS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            *error = GetLastError();
            if (*error == ERROR_FILE_EXISTS || *error == ERROR_ALREADY_EXISTS)
                continue;
            return Z4_FILE_FAILED;
        }
        Z4FileResult made = diskZ4_file(handle, error);
        if (made != Z4_FILE_DONE)
            return made;
        int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
        file->stream = fd == -1 ? nullptr : _fdopen(fd, "w");
        if (!file->stream) {
            *error = ERROR_NOT_ENOUGH_MEMORY;
            if (fd == -1)
                CloseHandle(handle);
            else
                _close(fd);
            DeleteFileW(file->temp);
            return Z4_FILE_FAILED;
        }
        file->handle = handle;
        return Z4_FILE_DONE;
    }
    return Z4_FILE_FAILED;
}

// Room for a name with the current folder before it.
constexpr DWORD Z4_FULL_NAME_CHARS = 2 * Z4_FILE_NAME_CHARS + 64;

// `name` as the system resolves it against the current folder, in `full`; the name itself where
// it cannot be resolved or would not fit.
static const WCHAR *fullZ4_name(const WCHAR *name, WCHAR (&full)[Z4_FULL_NAME_CHARS])
{
    DWORD n = GetFullPathNameW(name, Z4_FULL_NAME_CHARS, full, nullptr);
    return n > 0 && n < Z4_FULL_NAME_CHARS ? full : name;
}

Z4FileResult finishZ4_beside(Z4NewFile *file, const Z4FileName &target, bool complete,
                             DWORD *error)
{
    // What the stream holds reaches the disk before the report takes the target's place.
    bool written = complete && std::fflush(file->stream) == 0 && !std::ferror(file->stream);
    *error = ERROR_WRITE_FAULT;
    if (written && !FlushFileBuffers(file->handle)) {
        *error = GetLastError();
        written = false;
    }
    if (std::fclose(file->stream) != 0 && written)
        written = false;
    file->stream = nullptr;
    file->handle = INVALID_HANDLE_VALUE;
    typedef BOOL(WINAPI * ReplaceFileCall)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);
    ReplaceFileCall replace =
        written && file->replaces ? lateZ4_function<ReplaceFileCall>("kernel32.dll", "ReplaceFileW") : nullptr;
    if (replace) {
        // Both by their full names: Wine's ReplaceFileW cannot replace a name without a folder
        // ("boards.ini" answers ERROR_DIRECTORY), where Windows takes it as the system resolves it.
        WCHAR replaced[Z4_FULL_NAME_CHARS], replacement[Z4_FULL_NAME_CHARS];
        const WCHAR *to = fullZ4_name(target.wide, replaced), *from = fullZ4_name(file->temp, replacement);
        if (replace(to, from, nullptr, 0, nullptr, nullptr))
            return Z4_FILE_DONE;
    }
    if (written && !replace &&
        MoveFileExW(file->temp, target.wide, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Z4_FILE_DONE;
    if (written)
        *error = GetLastError();
    DeleteFileW(file->temp);
    return Z4_FILE_FAILED;
}
