#!/usr/bin/env bash
# Lets 32-bit Wine run where the kernel has no 32-bit emulation (ia32_emulation off): the
# i386 Wine loader then runs under qemu-i386 through binfmt_misc. Needs root; idempotent.
set -euo pipefail

probe=/usr/lib/wine/wine
# A kernel that runs i386 binaries itself needs nothing.
if "$probe" --version >/dev/null 2>&1; then
    exit 0
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
misc=/proc/sys/fs/binfmt_misc
[ -f "$misc/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$misc"
if [ ! -f "$misc/qemu-i386" ]; then
    # ELF 32-bit little-endian executables and shared objects for machine 3 (i386).
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" | $sudo tee "$misc/register" >/dev/null
fi
"$probe" --version >/dev/null
