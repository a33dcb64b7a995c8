#!/usr/bin/env bash
# CI robustness run: the host suite under AddressSanitizer and UBSan, then each libFuzzer target
# over its committed corpus and for a bounded time (FUZZ_SECONDS each, default 60).
#   tools/ci-robustness.sh [asan|fuzz|all]
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
seconds=${FUZZ_SECONDS:-60}

if [ "$what" = asan ] || [ "$what" = all ]; then
    cmake --preset host-asan >/dev/null
    cmake --build --preset host-asan -j2
    # The Wine runs exercise the Windows exes, not this build: they run once, in the plain suite.
    ctest --preset host-asan -j1 -E 'scenarios_wine|msi_wine'
fi

if [ "$what" = fuzz ] || [ "$what" = all ]; then
    cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZ4_FUZZ=ON >/dev/null
    cmake --build build/fuzz --target z4fuzz z4fuzz_board z4fuzz_resources -j2
    # z4fuzz: a registry and a dialog session; z4fuzz_board: a registry and a board file;
    # z4fuzz_resources: a resource list.
    for target in z4fuzz:corpus z4fuzz_board:board_corpus z4fuzz_resources:resource_corpus; do
        fuzzer=${target%%:*} corpus=tools/fuzz/${target#*:}
        # Every committed input once: a crash or broken promise fails the run.
        build/fuzz/$fuzzer -runs=0 -close_fd_mask=1 "$corpus"
        # Then new inputs for a bounded time; finds are kept in build/fuzz/ for the log.
        mkdir -p build/fuzz/$fuzzer-work build/fuzz/artifacts
        build/fuzz/$fuzzer -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
            -close_fd_mask=1 -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/$fuzzer- \
            build/fuzz/$fuzzer-work "$corpus"
    done
fi
