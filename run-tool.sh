#!/usr/bin/env bash
# Installs what is missing, builds the Windows exe and runs it under Wine, whose registry in
# the project-local prefix .wine/ is the store. Arguments go to the tool (e.g. /d, /r, /s FILE);
# a FILE is taken from the folder the script is called from.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
# Standard output is the tool's own (a board file from /r): everything else goes to stderr.
"$root/tools/install-deps.sh" >&2
. "$root/tools/e2e/wine-arch.sh"
"$root/tools/build.sh" "$Z4_ARCH" >&2
case "${1:-}" in
    /s|/S|/r|/R|/d|/D) windowless=1 ;;
    *) windowless=0 ;;
esac
if [ -z "${DISPLAY:-}" ] && [ "$windowless" = 0 ] && [ -x "$root/tools/e2e/demo.sh" ]; then
    # Nobody can click on a machine without a display: show the typical session instead.
    exec "$root/tools/e2e/demo.sh"
fi
echo "Running build/$Z4_ARCH/z4setup.exe: $Z4_WHY." >&2
export WINEPREFIX="$root/.wine" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml,msports="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing the Wine prefix in $WINEPREFIX (once)..." >&2
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
fi
set +e
"$Z4_LOADER" "$root/build/$Z4_ARCH/z4setup.exe" "$@"
code=$?
/usr/lib/wine/wineserver -w
echo "z4setup.exe exited with $code" >&2
exit $code
