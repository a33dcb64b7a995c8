// The table of per-board control identifiers, and the way back from an identifier.
#include "config_dialog_ids.h"

const uint32_t boardControlIds[4][4] = {
    {200, 201, 202, 203},
    {210, 211, 212, 213},
    {220, 221, 222, 223},
    {230, 231, 232, 233},
};

bool boardZ4_control_at(int id, int *slot, int *column)
{
    for (int s = 0; s < 4; ++s)
        for (int c = 0; c < 4; ++c)
            if (boardControlIds[s][c] == static_cast<uint32_t>(id)) {
                *slot = s;
                *column = c;
                return true;
            }
    return false;
}
