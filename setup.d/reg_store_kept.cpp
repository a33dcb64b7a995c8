// The reads a run without a window keeps, and their release.
#include "reg_store_kept.h"

#include <cstdlib>
#include <cstring>

KeptReads Z4Kept;

Stored storedZ4_from(LONG rc, DWORD type, DWORD length, const BYTE *data, DWORD capacity)
{
    Stored s = {};
    s.present = rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
    s.type = type;
    s.length = length;
    s.capacity = capacity < sizeof s.data ? capacity : sizeof s.data;
    if (s.present)
        std::memcpy(s.data, data, length < s.capacity ? length : s.capacity);
    return s;
}

void keepZ4_reads(bool on)
{
    for (DWORD b = 0; b < Z4Kept.boardCount; ++b)
        std::free(Z4Kept.boards[b].ports);
    std::free(Z4Kept.deviceMap);
    std::free(Z4Kept.loaded);
    std::free(Z4Kept.comdb);
    std::memset(&Z4Kept, 0, sizeof Z4Kept);
    Z4Kept.on = on;
}

const KeptBoard *keptZ4_board(const char *name)
{
    for (DWORD b = 0; b < Z4Kept.boardCount; ++b)
        if (Z4Kept.boards[b].read && sameZ4_key_name(Z4Kept.boards[b].name, name))
            return &Z4Kept.boards[b];
    return nullptr;
}

const KeptPort *keptZ4_port(const KeptBoard &board, const char *name)
{
    for (DWORD p = 0; p < board.portCount; ++p)
        if (sameZ4_key_name(board.ports[p].name, name))
            return &board.ports[p];
    return nullptr;
}
