// The value tables the writer uses and the data and length rule for every value it writes.
#include <cstring>

#include "reg_store.h"

ServiceValue ServiceValueTable[SERVICE_VALUE_COUNT] = {
    {"ErrorControl", REG_DWORD, 0, ""},
    {"Group", REG_SZ, 0, "Extended base"},
    {"Start", REG_DWORD, 2, ""},
    {"Type", REG_DWORD, 1, ""},
};

ServiceValue PortValueTable[PORT_VALUE_COUNT] = {
    {"DosDevices", REG_SZ, 0, ""},
    {"PortIndex", REG_DWORD, 0, ""},
};

LONG setZ4_value(HKEY key, const ServiceValue &value)
{
    if (value.type == REG_DWORD) {
        BYTE data[4];
        std::memcpy(data, &value.number, 4);  // little-endian on every target
        return RegSetValueExA(key, value.name, 0, REG_DWORD, data, 4);
    }
    // The text goes without its NUL; its last byte is kept for the NUL the registry looks at.
    DWORD length = static_cast<DWORD>(strnlen(value.text, sizeof value.text - 1));
    return RegSetValueExA(key, value.name, 0, value.type,
                          reinterpret_cast<const BYTE *>(value.text), length);
}

uint32_t number_at(const char *text, size_t length, size_t p)
{
    size_t i = p;
    while (i < length && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    return negative ? 0u - value : value;
}
