#!/usr/bin/env bash
# The typical session without a display: COM1 and COM2 in use, no configuration; a pilot types
# 8 ports for Board 1 and presses Ok on the real dialog under a virtual display, then the
# registry the tool wrote is printed. Runs in a Wine prefix of its own in /tmp, kept between
# runs (the store stays as it is).
set -euo pipefail
cd "$(dirname "$0")/../.."
. tools/e2e/wine-arch.sh
exe=build/$Z4_ARCH/z4setup.exe pilot=build/$Z4_ARCH/z4pilot.exe
[ -f "$exe" ] && [ -f "$pilot" ] || { echo "$0: build the $Z4_ARCH preset first" >&2; exit 1; }
work=$(mktemp -d /tmp/z4demo.XXXXXX)
# The prefix is kept between runs (the pilot resets the driver's keys and imports the session's
# registry each time): only the first run waits for Wine to boot one.
prefix=/tmp/z4demo-prefix-$Z4_ARCH-$(id -u)
trap 'tools/e2e/wine-prefix.sh stop "$prefix"; rm -rf "$work"' EXIT
win() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }

echo "No display: showing the typical session under a virtual display instead."
echo "Running $exe: $Z4_WHY."
if [ ! -f "$prefix/system.reg" ]; then
    echo "Preparing a Wine prefix in $prefix (once, a minute or so)..."
    tools/e2e/wine-prefix.sh create "$prefix" "$Z4_ARCH"
fi
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
WINEPREFIX=$prefix WINEARCH=$Z4_ARCH WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,msports=" \
    timeout 300 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" \
    "$Z4_LOADER" "$pilot" "$(win "$work/script.txt")" "$(win "$work/log.txt")" 2>/dev/null
sed 's/^/    seen: /' "$work/log.txt"
echo "What z4setup.exe left in the registry (driver keys, COM entries of the Ports list):"
sed -e 's/\r$//' -e 's/^/    /' "$work/after.reg"
