// "/r [FILE]": the configuration as the dialog would show it on opening, numbered as the driver's
// ports are, written as a board file that "/s" applies without a change, or that says why not.
#include "z4setup_verbs.h"

#include <cstdio>
#include <cstring>

#include "board_model_file.h"
#include "config_dialog_rules.h"
#include "reg_store.h"
#include "z4setup.h"
#include "z4setup_files.h"
#include "z4setup_interrupt.h"
#include "z4setup_report.h"

// The interrupt every ISA board shows, or 0 when they show different ones or one shows none:
// choosing it in the dialog would set all of them, so it is written only when it changes none.
static uint32_t sharedZ4_interrupt(const Z4Entries &shown)
{
    uint32_t shared = 0;
    for (const BoardConfig &board : shown.boards) {
        if (board.BusType != BUS_ISA)
            continue;
        if (board.Interrupt == 0 || (shared != 0 && board.Interrupt != shared))
            return 0;
        shared = board.Interrupt;
    }
    return shared;
}

// What the registry gives a board that the dialog cannot show: a file made from the dialog would
// drop it without a word.
static void writeZ4_unshown(std::FILE *out, int slot)
{
    const BoardConfig &read = RegistryZ4config[slot];
    if (!read.Enabled)
        return;
    if (read.BusType >= BUS_TYPE_COUNT) {
        std::fprintf(out, "; the registry gives Board%d BusType %u, which the dialog cannot show\n",
                     slot + 1, read.BusType);
        return;
    }
    if (read.BusType != BUS_ISA)
        return;
    char text[16];
    std::snprintf(text, sizeof text, "%u", read.Interrupt);
    if (!optionZ4_list_has(interruptZ4_choices(BUS_ISA), text))
        std::fprintf(out, "; the registry gives Board%d Interrupt %u, which the dialog does not offer\n",
                     slot + 1, read.Interrupt);
    std::snprintf(text, sizeof text, "%X", read.IOAddr);
    if (!optionZ4_list_has(addressZ4_choices(BUS_ISA), text))
        std::fprintf(out, "; the registry gives Board%d IOAddr %X, which the dialog does not offer\n",
                     slot + 1, read.IOAddr);
}

static void reportZ4_board(std::FILE *out, int slot, const Z4Entries &shown, bool accepted)
{
    const BoardConfig &board = shown.boards[slot];
    std::fprintf(out, "[" Z4_FILE_BOARD_FORMAT "]\n", slot + 1);
    writeZ4_unshown(out, slot);
    if (accepted && slotZ4_written(slot)) {
        char names[96];
        namesZ4_of_ports(slot, names);
        std::fprintf(out, "; %s\n", names);
    }
    std::fprintf(out, "%s = %s\n", Z4_FILE_BUS_TYPE, busTypeNames[board.BusType]);
    if (board.BusType == BUS_ISA) {
        uint32_t interrupt = sharedZ4_interrupt(shown);
        if (interrupt)
            std::fprintf(out, "%s = %u\n", Z4_FILE_INTERRUPT, interrupt);
        else
            std::fprintf(out, "; Interrupt left out: the ISA boards do not show one shared "
                              "interrupt, and Ok keeps what each shows\n");
        if (board.IOAddr)
            std::fprintf(out, "%s = %X\n", Z4_FILE_IO_ADDR, board.IOAddr);
        else
            std::fprintf(out, "; IOAddr left out: the address read is none the dialog offers\n");
    }
    std::fprintf(out, "%s = %u\n\n", Z4_FILE_PORTS, board.NumPorts);
}

// The report itself, to `out`; false when the stream failed.
static bool writeZ4_report(std::FILE *out)
{
    std::fprintf(out, "; Zentrix IV configuration as the configuration dialog shows it\n");
    std::fflush(out);

    uint32_t logical, device;
    openZ4_unattended(&logical, &device);
    Z4Entries shown;
    shownZ4_entries(logical, device, &shown);
    // What pressing Ok at once would do; nothing is written.
    Z4CheckResult result;
    bool accepted = acceptZ4_entries(shown, &result) == Z4_CHECK_PASSED;

    Z4Collision collision;
    if (!accepted) {
        std::fprintf(out, "; pressing Ok now is refused: %s\n", result.message);
    } else if (findZ4_collision(&collision) || findZ4_resource_conflict(&collision)) {
        std::fprintf(out, "; pressing Ok now asks first, and /s refuses: %s\n", collision.text);
    } else if (unsigned changes = planZ4_changes(nullptr)) {
        // The registry holds something Ok would not leave: applying the file changes it.
        std::fprintf(out, "; the registry differs from what this file leaves: /s of it makes %u "
                          "change%s, which /n lists\n",
                     changes, changes == 1 ? "" : "s");
    }
    std::fprintf(out, "\n");
    bool anyBoard = false;
    for (int b = 0; b < Z4_SLOTS; ++b) {
        if (shown.boards[b].BusType != BUS_NONE) {
            reportZ4_board(out, b, shown, accepted);
            anyBoard = true;
        } else if (RegistryZ4config[b].Enabled && RegistryZ4config[b].BusType != BUS_NONE) {
            writeZ4_unshown(out, b);
        }
    }
    // A board file holds a board: with every board None it says so of the first.
    if (!anyBoard)
        std::fprintf(out, "[" Z4_FILE_BOARD_FORMAT "]\n%s = %s\n\n", 1, Z4_FILE_BUS_TYPE,
                     busTypeNames[BUS_NONE]);
    std::fprintf(out,
                 "; Leave this section out of a file for machines whose built-in ports differ:\n"
                 "; each machine then numbers from what its dialog would show.\n");
    std::fprintf(out, "[%s]\n%s = %u\n%s = %u\n", Z4_FILE_NUMBERING, Z4_FILE_FIRST_DEVICE,
                 shown.deviceSuffix, Z4_FILE_FIRST_COM, shown.logicalSuffix);
    return std::fflush(out) == 0 && !std::ferror(out);
}

int showZ4_file(const char *file)
{
    // On standard output the reports of the scan and the reader become comments of the file.
    if (file[0] == '\0') {
        startZ4_unattended(Z4_REPORT_COMMENT);
        if (writeZ4_report(stdout))
            return Z4_EXIT_DONE;
        std::printf("standard output: cannot be written\n");
        return Z4_EXIT_BAD_FILE;
    }
    // FILE is replaced only by a whole report: it is written beside FILE under a name of its
    // own, then moved over it; whatever fails leaves FILE as it was. An interrupt waits for
    // that, as for a write of the registry: the report is in place or gone, never half.
    startZ4_unattended(Z4_REPORT_LINE);
    Z4FileName name;
    nameZ4_file(file, &name);
    beginZ4_write();
    Z4NewFile out;
    DWORD error = 0;
    Z4FileResult result = createZ4_beside(name, &out, &error);
    const char *what = "cannot be written";
    if (result == Z4_FILE_DONE) {
        routeZ4_reports(Z4_REPORT_COMMENT, out.stream);
        bool complete = writeZ4_report(out.stream);
        routeZ4_reports(Z4_REPORT_LINE);
        result = finishZ4_beside(&out, name, complete, &error);
    } else if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
        what = "cannot be written: every name beside it for the report (.z4setup.tmp to "
               ".z4setup-8.tmp) is taken";
    }
    endZ4_write();
    if (result != Z4_FILE_DONE) {
        char message[Z4_FILE_MESSAGE_CHARS];
        messageZ4_file(message, name.shown, result, what, error);
        std::printf("%s\n", message);
        return Z4_EXIT_BAD_FILE;
    }
    if (Z4AtConsole)
        std::printf("z4setup: the configuration is written to %s\n", name.shown);
    return Z4_EXIT_DONE;
}
