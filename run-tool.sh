#!/usr/bin/env bash
# Installs what is missing, builds the Windows exe and runs it under Wine, whose registry in
# the project-local prefix .wine/ is the store. Arguments go to the tool (e.g. /d).
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
tools/build.sh win32
if [ -z "${DISPLAY:-}" ] && [ -x tools/e2e/demo.sh ]; then
    # Nobody can click on a machine without a display: show the typical session instead.
    exec tools/e2e/demo.sh
fi
export WINEPREFIX="$PWD/.wine" WINEDEBUG=-all WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing the Wine prefix in $WINEPREFIX (once)..."
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
fi
set +e
/usr/lib/wine/wine build/win32/z4setup.exe "$@"
code=$?
WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver -w
echo "z4setup.exe exited with $code"
exit $code
