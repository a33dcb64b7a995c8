// Removal of the driver's configuration: port keys, board keys, Parameters, service key.
#include <cstring>

#include "reg_store_keys.h"
#include "reg_store.h"
#include "z4setup_report.h"

// The COM number a port key holds, for the database to have back once the port is gone.
static void noteZ4_port_com(HKEY board, const char *port)
{
    HKEY key;
    if (RegOpenKeyExA(board, port, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    Stored dosDevices;
    if (queryZ4_value(key, Z4_VALUE_DOSDEVICES, 49, &dosDevices) == ERROR_SUCCESS)
        noteZ4_driver_com(reinterpret_cast<const char *>(dosDevices.data),
                          strnlen(reinterpret_cast<const char *>(dosDevices.data), dosDevices.length));
    RegCloseKey(key);
}

// NT refuses to delete a key that still has subkeys, so the port keys under every board key
// go first. Failures here are left to the reports of the deletions that follow.
static void delZ4_reg_ports()
{
    inZ4_key(HKEY_LOCAL_MACHINE, Z4_PARAMETERS_KEY, [](HKEY parameters) {
        eachZ4_subkey(parameters, Z4_SILENT, [parameters](const SubkeyName &name) {
            inZ4_key(parameters, name.name, [](HKEY board) {
                eachZ4_subkey(board, Z4_SILENT, [board](const SubkeyName &port) {
                    noteZ4_port_com(board, port.name);
                    RegDeleteKeyA(board, port.name);
                });
            });
        });
    });
}

// Whether the service key, and so anything of the driver's, is still there.
static bool driverZ4_keys_left()
{
    HKEY key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_SERVICE_KEY, 0, KEY_READ, &key);
    if (rc == ERROR_SUCCESS)
        RegCloseKey(key);
    return rc != ERROR_FILE_NOT_FOUND;
}

bool removeZ4_config()
{
    delZ4_reg_ports();
    bool boardsGone = delZ4_reg_boards();
    bool serviceGone = delZ4_reg_service();
    // Numbers of ports that may still be configured stay claimed.
    if (boardsGone && serviceGone)
        releaseZ4_driver_coms();
    return !driverZ4_keys_left();
}

bool delZ4_reg_service()
{
    HKEY services;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_SERVICES_KEY, 0, KEY_READ, &services) !=
        ERROR_SUCCESS)
        return true;
    bool gone = true;
    if (RegDeleteKeyA(services, Z4_SERVICE_PARAMETERS_NAME) != ERROR_SUCCESS) {
        reportZ4_text(nullptr, "Error", "Could not Delete SerialZ4\\Parameters", MB_OK);
        gone = false;
    }
    // Windows 2000 and later keep these below every service that has run; they go with it.
    // Absent (Windows NT 4.0, a driver never started) they need no word.
    RegDeleteKeyA(services, Z4_SERVICE_NAME "\\Enum");
    RegDeleteKeyA(services, Z4_SERVICE_NAME "\\Security");
    if (RegDeleteKeyA(services, Z4_SERVICE_NAME) != ERROR_SUCCESS) {
        reportZ4_text(nullptr, "Error", "Could not Delete Serialz4", MB_OK);
        gone = false;
    }
    RegCloseKey(services);
    return gone;
}
