#!/usr/bin/env bash
# Line coverage of the tool's code by the host suite (GoogleTest only, no scenarios), per file
# and for the registry store: builds build/coverage with gcov instrumentation and runs z4tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/build/coverage
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DZ4_COVERAGE=ON >/dev/null
cmake --build "$dir" --target z4tests -j"$(nproc)" >/dev/null
find "$dir" -name '*.gcda' -delete
"$dir/z4tests" --gtest_brief=1 >/dev/null
objects=$(find "$dir" -path '*z4tool*' -name '*.gcda' | grep '/setup.d/.*\.gcda$' || true)
[ -n "$objects" ] || { echo "no coverage data for setup.d" >&2; exit 1; }
cd "$dir"
# gcov prints "File '...'" then "Lines executed:P% of N" for every source it saw.
gcov -n $objects 2>/dev/null | awk '
    /^File / { file = $2; gsub(/\047/, "", file); keep = file ~ /\/setup\.d\/[^\/]+$/ ; next }
    keep && /^Lines executed:/ {
        split($2, a, ":"); pct = a[2] + 0; n = $4 + 0; hit = pct * n / 100
        name = file; sub(/.*\//, "", name)
        printf "%-22s %6.1f%% of %4d lines\n", name, pct, n
        total += n; covered += hit
        if (name ~ /^reg_store/) { stotal += n; scovered += hit }
        keep = 0
    }
    END {
        printf "%-22s %6.1f%% of %4d lines\n", "registry store", 100 * scovered / stotal, stotal
        printf "%-22s %6.1f%% of %4d lines\n", "setup.d", 100 * covered / total, total
    }'
