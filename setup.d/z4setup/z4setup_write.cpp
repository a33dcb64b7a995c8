// Ok's write, for the dialog and for "/s": the old boards out, the new configuration in, its COM
// numbers claimed, and then a look at whether the registry holds what was asked.
#include "z4setup_verbs.h"

#include <cstdio>
#include <cstring>

#include "reg_store.h"
#include "reg_store_kept.h"
#include "z4setup_events.h"
#include "z4setup_interrupt.h"
#include "z4setup_report.h"

// What the look after the write found: the box text in a run with a window (on the stack of the
// look: a static buffer would be stored in the exe), its length and the lines it shows.
constexpr size_t Z4_UNWRITTEN_CHARS = 2048;
// Room kept at the end of the box for the line that counts what it leaves out.
constexpr size_t Z4_UNWRITTEN_TAIL_CHARS = 64;
static char *Z4Unwritten;
static size_t Z4UnwrittenLength;
static unsigned Z4UnwrittenShown;
static bool Z4UnwrittenFull;

static void noteZ4_unwritten(const char *line)
{
    if (reportsZ4_are_lines()) {
        sayZ4_line("z4setup: after the write the registry still needs: %s\n", line);
        return;
    }
    // The box shows whole lines while they fit, then none: the count says how many it leaves out.
    size_t room = Z4_UNWRITTEN_CHARS - Z4_UNWRITTEN_TAIL_CHARS - Z4UnwrittenLength;
    size_t length = std::strlen(line) + 1;
    if (Z4UnwrittenFull || length >= room) {
        Z4UnwrittenFull = true;
        return;
    }
    Z4Unwritten[Z4UnwrittenLength++] = '\n';
    std::memcpy(Z4Unwritten + Z4UnwrittenLength, line, length);
    Z4UnwrittenLength += length - 1;
    ++Z4UnwrittenShown;
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
    Z4UnwrittenShown = 0;
    Z4UnwrittenFull = false;
    unsigned left = planZ4_still_needed(noteZ4_unwritten);
    if (left == 0)
        return true;
    if (!reportsZ4_are_lines()) {
        if (left > Z4UnwrittenShown)
            std::snprintf(Z4Unwritten + Z4UnwrittenLength, Z4_UNWRITTEN_CHARS - Z4UnwrittenLength,
                          "\n(%u more not shown; %u in all)", left - Z4UnwrittenShown, left);
        reportZ4_text(nullptr, Z4Unwritten, "Debug", MB_OK);
    }
    return false;
}

bool Z4WriteBegun = false;

bool writeZ4_configuration()
{
    // What was kept of the reads no longer holds once the write begins.
    keepZ4_reads(false);
    Z4WriteBegun = true;
    beginZ4_write();
    bool oldGone = delZ4_reg_boards();
    bool whole = false;
    LONG written = setZ4_reg_params(&whole);
    // Anything the writer failed at means the configuration is not as it was asked to be.
    bool clean = oldGone && whole && written == ERROR_SUCCESS && claimZ4_written_coms();
    endZ4_write();
    return clean && heldZ4_as_written();
}
