#!/usr/bin/env bash
# Shows build/win32/z4setup.exe under Wine on a private 96 DPI virtual display and saves a
# screenshot of the main window with the dialog over it (default docs/dialog-wine.png).
# Wine draws the frames itself (no window manager runs), so its X11 driver is set undecorated.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${1:-$root/docs/dialog-wine.png}"
export WINEPREFIX="${WINEPREFIX:-/tmp/dlgshot}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,msports="
display=":${SHOT_DISPLAY:-77}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    WINEARCH=win32 xvfb-run -a /usr/lib/wine/wine wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
fi
"$root/tools/e2e/wine-prefix.sh" fonts "$WINEPREFIX"
if ! grep -q '"Decorated"="N"' "$WINEPREFIX/user.reg"; then
    /usr/lib/wine/wineserver -k || true
    printf '\n[Software\\\\Wine\\\\X11 Driver] 1700000000\n"Decorated"="N"\n"Managed"="N"\n' \
        >> "$WINEPREFIX/user.reg"
fi
Xvfb "$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 3
export DISPLAY="$display"
/usr/lib/wine/wine "$root/build/win32/z4setup.exe" >/dev/null 2>&1 &
# 32-bit Wine may run under qemu here: wait until the dialog's window exists, then a little.
for _ in $(seq 1 120); do
    xwininfo -root -tree | grep -q '"Zentrix IV Configuration"' && break
    sleep 2
done
sleep 10
import -window root "$out.full.png"
convert "$out.full.png" -crop 770x578+0+0 +repage -strip "$out"
rm -f "$out.full.png"
/usr/lib/wine/wineserver -k || true
echo "saved $out"
