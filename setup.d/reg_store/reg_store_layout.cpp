// The value tables the writer uses and the data and length rule for every value it writes.
#include <cstdio>
#include <cstring>

#include "board_model.h"
#include "reg_store.h"
#include "reg_store_keys.h"

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

int boardZ4_slot(const char *name)
{
    for (int slot = 0; slot < Z4_SLOTS; ++slot) {
        char own[Z4_BOARD_NAME_CHARS];
        boardZ4_name(slot, own);
        if (sameZ4_key_name(name, own))
            return slot;
    }
    return -1;
}

void boardZ4_values(int slot, ServiceValue (&values)[Z4_BOARD_VALUE_COUNT])
{
    const BoardConfig &board = CurrentZ4config[slot];
    values[0] = {Z4_VALUE_IOADDR, REG_DWORD, board.IOAddr, ""};
    values[1] = {Z4_VALUE_INTERRUPT, REG_DWORD, board.Interrupt, ""};
    values[2] = {Z4_VALUE_BUSTYPE, REG_DWORD, board.BusType, ""};
}

// A port key's name: this prefix, then the device number.
static const char Z4_PORT_NAME_PREFIX[] = "Serial";

void portZ4_name(uint32_t device, char (&name)[Z4_PORT_NAME_CHARS])
{
    // Numbers past 2^31 come out negative, as the writer has always formed them.
    std::snprintf(name, sizeof name, "%s%d", Z4_PORT_NAME_PREFIX, static_cast<int>(device));
}

uint32_t portZ4_device_number(const char *name)
{
    return numberZ4_at(name, std::strlen(name), sizeof Z4_PORT_NAME_PREFIX - 1);
}

void portZ4_values(uint32_t com, uint32_t index, ServiceValue (&values)[PORT_VALUE_COUNT])
{
    values[PORT_VALUE_DOSDEVICES] = {Z4_VALUE_DOSDEVICES, REG_SZ, 0, ""};
    std::snprintf(values[PORT_VALUE_DOSDEVICES].text, sizeof values[PORT_VALUE_DOSDEVICES].text,
                  Z4_DOSDEVICES_FORMAT, static_cast<int>(com));
    values[PORT_VALUE_PORTINDEX] = {Z4_VALUE_PORTINDEX, REG_DWORD, index, ""};
}

void portsZ4_entry(uint32_t com, ServiceValue *entry)
{
    *entry = {"", REG_SZ, 0, Z4_PORTS_ENTRY_SETTINGS};
    std::snprintf(entry->name, sizeof entry->name, Z4_PORTS_ENTRY_FORMAT, static_cast<int>(com));
}

bool keptZ4_start(LONG rc, DWORD length, const BYTE *data, uint32_t *start)
{
    *start = Z4_DEFAULT_START;
    if (rc == ERROR_SUCCESS && length == 4)
        std::memcpy(start, data, 4);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND || rc == ERROR_MORE_DATA;
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

uint32_t numberZ4_at(const char *text, size_t length, size_t p)
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
