#!/usr/bin/env bash
# The installer as a fleet tool runs it, under Wine in a fresh 64-bit prefix: a silent install,
# the files and the event source there, the installed z4setup.com applying the example board
# file and leaving its event, a silent removal, nothing of the package left and the driver's
# configuration still there.
#   tools/e2e/msi-test.sh BUILD_DIR      (build/win32 or build/win64, with its msi built)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "$1")
msi=$(ls "$build"/z4setup-*-win*.msi | head -n 1)
case "$msi" in
*-win32.msi) folder="Program Files (x86)" ;;
*) folder="Program Files" ;;
esac
work=$(mktemp -d /tmp/z4msi.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,msports="
wine=/usr/lib/wine/wine64
trap '"$root/tools/e2e/wine-prefix.sh" stop "$WINEPREFIX" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
fail() { echo "msi-test: $*" >&2; exit 1; }

"$root/tools/e2e/wine-prefix.sh" create "$WINEPREFIX" win64 >/dev/null
cp "$msi" "$work/package.msi"
installed="$WINEPREFIX/drive_c/$folder/Zentrix IV"
source_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\z4setup'

# Every exit code is kept: a failing msiexec must fail the test, not the script.
code=0; (cd "$work" && $wine msiexec /i package.msi /qn) || code=$?
[ "$code" = 0 ] || fail "msiexec /i exits $code"
for f in z4setup.exe z4setup.com README.txt boards-example.ini; do
    [ -f "$installed/$f" ] || fail "$f is not in $installed"
done
$wine reg query "$source_key" /v EventMessageFile 2>/dev/null | tr -d '\r' |
    grep -q "C:\\\\$folder\\\\Zentrix IV\\\\z4setup.exe" || fail "the event source names no installed exe"
$wine reg query "$source_key" /v TypesSupported 2>/dev/null | tr -d '\r' | grep -q '0x7' ||
    fail "the event source's TypesSupported is not 7"

# The installed companion applies the example: exit 0, and its event on Wine's eventlog channel.
code=0
(cd "$work" && WINEDEBUG=+eventlog $wine "C:\\$folder\\Zentrix IV\\z4setup.com" /s \
    "C:\\$folder\\Zentrix IV\\boards-example.ini" >"$work/out.txt" 2>"$work/err.txt") || code=$?
[ "$code" = 0 ] || fail "the installed z4setup.com /s of the example exits $code: $(cat "$work/out.txt")"
grep -q 'ReportEventW L"z4setup /s .*Board1: ISA' "$work/err.txt" || fail "no event of the write"

code=0; (cd "$work" && $wine msiexec /x package.msi /qn) || code=$?
[ "$code" = 0 ] || fail "msiexec /x exits $code"
[ ! -e "$installed" ] || fail "$installed is still there: $(ls "$installed")"
if $wine reg query "$source_key" >/dev/null 2>&1; then fail "the event source is still registered"; fi
$wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\Serialz4\Parameters\Board1' >/dev/null 2>&1 ||
    fail "the removal took the driver's configuration"
# The Intune recipe's install.cmd of docs/deployment.md, for the 64-bit package it names, under
# Wine's cmd: the package, the board file copied to ProgramData, the boards applied.
if [ "$folder" = "Program Files" ]; then
    $wine reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\Serialz4' /f >/dev/null 2>&1
    mkdir "$work/intune"
    sed -n '/^rem install.cmd/,/^```$/p' "$root/docs/deployment.md" | sed '$d' |
        sed "1i @echo off" | sed "s/z4setup-[0-9.]*-win64\.msi/$(basename "$msi")/" |
        sed 's/$/\r/' >"$work/intune/install.cmd"
    cp "$msi" "$work/intune/"
    cp "$root/docs/windows/boards-example.ini" "$work/intune/boards.ini"
    code=0; (cd "$work/intune" && $wine cmd /c install.cmd >"$work/intune.txt" 2>&1) || code=$?
    [ "$code" = 0 ] || fail "install.cmd exits $code: $(cat "$work/intune.txt")"
    [ -f "$WINEPREFIX/drive_c/ProgramData/Zentrix IV/boards.ini" ] || fail "install.cmd copied no board file"
    $wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\Serialz4\Parameters\Board1' >/dev/null 2>&1 ||
        fail "install.cmd wrote no configuration"
    code=0; (cd "$work" && $wine msiexec /x package.msi /qn) || code=$?
    [ "$code" = 0 ] || fail "msiexec /x after install.cmd exits $code"
fi
echo "msi-test: $(basename "$msi"): installed, applied with its event, removed; the configuration kept"
