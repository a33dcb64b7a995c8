#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12; does nothing when all is there.
set -euo pipefail

# fonts-wine holds the Marlett font Wine draws the caption buttons with; without it they come
# out as the letters "0 1 r" in every dialog and screenshot.
packages=(cmake make g++ googletest libgtest-dev libbenchmark-dev
          mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils imagemagick
          clang libclang-rt-14-dev python3 python3-yaml
          qemu-user-static wine32-preloader:i386 wixl)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
here=$(dirname "$0")
[ ${#missing[@]} -eq 0 ] && exec "$here/enable-wine32.sh"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
# A mirror caught mid-sync fails the update ("File has unexpected size"); a later try may see it
# whole. If none does, the security archive's lists are short of one architecture, and its
# packages of the other cannot pair with them: install from the main archive alone then.
updated=false
for try in 1 2 3; do
    $sudo apt-get update -qq && { updated=true; break; }
    if [ "$try" -lt 3 ]; then sleep $((try * 20)); fi
done
pin=()
if ! $updated; then
    echo "apt-get update failed three times; installing from the main archive's lists" >&2
    pinned=$(mktemp -d)
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 50\n' > "$pinned/security"
    pin=(-o "Dir::Etc::PreferencesParts=$pinned")
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install "${pin[@]}" -y -qq --no-install-recommends "${missing[@]}" >/dev/null
"$here/enable-wine32.sh"
