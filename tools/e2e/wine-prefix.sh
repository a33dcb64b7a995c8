#!/usr/bin/env bash
# Throwaway Wine prefixes for the end-to-end runs.
#   wine-prefix.sh create DIR win32|win64   boots a fresh prefix in DIR (replacing it)
#   wine-prefix.sh fonts DIR                gives the prefix in DIR Wine's own fonts
#   wine-prefix.sh stop DIR                 stops that prefix's wineserver and its processes
set -euo pipefail

usage() { echo "usage: $0 create DIR win32|win64 | fonts DIR | stop DIR" >&2; exit 2; }
[ $# -ge 2 ] || usage

# Debian's Wine 8 looks for the fonts of fonts-wine beside its data folder, not in
# /usr/share/wine/fonts where the package puts them; linked into the prefix's Fonts folder
# they are found. Without them Marlett is missing (caption buttons come out as the letters
# "0 1 r") and "MS Sans Serif" falls back to another face with other dialog base units.
wine_fonts() {
    local fonts=/usr/share/wine/fonts
    [ -f "$fonts/marlett.ttf" ] || {
        echo "$0: no $fonts/marlett.ttf: install fonts-wine (tools/install-deps.sh)" >&2; exit 1; }
    mkdir -p "$1/drive_c/windows/Fonts"
    ln -sf "$fonts"/* "$1/drive_c/windows/Fonts/"
}

case "$1" in
create)
    [ $# -eq 3 ] || usage
    dir=$2 arch=$3
    case "$arch" in
    win32) loader=/usr/lib/wine/wine ;;
    win64) loader=/usr/lib/wine/wine64 ;;
    *) usage ;;
    esac
    case "$dir" in /tmp/*) ;; *) echo "$0: prefixes live under /tmp" >&2; exit 2 ;; esac
    if [ -d "$dir" ]; then
        WINEPREFIX="$dir" /usr/lib/wine/wineserver -k 2>/dev/null || true
        rm -rf "$dir"
    fi
    mkdir -p "$(dirname "$dir")"
    # No Mono or Gecko: their installers would ask a question nobody answers.
    export WINEPREFIX="$dir" WINEARCH="$arch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,msports="
    # Where 32-bit programs run under qemu a first boot now and then hangs or fails at once
    # ("libgcc_s.so.1 must be installed", "wine client error"): it is tried afresh, three times.
    booted=0
    for attempt in 1 2 3; do
        if timeout 420 "$loader" wineboot -i >/dev/null 2>&1; then booted=1; break; fi
        echo "$0: wineboot failed or took over 7 minutes in $dir (try $attempt of 3)" >&2
        /usr/lib/wine/wineserver -k 2>/dev/null || true
        rm -rf "$dir"
    done
    [ "$booted" = 1 ] || { echo "$0: no prefix could be booted in $dir" >&2; exit 1; }
    wine_fonts "$dir"
    # No window manager runs on the virtual display: Wine draws captions and frames itself.
    timeout 300 "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f \
        >/dev/null 2>&1 || { echo "$0: cannot set up the X11 driver in $dir" >&2; exit 1; }
    # Wait until the first session is over, so its registry is on disk.
    timeout 120 /usr/lib/wine/wineserver -w || true
    [ -f "$dir/system.reg" ] || { echo "$0: no registry in $dir after wineboot" >&2; exit 1; }
    ;;
fonts)
    wine_fonts "$2"
    ;;
stop)
    WINEPREFIX="$2" timeout 60 /usr/lib/wine/wineserver -k 2>/dev/null || true
    ;;
*)
    usage ;;
esac
