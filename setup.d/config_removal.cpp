// Removal of the driver's configuration: port keys, board keys, Parameters, service key.
#include "reg_names.h"
#include "reg_store.h"

// NT refuses to delete a key that still has subkeys, so the port keys under every board key
// go first. Failures here are left to the reports of the deletions that follow.
static void delZ4_reg_ports()
{
    HKEY parameters;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_PARAMETERS_KEY, 0, KEY_READ, &parameters) !=
        ERROR_SUCCESS)
        return;
    DWORD boards = queryZ4_key_counts(parameters).subkeys;
    for (const SubkeyName &boardName : collectZ4_subkey_names(parameters, boards, Z4_SILENT)) {
        HKEY board;
        if (RegOpenKeyExA(parameters, boardName.name.c_str(), 0, KEY_READ, &board) !=
            ERROR_SUCCESS)
            continue;
        DWORD ports = queryZ4_key_counts(board).subkeys;
        for (const SubkeyName &port : collectZ4_subkey_names(board, ports, Z4_SILENT))
            RegDeleteKeyA(board, port.name.c_str());
        RegCloseKey(board);
    }
    RegCloseKey(parameters);
}

void removeZ4_config()
{
    delZ4_reg_ports();
    delZ4_reg_boards();
    delZ4_reg_service();
}

void delZ4_reg_service()
{
    HKEY services;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Z4_SERVICES_KEY, 0, KEY_READ, &services) !=
        ERROR_SUCCESS)
        return;
    if (RegDeleteKeyA(services, Z4_SERVICE_PARAMETERS_NAME) != ERROR_SUCCESS)
        MessageBoxA(nullptr, "Error", "Could not Delete SerialZ4\\Parameters", MB_OK);
    if (RegDeleteKeyA(services, Z4_SERVICE_NAME) != ERROR_SUCCESS)
        MessageBoxA(nullptr, "Error", "Could not Delete Serialz4", MB_OK);
    RegCloseKey(services);
}
