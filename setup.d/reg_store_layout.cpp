// The value tables the writer uses and the data and length rule for every value it writes.
#include <cstdio>
#include <cstring>

#include "reg_store.h"

// Start mode 2 (automatic) unless the service key already holds one.
static const uint32_t Z4_DEFAULT_START = 2;

ServiceValue ServiceValueTable[SERVICE_VALUE_COUNT] = {
    {Z4_VALUE_ERROR_CONTROL, REG_DWORD, 0, ""},
    {Z4_VALUE_GROUP, REG_SZ, 0, "Extended base"},
    {Z4_VALUE_START, REG_DWORD, Z4_DEFAULT_START, ""},
    {Z4_VALUE_TYPE, REG_DWORD, 1, ""},
};

ServiceValue PortValueTable[PORT_VALUE_COUNT] = {
    {Z4_VALUE_DOSDEVICES, REG_SZ, 0, ""},
    {Z4_VALUE_PORTINDEX, REG_DWORD, 0, ""},
};

void resetZ4_value_tables()
{
    ServiceValueTable[SERVICE_VALUE_START].number = Z4_DEFAULT_START;
    std::memset(PortValueTable[PORT_VALUE_DOSDEVICES].text, 0,
                sizeof PortValueTable[PORT_VALUE_DOSDEVICES].text);
    PortValueTable[PORT_VALUE_PORTINDEX].number = 0;
}

void boardZ4_path(int slot, char (&path)[Z4_BOARD_PATH_CHARS])
{
    std::snprintf(path, sizeof path, "%s%d", Z4_BOARD_KEY_PREFIX, slot + 1);
}

void boardZ4_name(int slot, char (&name)[Z4_BOARD_NAME_CHARS])
{
    std::snprintf(name, sizeof name, Z4_BOARD_NAME_FORMAT, slot + 1);
}

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
