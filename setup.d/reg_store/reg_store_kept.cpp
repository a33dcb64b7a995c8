// The reads a run without a window keeps, and their release.
#include "reg_store_kept.h"

#include <cstdlib>
#include <cstring>

#include "board_model.h"
#include "reg_store.h"

KeptReads Z4Kept;

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

void placeZ4_boards_by_name()
{
    if (!Z4Kept.parametersRead || Z4Kept.boardCount == 0)
        return;
    int slotOf[Z4_SLOTS];
    bool taken[Z4_SLOTS] = {};
    for (DWORD b = 0; b < Z4Kept.boardCount; ++b) {
        int s = Z4Kept.boards[b].read ? boardZ4_slot(Z4Kept.boards[b].name) : -1;
        if (s < 0 || taken[s])
            return;
        taken[s] = true;
        slotOf[b] = s;
    }
    // A slot no key names holds no board, as a slot the reader never reached.
    BoardConfig registry[Z4_SLOTS] = {}, current[Z4_SLOTS] = {};
    for (DWORD b = 0; b < Z4Kept.boardCount; ++b) {
        registry[slotOf[b]] = RegistryZ4config[b];
        current[slotOf[b]] = CurrentZ4config[b];
    }
    std::memcpy(RegistryZ4config, registry, sizeof registry);
    std::memcpy(CurrentZ4config, current, sizeof current);
}

bool keptZ4_any_port()
{
    for (DWORD b = 0; b < Z4Kept.boardCount; ++b)
        for (DWORD p = 0; p < Z4Kept.boards[b].portCount; ++p)
            if (Z4Kept.boards[b].ports[p].read)
                return true;
    return false;
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
