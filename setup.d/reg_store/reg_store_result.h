// What Ok leaves in the registry, told once as steps in the order the writer takes them: the
// writer performs each step, the plan compares each with what the registry holds, and the COM
// port database is claimed for the numbers the steps give.
#pragma once

#include "board_model.h"
#include "reg_store.h"

// A board key with its values, and the names of the port keys that follow it.
struct Z4BoardStep {
    int slot;
    char name[Z4_BOARD_NAME_CHARS];  // below Parameters
    char path[Z4_BOARD_PATH_CHARS];  // below HKLM
    ServiceValue values[Z4_BOARD_VALUE_COUNT];
    uint32_t ports;  // port steps that follow
    uint32_t firstDevice, firstCom;
    uint32_t named;  // the first ports' names, at most Z4_MAX_PORTS (Ok allows no more)
    char portNames[Z4_MAX_PORTS][Z4_PORT_NAME_CHARS];
    const char *portName[Z4_MAX_PORTS];
};

// A port key below its board key with its two values, and the Ports entry of its COM number.
struct Z4PortStep {
    uint32_t index, device, com;
    char name[Z4_PORT_NAME_CHARS];
    char path[Z4_BOARD_PATH_CHARS + Z4_PORT_NAME_CHARS];
    ServiceValue values[PORT_VALUE_COUNT];
    ServiceValue entry;
};

// One way of acting on the steps. A step that answers other than 0 ends the description there.
class Z4ResultSink {
public:
    // The service key with its four values (the process-wide table); Start is kept as the key
    // holds it (keptZ4_start), which each sink reads its own way.
    virtual LONG service(ServiceValue (&values)[SERVICE_VALUE_COUNT]);
    virtual LONG parameters();
    virtual LONG board(const Z4BoardStep &board);
    virtual LONG port(const Z4BoardStep &board, const Z4PortStep &port);
    // After a board's last port.
    virtual LONG boardDone(const Z4BoardStep &board);
    // After the last board: the names of the board keys written, below Parameters.
    virtual LONG done(const char *const *boards, DWORD count);

protected:
    ~Z4ResultSink() = default;
};

// The steps of the configuration as the tables hold it, each handed to `sink`; the first answer
// other than 0, or 0.
LONG describeZ4_result(Z4ResultSink &sink);
