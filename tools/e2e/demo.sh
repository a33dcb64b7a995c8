#!/usr/bin/env bash
# The typical session without a display: COM1 and COM2 in use, no configuration; a pilot types
# 8 ports for Board 1 and presses Ok on the real dialog under a virtual display, then the
# registry the tool wrote is printed. Runs in a throwaway Wine prefix (the store stays as it is).
set -euo pipefail
cd "$(dirname "$0")/../.."
exe=build/win32/z4setup.exe pilot=build/win32/z4pilot.exe
[ -f "$exe" ] && [ -f "$pilot" ] || { echo "$0: build the win32 preset first" >&2; exit 1; }
work=$(mktemp -d /tmp/z4demo.XXXXXX)
prefix=$work/prefix
trap 'tools/e2e/wine-prefix.sh stop "$prefix"; rm -rf "$work"' EXIT
win() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }

echo "No display: showing the typical session under a virtual display instead."
echo "Preparing a throwaway Wine prefix (a minute or so)..."
tools/e2e/wine-prefix.sh create "$prefix" win32
before=tests/scenarios/typical-run/before.reg
: > "$work/after.reg"
cat > "$work/script.txt" <<SCRIPT
wait 20000
reset
volatile "HARDWARE\\\\DEVICEMAP\\\\SERIALCOMM"
import "$(win "$before" | sed 's/\\/\\\\/g')"
start "$(win "$exe" | sed 's/\\/\\\\/g')" ""
text 250
text 240
type 203 8
text 203
press 101
exit
export "$(win "$work/after.reg" | sed 's/\\/\\\\/g')"
SCRIPT
echo "Registry before: $before"
sed 's/^/    /' "$before"
echo "The user types 8 as Board 1's number of ports and presses Ok:"
WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,msports=" \
    timeout 300 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" \
    /usr/lib/wine/wine "$pilot" "$(win "$work/script.txt")" "$(win "$work/log.txt")" 2>/dev/null
sed 's/^/    seen: /' "$work/log.txt"
echo "What z4setup.exe left in the registry (driver keys, COM entries of the Ports list):"
sed -e 's/\r$//' -e 's/^/    /' "$work/after.reg"
