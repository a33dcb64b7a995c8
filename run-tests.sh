#!/usr/bin/env bash
# Installs what is missing, builds every target and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
tools/build.sh win32 win64 host
tools/check-exe.sh build/win32/z4setup.exe build/win64/z4setup.exe
ctest --preset host
