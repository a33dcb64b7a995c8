#!/usr/bin/env bash
# Builds the dialog probe against the tool's own template and runs it under Wine in its own
# prefix on a virtual display; the log lands in $OUT (default /tmp/dialog-probe/dialog_probe.log).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${OUT:-/tmp/dialog-probe}"
mkdir -p "$out"
i686-w64-mingw32-windres -I "$root/setup.d/config_dialog" "$root/setup.d/config_dialog/config_dialog.rc" -O coff -o "$out/dialog.res"
i686-w64-mingw32-g++-posix -std=c++17 -O1 -static -I "$root/setup.d/config_dialog" -I "$root/setup.d/platform" \
    "$root/tools/probes/dialog_probe.cpp" "$out/dialog.res" -o "$out/dialog_probe.exe" -mwindows
export WINEPREFIX="${WINEPREFIX:-/tmp/dlgprobe}" WINEDEBUG=-all
cd "$out"
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" /usr/lib/wine/wine dialog_probe.exe
/usr/lib/wine/wineserver -w
cat dialog_probe.log
