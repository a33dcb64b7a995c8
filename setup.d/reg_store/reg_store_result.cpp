// The one description of what Ok leaves: the service key, Parameters, and each written board
// with its port keys and their Ports entries, numbered on across the written slots.
#include "reg_store_result.h"

#include <cstdio>

LONG Z4ResultSink::service(ServiceValue (&)[SERVICE_VALUE_COUNT]) { return ERROR_SUCCESS; }
LONG Z4ResultSink::parameters() { return ERROR_SUCCESS; }
LONG Z4ResultSink::board(const Z4BoardStep &) { return ERROR_SUCCESS; }
LONG Z4ResultSink::port(const Z4BoardStep &, const Z4PortStep &) { return ERROR_SUCCESS; }
LONG Z4ResultSink::boardDone(const Z4BoardStep &) { return ERROR_SUCCESS; }
LONG Z4ResultSink::done(const char *const *, DWORD) { return ERROR_SUCCESS; }

static void describeZ4_board(int slot, Z4BoardStep &board)
{
    board.slot = slot;
    boardZ4_name(slot, board.name);
    boardZ4_path(slot, board.path);
    boardZ4_values(slot, board.values);
    board.ports = CurrentZ4config[slot].NumPorts;
    firstZ4_port_numbers(slot, &board.firstDevice, &board.firstCom);
    board.named = board.ports < Z4_MAX_PORTS ? board.ports : Z4_MAX_PORTS;
    for (uint32_t i = 0; i < board.named; ++i) {
        portZ4_name(board.firstDevice + i, board.portNames[i]);
        board.portName[i] = board.portNames[i];
    }
}

static void describeZ4_port(const Z4BoardStep &board, uint32_t index, Z4PortStep &port)
{
    port.index = index;
    port.device = board.firstDevice + index;
    port.com = board.firstCom + index;
    portZ4_name(port.device, port.name);
    std::snprintf(port.path, sizeof port.path, "%s\\%s", board.path, port.name);
    portZ4_values(port.com, index, port.values);
    portsZ4_entry(port.com, &port.entry);
}

LONG describeZ4_result(Z4ResultSink &sink)
{
    LONG rc = sink.service(ServiceValueTable);
    if (rc == ERROR_SUCCESS)
        rc = sink.parameters();
    const char *written[Z4_SLOTS];
    char names[Z4_SLOTS][Z4_BOARD_NAME_CHARS];
    DWORD count = 0;
    for (int slot = 0; rc == ERROR_SUCCESS && slot < Z4_SLOTS; ++slot) {
        if (!slotZ4_written(slot))
            continue;
        Z4BoardStep board;
        describeZ4_board(slot, board);
        std::snprintf(names[count], sizeof names[count], "%s", board.name);
        written[count] = names[count];
        ++count;
        rc = sink.board(board);
        for (uint32_t p = 0; rc == ERROR_SUCCESS && p < board.ports; ++p) {
            Z4PortStep port;
            describeZ4_port(board, p, port);
            rc = sink.port(board, port);
        }
        if (rc == ERROR_SUCCESS)
            rc = sink.boardDone(board);
    }
    return rc == ERROR_SUCCESS ? sink.done(written, count) : rc;
}
