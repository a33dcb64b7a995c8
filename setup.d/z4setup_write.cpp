// Ok's write, for the dialog and for "/s": the old boards out, the new configuration in, its COM
// numbers claimed, and then a look at whether the registry holds what was asked.
#include "z4setup_verbs.h"

#include <cstdio>
#include <cstring>

#include "reg_store.h"
#include "reg_store_kept.h"
#include "z4setup_interrupt.h"
#include "z4setup_report.h"

// What the look after the write found: the box text in a run with a window (on the stack of the
// look: a static buffer would be stored in the exe), its length and line count.
constexpr size_t Z4_UNWRITTEN_CHARS = 2048;
static char *Z4Unwritten;
static size_t Z4UnwrittenLength;
static unsigned Z4UnwrittenLines;

static void noteZ4_unwritten(const char *line)
{
    ++Z4UnwrittenLines;
    if (z4reports_are_lines()) {
        std::printf("z4setup: after the write the registry still needs: %s\n", line);
        return;
    }
    // The box lists what fits; the count says how much more there is.
    int n = std::snprintf(Z4Unwritten + Z4UnwrittenLength, Z4_UNWRITTEN_CHARS - Z4UnwrittenLength,
                          "\n%s", line);
    if (n > 0 && Z4UnwrittenLength + static_cast<size_t>(n) < Z4_UNWRITTEN_CHARS - 40)
        Z4UnwrittenLength += static_cast<size_t>(n);
}

// What the plan still finds after a write that reported nothing: a key that could not be
// deleted or written without a word, a Ports entry, a COM number the database did not take.
static bool heldZ4_as_written()
{
    char text[Z4_UNWRITTEN_CHARS];
    Z4Unwritten = text;
    std::snprintf(Z4Unwritten, Z4_UNWRITTEN_CHARS,
                  "After the write the registry does not hold the configuration; it still needs:");
    Z4UnwrittenLength = std::strlen(Z4Unwritten);
    Z4UnwrittenLines = 0;
    unsigned left = planZ4_still_needed(noteZ4_unwritten);
    if (left == 0)
        return true;
    if (!z4reports_are_lines()) {
        size_t room = Z4_UNWRITTEN_CHARS - Z4UnwrittenLength;
        if (left > Z4UnwrittenLines || Z4UnwrittenLength >= Z4_UNWRITTEN_CHARS - 40)
            std::snprintf(Z4Unwritten + Z4UnwrittenLength, room, "\n(%u in all)", left);
        z4report(nullptr, Z4Unwritten, "Debug", MB_OK);
    }
    return false;
}

bool writeZ4_configuration()
{
    // Anything the writer reports means the configuration is not as it was asked to be.
    unsigned reported = z4reports_made();
    // What was kept of the reads no longer holds once the write begins.
    keepZ4_reads(false);
    beginZ4_write();
    delZ4_reg_boards();
    LONG written = setZ4_reg_params();
    bool clean = written == ERROR_SUCCESS && z4reports_made() == reported;
    if (clean)
        claimZ4_written_coms();
    endZ4_write();
    if (!clean || z4reports_made() != reported)
        return false;
    return heldZ4_as_written();
}
