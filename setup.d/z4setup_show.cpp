// "/r [FILE]": the configuration as the dialog would show it on opening, written as a board file
// that "/s" applies exactly as pressing Ok at once in the dialog would.
#include "z4setup_verbs.h"

#include <cstdio>

#include "board_model_file.h"
#include "config_dialog_rules.h"
#include "reg_store.h"
#include "z4setup.h"
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

static void writeZ4_board(std::FILE *out, int slot, const Z4Entries &shown, bool accepted)
{
    const BoardConfig &board = shown.boards[slot];
    std::fprintf(out, "[" Z4_FILE_BOARD_FORMAT "]\n", slot + 1);
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
    bool accepted = checkZ4_entries(shown, &result) == Z4_CHECK_PASSED;

    Z4Collision collision;
    if (!accepted)
        std::fprintf(out, "; pressing Ok now is refused: %s\n", result.message);
    else if (findZ4_collision(&collision))
        std::fprintf(out, "; pressing Ok now asks first, and /s refuses: %s\n", collision.text);
    std::fprintf(out, "\n");
    for (int b = 0; b < Z4_SLOTS; ++b)
        if (shown.boards[b].BusType != BUS_NONE)
            writeZ4_board(out, b, shown, accepted);
    std::fprintf(out,
                 "; Leave this section out of a file for machines whose built-in ports differ:\n"
                 "; each machine then numbers from what its dialog would show.\n");
    std::fprintf(out, "[%s]\n%s = %u\n%s = %u\n", Z4_FILE_NUMBERING, Z4_FILE_FIRST_DEVICE,
                 shown.deviceSuffix, Z4_FILE_FIRST_COM, shown.logicalSuffix);
    return std::fflush(out) == 0 && !std::ferror(out);
}

int z4_show(const char *file)
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
    char temp[Z4_FILE_ARGUMENT_CHARS + 24];
    std::snprintf(temp, sizeof temp, "%s.%lu.tmp", file,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    beginZ4_write();
    std::FILE *out = std::fopen(temp, "w");
    bool written = out != nullptr;
    if (out) {
        routeZ4_reports(Z4_REPORT_COMMENT, out);
        written = writeZ4_report(out);
        written = std::fclose(out) == 0 && written;
        routeZ4_reports(Z4_REPORT_LINE);
        written = written && MoveFileExA(temp, file, MOVEFILE_REPLACE_EXISTING);
        if (!written)
            DeleteFileA(temp);
    }
    endZ4_write();
    if (!written) {
        std::printf("%s: cannot be written\n", file);
        return Z4_EXIT_BAD_FILE;
    }
    return Z4_EXIT_DONE;
}
