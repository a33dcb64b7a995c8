// The table of names Windows resolves to devices, and the emulation's answer from it.
#include "dos_device_names.h"

#include <cctype>

namespace emu {

const std::vector<DeviceNameAnswer> &device_name_answers()
{
    static const std::vector<DeviceNameAnswer> answers = {
        // RtlIsDosDeviceName_U, as Wine's ntdll tests record Windows.
        {u"\\\\.\\CON", true, false},
        {u"\\\\.\\con", true, false},
        {u"\\\\.\\CON2", false, false},
        {u"\\\\.\\CONIN$", false, false},
        {u"\\\\.\\CONOUT$", false, false},
        {u"\\\\foo\\nul", false, true},
        {u"c:\\nul:", true, false},
        {u"c:\\nul\\", false, true},
        {u"c:\\nul\\foo", false, true},
        {u"c:\\nul::", true, false},
        {u"c:\\nul::::::", true, false},
        {u"c:prn     ", true, false},
        {u"c:prn.......", true, false},
        {u"c:prn... ...", true, false},
        {u"c:NUL  ....  ", true, false},
        {u"c: . . .", false, true},
        {u" . . . :", false, true},
        {u"c:nul. . . :", true, false},
        {u"c:nul . . :", true, false},
        {u"c:nul0", false, true},
        {u"c:prn:aaa", true, false},
        {u"c:PRN:.txt", true, false},
        {u"c:aux:.txt...", true, false},
        {u"c:prn:.txt:", true, false},
        {u"c:nul:aaa", true, false},
        {u"con:", true, false},
        {u"lpt1:", true, false},
        {u"c:com5:", true, false},
        {u"CoM4:", true, false},
        {u"lpt9:", true, false},
        {u"c:\\lpt0.txt", false, true},
        {u"CONIN$", true, false},
        {u"CONOUT$", true, false},
        {u"CONERR$", false, true},
        {u"CON", true, false},
        {u"PIPE", false, true},
        {u"\\??\\CONIN$", true, false},
        {u"\\??\\CONOUT$", true, false},
        {u"\\??\\CONERR$", false, false},
        {u"\\??\\CON", true, false},
        {u"c:aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
         u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
         u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
         u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
         u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
         u"aaaaaaaaaaaaaaaaaaaaaaaaaaaa\\nul.txt",
         true, false},
        // RtlGetFullPathName_U gives "\\.\<device>" for these, in the same tests.
        {u"\\windows\\nul", true, false},
        {u"C:\\nonexistent\\nul", true, false},
        {u"C:\\con\\con", true, false},
        {u"C:NUL.", true, false},
        {u"C:NUL", true, false},
        {u"AUX", true, false},
        {u"COM1", true, false},
        {u"//./foo", false, false},
        {u"//?/foo", false, false},
        // Windows' documentation of reserved names: the superscript digits count as digits, and
        // an extension does not help.
        {u"COM\u00B9", true, false},
        {u"COM\u00B2", true, false},
        {u"COM\u00B3", true, false},
        {u"LPT\u00B9", true, false},
        {u"LPT\u00B2.ini", true, false},
        {u"lpt\u00B3", true, false},
        {u"NUL.txt", true, false},
        {u"NUL.tar.gz", true, false},
        {u"nul.ini", true, false},
        {u"nul .txt", true, false},
        {u"COM1.ini", true, false},
        {u"com1.ini", true, false},
        {u"lpt1.txt", true, false},
        {u"lpt2", true, false},
        {u"com1:", true, false},
        {u"COM9", true, false},
        {u"com10.ini", false, true},
        {u"com0.ini", false, true},
        {u"boards.ini", false, true},
        {u"nullable.ini", false, true},
        // The device and pipe namespaces, with slashes or backslashes; a volume; a server's pipes.
        {u"//./COM10", false, false},
        {u"\\\\.\\COM10", false, false},
        {u"\\\\?\\COM10", false, false},
        {u"\\\\?\\GLOBALROOT\\Device\\Serial0", false, false},
        {u"\\\\.\\C:", false, false},
        {u"\\\\?\\C:", false, false},
        {u"\\\\.\\pipe\\z4", false, false},
        {u"//./pipe/z4", false, false},
        {u"\\\\server\\pipe\\z4", false, false},
        {u"\\\\server\\PIPE\\z4", false, false},
        {u"\\\\server\\mailslot\\z4", false, false},
        {u"\\\\.\\C:\\boards.ini", false, true},
        {u"\\\\?\\C:\\setup\\boards.ini", false, true},
        {u"\\\\?\\UNC\\server\\share\\boards.ini", false, true},
        {u"\\\\server\\share\\boards.ini", false, true},
        {u"c:\\setup\\boards.ini", false, true},
    };
    return answers;
}

static std::string utf8_of(const char16_t *name)
{
    std::string out;
    for (const char16_t *p = name; *p; ++p) {
        unsigned c = *p;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

static bool same_name(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool opens_a_device(const std::string &name)
{
    size_t slash = name.find_last_of("/\\");
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    for (const std::string &candidate : {name, last})
        for (const DeviceNameAnswer &a : device_name_answers())
            if (same_name(candidate, utf8_of(a.name)))
                return a.dosDevice || !a.disk;
    return false;
}

}  // namespace emu
