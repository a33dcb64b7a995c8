// "/s FILE": a board file applied without a window, as a user's session in the dialog would
// apply it: each board's bus type picked, its interrupt chosen, its address and port count
// entered, the suffixes typed, then Ok with the dialog's checks and writer.
#include "z4setup_verbs.h"

#include <cstdio>

#include "board_model_file.h"
#include "config_dialog_rules.h"
#include "reg_store.h"
#include "reg_store_kept.h"
#include "z4setup_events.h"
#include "z4setup_files.h"
#include "z4setup_report.h"

// The dialog cannot make what the file describes: an interrupt or address on a board that is
// not ISA, ports on a None board, or ISA boards on different interrupts (they share one).
static bool refuseZ4_file(const BoardFile &file, const char *name)
{
    int firstIsa = -1;
    for (int b = 0; b < Z4_SLOTS; ++b) {
        const BoardFileSection &board = file.boards[b];
        if (board.line == 0)
            continue;
        uint32_t type = board.busType.value;
        const BoardFileValue *wrong = nullptr;
        const char *what = "";
        if (type != BUS_ISA && board.interrupt.line) {
            wrong = &board.interrupt;
            what = "only an ISA board takes an Interrupt";
        } else if (type != BUS_ISA && board.ioAddr.line) {
            wrong = &board.ioAddr;
            what = "only an ISA board takes an IOAddr";
        } else if (type == BUS_NONE && board.ports.line) {
            wrong = &board.ports;
            what = "a None board takes no Ports";
        }
        if (wrong) {
            sayZ4_line("%s:%d: Board%d is %s: %s\n", name, wrong->line, b + 1, busTypeNames[type], what);
            return true;
        }
        if (type != BUS_ISA || !board.interrupt.line)
            continue;
        if (firstIsa < 0) {
            firstIsa = b;
        } else if (file.boards[firstIsa].interrupt.value != board.interrupt.value) {
            sayZ4_line("%s:%d: Board%d gives Interrupt %u, Board%d gives %u: the ISA boards share "
                        "one interrupt\n",
                        name, board.interrupt.line, b + 1, board.interrupt.value, firstIsa + 1,
                        file.boards[firstIsa].interrupt.value);
            return true;
        }
    }
    return false;
}

// One board column as the user would fill it in: the bus type picked (a board without a section
// is None), then the interrupt chosen, the address chosen, the port count typed. Picking a bus
// type and choosing an interrupt refresh the dialog, as they do there.
static void enterZ4_board(int slot, const BoardFileSection &board)
{
    const char *type = busTypeNames[board.line ? board.busType.value : BUS_NONE];
    if (pickZ4_bus_type(slot, type))
        refreshedZ4_tables();
    if (board.interrupt.line) {
        chooseZ4_interrupt(slot, board.interrupt.value);
        refreshedZ4_tables();
    }
    if (board.ioAddr.line)
        CurrentZ4config[slot].IOAddr = board.ioAddr.value;
    if (board.ports.line)
        CurrentZ4config[slot].NumPorts = board.ports.value;
}

void sayZ4_written_boards(bool print)
{
    bool any = false;
    for (int b = 0; b < Z4_SLOTS; ++b)
        any = any || slotZ4_written(b);
    // At a prompt a run that printed no board line would look as if it did nothing.
    if (!any && Z4AtConsole)
        sayZ4_line("z4setup: no board is configured; the driver has no ports\n");
    char line[200];
    for (int b = 0; b < Z4_SLOTS; ++b) {
        if (!slotZ4_written(b))
            continue;
        const BoardConfig &slot = CurrentZ4config[b];
        char names[96];
        namesZ4_of_ports(b, names);
        std::snprintf(line, sizeof line, "Board%d: %s, Interrupt %u, IOAddr %X, Ports %u: %s\n",
                      b + 1, busTypeNames[slot.BusType], slot.Interrupt, slot.IOAddr, slot.NumPorts,
                      names);
        if (print)
            sayZ4_line("%s", line);
        else
            keepZ4_event_line(line);
    }
}

// Everything "/s" does before the registry is touched: the file read, the dialog's session played
// on this machine, Ok's checks and the question about numbers in use. False with the exit code
// when the run ends there.
static bool preparedZ4_apply(const char *verb, const char *file, int *code)
{
    startZ4_unattended(Z4_REPORT_LINE);
    *code = Z4_EXIT_BAD_FILE;
    if (file[0] == '\0') {
        sayZ4_line("z4setup: %s needs the name of a board file\n", verb);
        return false;
    }
    BoardFile board;
    char error[Z4_BOARD_FILE_ERROR_CHARS];
    if (!readZ4_board_file(file, &board, error)) {
        sayZ4_line("%s\n", error);
        return false;
    }
    *code = Z4_EXIT_REFUSED;
    Z4FileName name;
    nameZ4_file(file, &name);
    if (refuseZ4_file(board, name.shown))
        return false;

    uint32_t logical, device;
    openZ4_unattended(&logical, &device);
    for (int b = 0; b < Z4_SLOTS; ++b)
        enterZ4_board(b, board.boards[b]);
    // A suffix the file leaves out keeps what this machine numbers from.
    if (board.firstCOM.line)
        logical = board.firstCOM.value;
    if (board.firstDevice.line)
        device = board.firstDevice.value;

    Z4Entries entries;
    shownZ4_entries(logical, device, &entries);
    Z4CheckResult result;
    if (acceptZ4_entries(entries, &result) != Z4_CHECK_PASSED) {
        reportZ4_text(nullptr, result.message, "CONFIGURATION ERROR", MB_OK);
        return false;
    }

    // Another driver's port would lose its number, or a device its interrupt or ports: a person
    // decides that, not a script.
    Z4Collision collision;
    if (findZ4_collision(&collision) || findZ4_resource_conflict(&collision)) {
        reportZ4_text(nullptr, collision.text, "CONFIGURATION WARNING", MB_OK);
        return false;
    }
    *code = Z4_EXIT_DONE;
    return true;
}

int applyZ4_file(const char *file)
{
    int code;
    if (!preparedZ4_apply("/s", file, &code))
        return code;
    // A machine that holds the configuration already is left alone: not a key opened to write.
    if (planZ4_changes(nullptr) == 0) {
        sayZ4_written_boards(true);
        sayZ4_line("z4setup: the registry holds this configuration already; nothing changed\n");
        return Z4_EXIT_DONE;
    }

    if (!writeZ4_configuration())
        return Z4_EXIT_WRITE_FAILED;
    sayZ4_written_boards(true);
    return Z4_EXIT_DONE;
}

static void printZ4_change(const char *line)
{
    sayZ4_line("%s\n", line);
}

int planZ4_file(const char *file)
{
    int code;
    if (!preparedZ4_apply("/n", file, &code))
        return code;
    unsigned changes = planZ4_changes(printZ4_change);
    if (changes == 0) {
        sayZ4_line("no change: the registry holds this configuration already\n");
        return Z4_EXIT_DONE;
    }
    sayZ4_line("%u change%s\n", changes, changes == 1 ? "" : "s");
    return Z4_EXIT_CHANGES;
}
