#!/usr/bin/env bash
# Installs what is missing, builds every target and runs the whole test suite: the host tests,
# the end-to-end scenarios (emulation, win32 and win64 exes under Wine), the exe checks, the
# suite again under AddressSanitizer and UBSan, and the fuzz corpus with a bounded fuzz run.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
tools/build.sh win32 win64 host
# The installer packages, which the suite installs and removes under Wine.
cmake --build --preset win32 --target msi
cmake --build --preset win64 --target msi
tools/check-exe.sh build/win32/z4setup.exe build/win32/z4setup.com build/win64/z4setup.exe \
    build/win64/z4setup.com
ctest --preset host
tools/ci-robustness.sh all
