// The layout as the tool has it, with the three parts of its description that the writer and
// the plan each follow (a board's values, a port key's name, the start mode kept) wrapped so a
// test can change them.
#include "description_drift.h"

#define boardZ4_values layoutZ4_board_values
#define portZ4_name layoutZ4_port_name
#define keptZ4_start layoutZ4_kept_start
#include "reg_store_layout.cpp"
#undef boardZ4_values
#undef portZ4_name
#undef keptZ4_start

DescriptionDrift Z4Drift = Z4_DRIFT_NONE;

void boardZ4_values(int slot, ServiceValue (&values)[Z4_BOARD_VALUE_COUNT])
{
    layoutZ4_board_values(slot, values);
    if (Z4Drift == Z4_DRIFT_BOARD_VALUE)
        values[1].number += 1;
}

void portZ4_name(uint32_t device, char (&name)[Z4_PORT_NAME_CHARS])
{
    layoutZ4_port_name(device, name);
    if (Z4Drift == Z4_DRIFT_PORT_NAME)
        std::snprintf(name, sizeof name, "Serial%02d", static_cast<int>(device));
}

bool keptZ4_start(LONG rc, DWORD length, const BYTE *data, uint32_t *start)
{
    bool known = layoutZ4_kept_start(rc, length, data, start);
    if (Z4Drift == Z4_DRIFT_START_RULE)
        *start = 2;
    return known;
}
