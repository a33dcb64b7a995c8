// The configuration writer: old board and port keys out, the accepted configuration in.
#include <cstdio>
#include <cstring>

#include "board_model.h"
#include "reg_store_keys.h"
#include "reg_store.h"
#include "reg_store_result.h"
#include "z4setup_report.h"
#include "z4setup_trace.h"

// One subkey of Parameters deleted; false when it is still there (reported).
static bool deleteZ4_board_key(HKEY parameters, const SubkeyName &board)
{
    LONG rc = RegDeleteKeyA(parameters, board.name);
    if (rc == ERROR_SUCCESS)
        return true;
    traceZ4_line("Error deleting key:%d)%s retcode:%d\n", static_cast<int>(board.index), board.name,
            static_cast<int>(rc));
    // Any other key left with its ports would be read back as a board on the next run, and
    // written again under a board key: one board described twice.
    // Board1 to Board4 are the writer's own: it empties and rewrites or deletes them itself.
    if (boardZ4_slot(board.name) >= 0 ||
        (rc = deleteZ4_with_subkeys(parameters, board.name)) == ERROR_SUCCESS)
        return true;
    // Still there, it would come back as a board: that is a failure, not a trace.
    char text[1025];
    wsprintfA(text, "Error deleting key:%d)%s retcode:%d", static_cast<int>(board.index),
              board.name, static_cast<int>(rc));
    traceZ4_line("%s\n", text);
    reportZ4_text(nullptr, text, "Debug", MB_OK);
    return false;
}

bool delZ4_reg_boards()
{
    bool gone = true;
    inZ4_key(HKEY_LOCAL_MACHINE, Z4_PARAMETERS_KEY, [&gone](HKEY parameters) {
        gone = eachZ4_subkey(parameters, 2266, [&gone, parameters](const SubkeyName &board) {
                   gone = deleteZ4_board_key(parameters, board) && gone;
               }) && gone;
    });
    return gone;
}

static void showZ4_set_error(const char *format, LONG rc, int line)
{
    char text[1025];
    wsprintfA(text, format, static_cast<int>(rc), line);
    reportZ4_text(nullptr, text, "", MB_OK);
}

// Port value failures go to standard output, and to a box so a windowed run shows them too; a
// run whose reports are lines already prints the report there.
static void printZ4_set_error(LONG rc, int line)
{
    char text[1025];
    wsprintfA(text, "Error: Unable to set parameter value, RegSetValueEx = %d, Line = %d",
              static_cast<int>(rc), line);
    if (!reportsZ4_are_lines()) {
        std::printf("%s", text);
        std::fflush(stdout);
    }
    reportZ4_text(nullptr, text, "", MB_OK);
}

bool slotZ4_written(int b)
{
    return CurrentZ4config[b].Enabled != 0 && CurrentZ4config[b].NumPorts > 0;
}

bool firstZ4_port_numbers(int slot, uint32_t *device, uint32_t *com)
{
    uint32_t before = 0;
    for (int b = 0; b < slot; ++b)
        if (slotZ4_written(b))
            before += CurrentZ4config[b].NumPorts;
    *device = SerialMaxNum + 1 + before;
    *com = COMMaxNum + 1 + before;
    return slotZ4_written(slot);
}

// Old keys first: the old port keys of every board key go; a board key whose slot is not written
// goes too, one that will be rewritten stays empty. False when one could not be deleted.
static bool deleteZ4_old_boards()
{
    bool gone = true;
    for (int b = 0; b < Z4_SLOTS; ++b) {
        char path[Z4_BOARD_PATH_CHARS];
        boardZ4_path(b, path);
        bool opened = inZ4_key(HKEY_LOCAL_MACHINE, path, [&gone](HKEY board) {
            gone = eachZ4_subkey(board, 829, [&gone, board](const SubkeyName &port) {
                       if (RegDeleteKeyA(board, port.name) == ERROR_SUCCESS)
                           return;
                       reportZ4_text(nullptr, "Error deleting old port configuration", "Debug", MB_OK);
                       gone = false;
                   }) && gone;
        });
        if (!opened || slotZ4_written(b))
            continue;
        HKEY parameters;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_PARAMETERS_KEY, 0, KEY_READ, &parameters) !=
            ERROR_SUCCESS)
            continue;
        char name[Z4_BOARD_NAME_CHARS];
        boardZ4_name(b, name);
        if (RegDeleteKeyA(parameters, name) != ERROR_SUCCESS) {
            reportZ4_text(nullptr, "Error deleting old board", "Debug", MB_OK);
            gone = false;
        }
        RegCloseKey(parameters);
    }
    return gone;
}

// The service key with its four values, "Start" kept as it was.
static LONG writeZ4_service(ServiceValue (&values)[SERVICE_VALUE_COUNT])
{
    HKEY service;
    LONG rc = createZ4_key(Z4_SERVICE_KEY, "serialz4", 897, &service);
    if (rc != ERROR_SUCCESS)
        return rc;

    // Only a value of exactly 4 bytes is a start mode; anything else gives way to 2. A start
    // mode that is there but cannot be read is not replaced by 2: the writer stops.
    Stored start;
    rc = queryZ4_value(service, Z4_VALUE_START, 4, &start);
    uint32_t &keep = values[SERVICE_VALUE_START].number;
    if (!keptZ4_start(rc, start.length, start.data, &keep)) {
        showZ4_set_error("Error: Unable to read serial value Start, RegQueryValueEx = %d, Line = %d",
                         rc, 921);
        RegCloseKey(service);
        return rc;
    }
    // The plan read it a moment ago: two readings that differ leave nothing to trust.
    uint32_t planned;
    if (plannedZ4_start(&planned) && planned != keep) {
        char text[1025];
        wsprintfA(text, "Error: serial value Start read as %u, then as %u, Line = %d", planned, keep,
                  921);
        reportZ4_text(nullptr, text, "", MB_OK);
        RegCloseKey(service);
        return ERROR_INVALID_DATA;
    }

    for (const ServiceValue &value : values) {
        rc = setZ4_value(service, value);
        if (rc != ERROR_SUCCESS) {
            showZ4_set_error("Error: Unable to set serial value, RegSetValueEx = %d, Line = %d", rc,
                             938);
            RegCloseKey(service);
            return rc;
        }
    }
    RegCloseKey(service);
    return ERROR_SUCCESS;
}

// A COM port the system does not list yet gets default line settings. An entry
// too long for the buffer (234) exists all the same and is left alone, and so is one that
// cannot be read: it may hold settings of its own, and the look after the write names it.
static LONG addZ4_ports_entry(HKEY ports, const ServiceValue &entry)
{
    Stored settings;
    if (queryZ4_value(ports, entry.name, 40, &settings) != ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    return setZ4_value(ports, entry);
}

// One port key with its "DosDevices" and "PortIndex", and its Ports entry.
static LONG writeZ4_port(const Z4PortStep &step, HKEY ports)
{
    HKEY port;
    LONG rc = createZ4_key(step.path, "Port", 1099, &port);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (ports && (rc = addZ4_ports_entry(ports, step.entry)) != ERROR_SUCCESS) {
        printZ4_set_error(rc, 1137);
        RegCloseKey(port);
        return rc;
    }
    PortValueTable[PORT_VALUE_DOSDEVICES] = step.values[PORT_VALUE_DOSDEVICES];
    PortValueTable[PORT_VALUE_PORTINDEX] = step.values[PORT_VALUE_PORTINDEX];
    if ((rc = setZ4_value(port, PortValueTable[PORT_VALUE_DOSDEVICES])) != ERROR_SUCCESS) {
        printZ4_set_error(rc, 1166);
        RegCloseKey(port);
        return rc;
    }
    if ((rc = setZ4_value(port, PortValueTable[PORT_VALUE_PORTINDEX])) != ERROR_SUCCESS) {
        printZ4_set_error(rc, 1187);
        RegCloseKey(port);
        return rc;
    }
    RegCloseKey(port);
    return ERROR_SUCCESS;
}

// The board key with its values; it stays open until its last port is written.
static LONG writeZ4_board_key(const Z4BoardStep &step, HKEY *board)
{
    LONG rc = createZ4_key(step.path, "Board", 1002, board);
    if (rc != ERROR_SUCCESS)
        return rc;

    // Each value's report, in the order boardZ4_values gives them.
    static const struct {
        const char *error;
        int line;
    } reports[Z4_BOARD_VALUE_COUNT] = {
        {"Error: Unable to set IOAddr value, RegSetValueEx = %d, Line = %d", 1022},
        {"Error: Unable to set Interrupt value, RegSetValueEx = %d, Line = %d", 1044},
        {"Error: Unable to set BusType value, RegSetValueEx = %d, Line = %d", 1066},
    };
    for (int v = 0; v < Z4_BOARD_VALUE_COUNT; ++v) {
        if ((rc = setZ4_value(*board, step.values[v])) != ERROR_SUCCESS) {
            showZ4_set_error(reports[v].error, rc, reports[v].line);
            RegCloseKey(*board);
            *board = nullptr;
            return rc;
        }
    }
    return ERROR_SUCCESS;
}

namespace {

// The steps performed on the registry, with the Ports key (or none) open.
class Z4Writer final : public Z4ResultSink {
public:
    explicit Z4Writer(HKEY ports) : ports_(ports) {}

    LONG service(ServiceValue (&values)[SERVICE_VALUE_COUNT]) override
    {
        return writeZ4_service(values);
    }
    LONG parameters() override
    {
        HKEY parameters;
        LONG rc = createZ4_key(Z4_PARAMETERS_KEY, "Parameters", 967, &parameters);
        if (rc == ERROR_SUCCESS)
            RegCloseKey(parameters);
        return rc;
    }
    LONG board(const Z4BoardStep &step) override { return writeZ4_board_key(step, &board_); }
    LONG port(const Z4BoardStep &, const Z4PortStep &step) override
    {
        LONG rc = writeZ4_port(step, ports_);
        if (rc != ERROR_SUCCESS)
            closeBoard();
        return rc;
    }
    LONG boardDone(const Z4BoardStep &) override
    {
        closeBoard();
        return ERROR_SUCCESS;
    }

private:
    void closeBoard()
    {
        RegCloseKey(board_);
        board_ = nullptr;
    }

    HKEY ports_;
    HKEY board_ = nullptr;
};

}  // namespace

LONG setZ4_reg_params(bool *whole)
{
    HKEY ports;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_PORTS_KEY, 0, KEY_READ | KEY_SET_VALUE, &ports);
    if (rc != ERROR_SUCCESS) {
        char text[1025];
        wsprintfA(text, "Error: Unable to open [%s]. retCode = 0x%x\n.", Z4_PORTS_KEY,
                  static_cast<unsigned>(rc));
        reportZ4_text(nullptr, text, "ERROR", MB_OK);
        ports = nullptr;  // the configuration is still written, only without Ports entries
    }

    bool oldGone = deleteZ4_old_boards();
    Z4Writer writer(ports);
    if (whole)
        *whole = ports && oldGone;
    rc = describeZ4_result(writer);

    if (ports)
        RegCloseKey(ports);
    return rc;
}
