#!/usr/bin/env bash
# Times z4setup.exe under Wine against two floors, on one prefix in one run: start to the
# dialog shown against an empty-dialog program, and a 4 x 64 port write from Ok to exit, and
# whole "/s" and "/n" runs of a board file of the same 4 x 64 ports (on a machine that holds the
# configuration, and "/s" on one without it), against `reg import` of the same keys by the
# reg.exe of the same bitness (syswow64's for the 32-bit exe). Prints the medians and their
# ratios per bitness.
#   tools/bench/wine-timing.sh [RUNS] [WIN32_BUILD_DIR] [WIN64_BUILD_DIR]
# Both build dirs need z4setup.exe, z4floor.exe, z4floor_template.exe and z4timer.exe
# (tools/win32/floor.cmake). To tell where the start-up goes, it also times the floor with a main
# window and the tool's own template, and the tool on a registry without its configuration.
# The i686 exe is timed twice: under WOW64 in the 64-bit prefix, and in a 32-bit prefix of its
# own (Z4_BENCH_PREFIX32), as on 32-bit Windows, against that prefix's reg.exe.
set -euo pipefail
runs=${1:-7}
root=$(cd "$(dirname "$0")/../.." && pwd)
w32=$(realpath "${2:-$root/build/win32}")
w64=$(realpath "${3:-$root/build/win64}")
export WINEPREFIX=${Z4_BENCH_PREFIX:-/tmp/z4-bench-prefix}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,msports="
work=$(mktemp -d /tmp/z4-bench.XXXXXX)

# A prefix booted before 32-bit Wine could run lacks syswow64; make a fresh one then.
if [ -z "$(ls -A "$WINEPREFIX/drive_c/windows/syswow64" 2>/dev/null)" ]; then
    rm -rf "$WINEPREFIX"
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
fi

# The configuration the tool reads and rewrites: four ISA boards of 64 ports, COM3 on.
reg=$work/config.reg
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    svc='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Serialz4'
    printf '[%s]\r\n"ErrorControl"=dword:00000000\r\n"Group"="Extended base"\r\n' "$svc"
    printf '"Start"=dword:00000002\r\n"Type"=dword:00000001\r\n\r\n[%s\\Parameters]\r\n\r\n' "$svc"
    n=3
    for b in 1 2 3 4; do
        printf '[%s\\Parameters\\Board%d]\r\n"IOAddr"=dword:%08x\r\n"Interrupt"=dword:0000000a\r\n"BusType"=dword:00000001\r\n\r\n' \
            "$svc" $b $((0x300 + 8 * b)) 
        for p in $(seq 0 63); do
            dos=$(printf 'COM%d ' $n | od -An -tx1 | tr -s ' ' ',' | sed 's/^,//;s/,$//')
            printf '[%s\\Parameters\\Board%d\\Serial%d]\r\n"DosDevices"=hex(1):%s\r\n"PortIndex"=dword:%08x\r\n\r\n' \
                "$svc" $b $n "$dos" $p
            n=$((n + 1))
        done
    done
    printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports]\r\n'
    for c in $(seq 3 258); do printf '"COM%d:"="9600,n,8,1"\r\n' $c; done
} > "$reg"
winreg=$(/usr/lib/wine/wine64 winepath -w "$reg" 2>/dev/null)
# The same configuration as a board file for "/s".
boards=$work/boards.ini
{
    for b in 1 2 3 4; do
        printf '[Board%d]\r\nBusType = ISA\r\nInterrupt = 10\r\nIOAddr = %X\r\nPorts = 64\r\n' $b $((0x300 + 8 * b))
    done
    printf '[Numbering]\r\nFirstDevice = 3\r\nFirstCOM = 3\r\n'
} > "$boards"
winboards=$(/usr/lib/wine/wine64 winepath -w "$boards" 2>/dev/null)
# The same boards on interrupt 11: "/s" of one file after the other rewrites every board.
moved=$work/moved.ini
sed 's/Interrupt = 10/Interrupt = 11/' "$boards" > "$moved"
winmoved=$(/usr/lib/wine/wine64 winepath -w "$moved" 2>/dev/null)
# Xvfb runs no window manager: Wine then waits 2 s for every managed window it hides (its
# "wait_for_withdrawn_state" timeout), which would swamp the write. Unmanaged windows don't.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

measure() {  # 64|32|32p wine build-dir timer-command
    local bits=$1 wine=$2 dir=$3 timer=$4 label
    local exe com floor template regexe=reg
    case "$bits" in 64) label=64-bit ;; 32) label='32-bit (WOW64)' ;; *) label='32-bit prefix' ;; esac
    # Under WOW64 the 64-bit reg.exe would leave out the 32-bit loader (and qemu, where it runs).
    [ "$bits" = 32 ] && regexe='C:\windows\syswow64\reg.exe'

    exe=$($wine winepath -w "$dir/z4setup.exe" 2>/dev/null)
    com=$($wine winepath -w "$dir/z4setup.com" 2>/dev/null)
    floor=$($wine winepath -w "$dir/z4floor.exe" 2>/dev/null)
    template=$($wine winepath -w "$dir/z4floor_template.exe" 2>/dev/null)
    : > "$work/exits"; : > "$work/s$bits"; : > "$work/f$bits"; : > "$work/w$bits"; : > "$work/r$bits"
    : > "$work/t$bits"; : > "$work/e$bits"; : > "$work/a$bits"; : > "$work/n$bits"; : > "$work/i$bits"
    : > "$work/p$bits"; : > "$work/q$bits"; : > "$work/x$bits"; : > "$work/o$bits"
    $wine reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\Serialz4' /f >/dev/null 2>&1 || true
    $timer start "Zentrix IV Configuration" "$template /main" >/dev/null 2>&1 || true   # warm-up
    for i in $(seq "$runs"); do
        $timer start "Zentrix IV Configuration" "$template /main" | awk '{print $1}' >> "$work/t$bits"
        $timer start "Zentrix IV Configuration" "$exe" | awk '{print $1}' >> "$work/e$bits"
    done
    $wine reg import "$winreg" >/dev/null 2>&1
    $timer start "Zentrix IV Floor" "$floor" >/dev/null 2>&1 || true     # warm-up
    $timer start "Zentrix IV Configuration" "$exe" >/dev/null 2>&1 || true
    for i in $(seq "$runs"); do
        $timer start "Zentrix IV Floor" "$floor" | awk '{print $1}' >> "$work/f$bits"
        $timer start "Zentrix IV Configuration" "$exe" | awk '{print $1}' >> "$work/s$bits"
        $timer ok "Zentrix IV Configuration" "$exe" | tee -a "$work/exits" | awk '{print $1}' >> "$work/w$bits"
        $timer run "$regexe import $winreg" | tee -a "$work/exits" | awk '{print $1}' >> "$work/r$bits"
        # The machine holds the file's configuration now: /s changes nothing, /n finds nothing.
        # Each prints its lines; the timer's own line comes last.
        $timer run "$exe /s $winboards" | tail -n 1 | tee -a "$work/exits" | awk '{print $1}' >> "$work/a$bits"
        $timer run "$exe /n $winboards" | tail -n 1 | tee -a "$work/exits" | awk '{print $1}' >> "$work/p$bits"
        # Rewrites: the interrupt changes on every board, then changes back.
        $timer run "$exe /s $winmoved" | tail -n 1 | tee -a "$work/exits" | awk '{print $1}' >> "$work/x$bits"
        $timer run "$exe /s $winboards" | tail -n 1 | tee -a "$work/exits" | awk '{print $1}' >> "$work/x$bits"
        # The floor of every run without a window: the console companion's start, usage and exit.
        $timer run "$com /?" | tail -n 1 | tee -a "$work/exits" | awk '{print $1}' >> "$work/o$bits"
    done
    # A machine without the configuration, as where a board file is deployed: both write anew.
    for i in $(seq "$runs"); do
        $wine reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\Serialz4' /f >/dev/null 2>&1
        $timer run "$exe /s $winboards" | tail -n 1 | tee -a "$work/exits" | awk '{print $1}' >> "$work/n$bits"
        $wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\Serialz4\Parameters\Board4\Serial258' >/dev/null 2>&1 ||
            { echo "FAIL the $label /s left no Serial258"; exit 1; }
        $wine reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\Serialz4' /f >/dev/null 2>&1
        $timer run "$regexe import $winreg" | tee -a "$work/exits" | awk '{print $1}' >> "$work/i$bits"
    done
    # The tool must have rewritten the configuration each time: its last port is still there.
    $wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\Serialz4\Parameters\Board4\Serial258' >/dev/null 2>&1 ||
        { echo "FAIL the $label write left no Serial258"; exit 1; }
    # Both writers must have finished on their own, with success.
    if grep -v ' exit 0' "$work/exits" | grep -q .; then echo "FAIL a $label write did not end with 0"; exit 1; fi
    : > "$work/exits"
    local s f w r t e a n i p x o
    s=$(median < "$work/s$bits"); f=$(median < "$work/f$bits")
    w=$(median < "$work/w$bits"); r=$(median < "$work/r$bits")
    t=$(median < "$work/t$bits"); e=$(median < "$work/e$bits"); a=$(median < "$work/a$bits")
    n=$(median < "$work/n$bits"); i=$(median < "$work/i$bits"); p=$(median < "$work/p$bits")
    x=$(median < "$work/x$bits"); o=$(median < "$work/o$bits")
    printf '%s (%s): start to dialog %s ms, floor %s ms, ratio %.2f; 4x64 write Ok to exit %s ms, reg import %s ms, ratio %.2f (median of %d)\n' \
        "$label" "$(basename "$wine")" "$s" "$f" "$(echo "$s / $f" | bc -l)" "$w" "$r" "$(echo "$w / $r" | bc -l)" "$runs"
    printf '%s: floor with a main window and the tool'"'"'s template %s ms; the tool without a configuration %s ms (ratio %.2f), with the 4x64 one %.2f\n' \
        "$label" "$t" "$e" "$(echo "$e / $t" | bc -l)" "$(echo "$s / $t" | bc -l)"
    printf '%s: the 4x64 board file, start to exit, against reg import by %s (%s ms): /s on a machine that holds it %s ms, ratio %.2f; /n there %s ms, ratio %.2f\n' \
        "$label" "$regexe" "$r" "$a" "$(echo "$a / $r" | bc -l)" "$p" "$(echo "$p / $r" | bc -l)"
    printf '%s: /s on a machine without it %s ms, reg import there %s ms, ratio %.2f\n' \
        "$label" "$n" "$i" "$(echo "$n / $i" | bc -l)"
    printf '%s: /s rewriting the interrupt of every board %s ms, ratio %.2f to reg import (%s ms)\n' \
        "$label" "$x" "$(echo "$x / $r" | bc -l)" "$r"
    printf '%s: z4setup.com /? (start, usage, exit) %s ms\n' "$label" "$o"
    # Process starts under Wine vary by tens of milliseconds; the fastest runs show the cost
    # without that.
    printf '%s fastest: reg import %s ms, /s holding it %s, /n %s, rewrite %s, /? %s; new machine /s %s, reg import %s\n' \
        "$label" "$(sort -n "$work/r$bits" | head -1)" "$(sort -n "$work/a$bits" | head -1)" \
        "$(sort -n "$work/p$bits" | head -1)" "$(sort -n "$work/x$bits" | head -1)" \
        "$(sort -n "$work/o$bits" | head -1)" "$(sort -n "$work/n$bits" | head -1)" "$(sort -n "$work/i$bits" | head -1)"
}

# The given measure commands under one virtual display and one server for every run, so none of
# them pays for its start. All on one CPU: on a virtual machine a process woken on the other one
# (wineserver's replies) waits there for tens of milliseconds at random, which swamps what is
# measured. WINEPREFIX and WINEARCH given before the call choose the prefix.
timed() {
    taskset -c "${Z4_BENCH_CPU:-1}" xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c "winreg='$winreg'; \
        $(declare -f measure median); work='$work' w64='$w64' runs='$runs' winboards='$winboards' \
        winmoved='$winmoved'; set -e; wineserver -p || true; $1"
    wineserver -k || true
}

# Programs started without a display leave a desktop behind that no later window can use.
wineserver -k || true
timed "measure 64 /usr/lib/wine/wine64 '$w64' '/usr/lib/wine/wine64 $w64/z4timer.exe'; \
    measure 32 /usr/lib/wine/wine '$w32' '/usr/lib/wine/wine64 $w64/z4timer.exe'"

# The 32-bit prefix: its own server, booted afresh (tried three times where qemu runs it).
prefix32=${Z4_BENCH_PREFIX32:-/tmp/z4-bench-prefix32}
[ -f "$prefix32/system.reg" ] || "$root/tools/e2e/wine-prefix.sh" create "$prefix32" win32
WINEPREFIX=$prefix32 WINEARCH=win32 /usr/lib/wine/wine reg add 'HKCU\Software\Wine\X11 Driver' \
    /v Managed /d N /f >/dev/null 2>&1
WINEPREFIX=$prefix32 WINEARCH=win32 timed "measure 32p /usr/lib/wine/wine '$w32' '/usr/lib/wine/wine $w32/z4timer.exe'"
rm -rf "$work"
