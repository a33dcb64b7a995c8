// The board tables, option lists and numbering state, with their start contents.
#include "board_model.h"

#include <cctype>
#include <cstring>

const BoardConfig DefaultZ4config[Z4_SLOTS] = {
    {BUS_ISA, 0x308, 10, 0, 1},
    {BUS_ISA, 0x310, 10, 0, 1},
    {BUS_ISA, 0x318, 10, 0, 1},
    {BUS_ISA, 0x320, 10, 0, 1},
};

static const BoardConfig StartZ4config[Z4_SLOTS] = {
    {BUS_ISA, 0x308, 10, 0, 1},
    {0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0},
};

BoardConfig RegistryZ4config[Z4_SLOTS] = {
    {BUS_ISA, 0x308, 10, 0, 1},
    {0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0},
};
BoardConfig CurrentZ4config[Z4_SLOTS] = {
    {BUS_ISA, 0x308, 10, 0, 1},
    {0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0},
};

const char *const busTypeNames[BUS_TYPE_COUNT] = {"None", "ISA", "PCI"};

// The four usual addresses first, then every multiple of 8 from 0x158 to 0x3F0 except
// those other hardware owns (0x1F0, 0x1F8, 0x200, 0x278, 0x2F8) and the four already listed.
const char *const ioAddrChoices[] = {
    "308", "310", "318", "320",
    "158", "160", "168", "170", "178", "180", "188", "190", "198", "1A0", "1A8", "1B0",
    "1B8", "1C0", "1C8", "1D0", "1D8", "1E0", "1E8", "208", "210", "218", "220", "228",
    "230", "238", "240", "248", "250", "258", "260", "268", "270", "280", "288", "290",
    "298", "2A0", "2A8", "2B0", "2B8", "2C0", "2C8", "2D0", "2D8", "2E0", "2E8", "2F0",
    "300", "328", "330", "338", "340", "348", "350", "358", "360", "368", "370", "378",
    "380", "388", "390", "398", "3A0", "3A8", "3B0", "3B8", "3C0", "3C8", "3D0", "3D8",
    "3E0", "3E8", "3F0",
};
const int ioAddrChoiceCount = sizeof ioAddrChoices / sizeof ioAddrChoices[0];

const char *const irqChoices[] = {"3", "4", "5", "7", "10", "11", "12", "15"};
const int irqChoiceCount = sizeof irqChoices / sizeof irqChoices[0];

OptionList addressZ4_choices(uint32_t busType)
{
    if (busType == BUS_ISA)
        return {ioAddrChoices, ioAddrChoiceCount};
    return {nullptr, 0};
}

OptionList interruptZ4_choices(uint32_t busType)
{
    if (busType == BUS_ISA)
        return {irqChoices, irqChoiceCount};
    return {nullptr, 0};
}

bool optionZ4_list_has(OptionList list, const char *text)
{
    for (int k = 0; k < list.count; ++k)
        if (std::strcmp(list.items[k], text) == 0)
            return true;
    return false;
}

uint32_t COMMaxNum = 1;
uint32_t SerialMaxNum = 0;
uint32_t LoadedSerialMaxNum = 0;

uint32_t hex_to_int(const char *text)
{
    uint32_t value = 0;
    for (; *text; ++text) {
        value <<= 4;
        int c = std::tolower(static_cast<unsigned char>(*text));
        if (c >= '1' && c <= '9')
            value += static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            value += static_cast<uint32_t>(c - 'a' + 10);
    }
    return value;
}

void resetZ4_model()
{
    for (int i = 0; i < Z4_SLOTS; ++i) {
        RegistryZ4config[i] = StartZ4config[i];
        CurrentZ4config[i] = StartZ4config[i];
    }
    COMMaxNum = 1;
    SerialMaxNum = 0;
    LoadedSerialMaxNum = 0;
}
