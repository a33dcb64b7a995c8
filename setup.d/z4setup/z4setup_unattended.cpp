// What the runs without a window share: the dialog's first state without the dialog, and the
// names of the ports a slot is written with.
#include "z4setup_verbs.h"

#include <cstdio>
#include <cstring>

#include "config_dialog_rules.h"
#include "reg_store.h"
#include "reg_store_kept.h"
#include "z4setup_report.h"
#include "z4setup_trace.h"

void startZ4_unattended(int route)
{
    routeZ4_reports(static_cast<Z4ReportRoute>(route));
    traceZ4_only_under_debugger(true);
    // A missing disk or file, or a crash, must not wait for an answer from nobody.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

void openZ4_unattended(uint32_t *logical, uint32_t *device)
{
    // The checks and the plan use what the scan and the reader read: each key is read once.
    keepZ4_reads(true);
    getZ4_port_numbers();
    getZ4_reg_params();
    // The dialog fills its columns in the order it finds the board keys, so a configuration
    // written with Board1 left None (keys Board2 and Board3) shows in its first two; a file,
    // applied again, must find each board where it put it.
    placeZ4_boards_by_name();
    initialZ4_suffixes(logical, device);
    // Where the driver has ports, the numbering is theirs. With none of them loaded the dialog
    // shows the larger number in both fields: a report would then name ports that exist nowhere,
    // and a file giving only FirstCOM 5 would number the devices from 3, then from 5 when applied
    // again.
    if (keptZ4_any_port()) {
        *logical = COMMaxNum + 1;
        *device = SerialMaxNum + 1;
    }
    refreshedZ4_tables();
}

void namesZ4_of_ports(int slot, char (&text)[96])
{
    uint32_t device, com;
    firstZ4_port_numbers(slot, &device, &com);
    uint32_t last = CurrentZ4config[slot].NumPorts - 1;
    // The names the writer gives the first and the last port: its keys and its Ports entries.
    char first[Z4_PORT_NAME_CHARS], final[Z4_PORT_NAME_CHARS];
    portZ4_name(device, first);
    portZ4_name(device + last, final);
    ServiceValue firstEntry, finalEntry;
    portsZ4_entry(com, &firstEntry);
    portsZ4_entry(com + last, &finalEntry);
    // The entries' names end in a colon, which the line leaves out.
    firstEntry.name[std::strlen(firstEntry.name) - 1] = '\0';
    finalEntry.name[std::strlen(finalEntry.name) - 1] = '\0';
    std::snprintf(text, sizeof text, "%s-%s, %s-%s", first, final, firstEntry.name, finalEntry.name);
}
