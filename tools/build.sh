#!/usr/bin/env bash
# Configures (once) and builds the given presets: host, host-asan, win32, win64.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
for preset in "$@"; do
    [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
done
