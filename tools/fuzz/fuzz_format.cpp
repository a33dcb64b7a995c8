// The tables a fuzz input's bytes index into.
#include "fuzz_format.h"

#include "reg_store.h"

namespace fuzz {

const char *const BASE_KEYS[] = {
    "",
    Z4_PARAMETERS_KEY,
    Z4_SERVICE_KEY,
    Z4_SERVICES_KEY,
    Z4_PORTS_KEY,
    Z4_DEVICE_MAP_KEY,
    Z4_RESOURCE_MAP_KEY,
    Z4_PARAMETERS_KEY "\\Board1",
    Z4_PARAMETERS_KEY "\\Board2",
    Z4_PARAMETERS_KEY "\\Board3",
    Z4_PARAMETERS_KEY "\\Board4",
    "SOFTWARE\\Other Vendor",
    "HARDWARE\\RESOURCEMAP\\LOADED SERIAL DRIVER RESOURCES",
};
const size_t BASE_KEY_COUNT = sizeof BASE_KEYS / sizeof BASE_KEYS[0];

const uint32_t VALUE_TYPES[] = {REG_SZ,        REG_DWORD,    REG_BINARY, REG_EXPAND_SZ,
                                REG_MULTI_SZ,  REG_NONE,     11 /* REG_QWORD */,
                                5 /* big-endian DWORD */, 0xFFFFFFFF};
const size_t VALUE_TYPE_COUNT = sizeof VALUE_TYPES / sizeof VALUE_TYPES[0];

const char *const FAULT_CALLS[] = {
    "RegOpenKeyExA",  "RegCreateKeyExA",  "RegQueryInfoKeyA", "RegEnumKeyExA",
    "RegEnumValueA",  "RegQueryValueExA", "RegSetValueExA",   "RegDeleteKeyA",
};
const size_t FAULT_CALL_COUNT = sizeof FAULT_CALLS / sizeof FAULT_CALLS[0];

const int32_t FAULT_CODES[] = {2, 5, 6, 14, 87, 122, 234, 259, 1018, 1, 1010, -1, 0x7FFFFFFF};
const size_t FAULT_CODE_COUNT = sizeof FAULT_CODES / sizeof FAULT_CODES[0];

}  // namespace fuzz
