#!/usr/bin/env bash
# Which exe the README's first command runs, and why, for scripts to source: Z4_ARCH (win32 or
# win64), Z4_LOADER, Z4_WHY. The i686 exe is the primary target, run in a 64-bit prefix as
# most Windows machines run it (WOW64), unless this kernel runs 32-bit programs only through
# qemu (a registered qemu-i386 handler): then booting a prefix's 32-bit half takes minutes and
# sometimes fails, and the x86_64 exe, the same tool, runs instead.
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
    Z4_ARCH=win64 Z4_LOADER=/usr/lib/wine/wine64
    Z4_WHY="this kernel runs 32-bit programs only under qemu, so the x86_64 exe runs instead of the i686 one"
else
    Z4_ARCH=win32 Z4_LOADER=/usr/lib/wine/wine
    Z4_WHY="the i686 exe, the primary target, under WOW64"
fi
export Z4_ARCH Z4_LOADER Z4_WHY
