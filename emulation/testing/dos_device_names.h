// What Windows answers for names that may resolve to a device, as its conformance data records it:
// the emulation's file calls open such a name as a device, and the tool's own rule is tested
// against it, name by name.
#pragma once

#include <string>
#include <vector>

namespace emu {

struct DeviceNameAnswer {
    const char16_t *name;
    // RtlIsDosDeviceName_U finds a DOS device in it (Wine's ntdll tests record Windows' answers;
    // the superscript digits and "NUL.txt" are from Windows' documentation of reserved names).
    bool dosDevice;
    // The name can name a file on a disk. False for the device and pipe namespaces ("\\.\",
    // "\\?\" and "\??\" but for a drive or UNC path below them, a volume "\\.\C:", a server's
    // pipes): CreateFileW opens something else there, or nothing.
    bool disk;
};

const std::vector<DeviceNameAnswer> &device_name_answers();

// Whether Windows opens `name` (UTF-8, a Linux or Windows path) as something other than a file
// on a disk: the whole name, else its last component, as the table answers it; any other name is
// a file.
bool opens_a_device(const std::string &name);

}  // namespace emu
