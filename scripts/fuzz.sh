#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined sanitizers) in build/fuzz and runs
# each for a while on its corpus and the project's seeds.
# Usage: scripts/fuzz.sh SECONDS [JOBS]. JOBS targets run side by side (default 1), each on
# one core; a target that finds a crash leaves it in build/fuzz/ and fails the run.
# Warnings are errors in this build, as in the test command's; KD_WERROR=OFF lets them through.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?seconds per target}
jobs=${2:-1}
# 0 seconds skips them (libFuzzer would take it as "for ever").
[ "$seconds" -gt 0 ] && [ -f tests/fuzz/CMakeLists.txt ] || exit 0

CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVADESK_FUZZ=ON -DKORVADESK_TESTS=ON -DKORVADESK_BENCH=OFF \
    -DKORVADESK_WERROR="${KD_WERROR:-ON}" >/dev/null
targets=$(sed -n 's/^ *kd_add_fuzz(\([A-Za-z0-9_]*\).*/\1/p' tests/fuzz/CMakeLists.txt)
# shellcheck disable=SC2086
cmake --build build/fuzz -j "$(nproc)" --target $targets

fuzz_one() {
    local t=$1 corpus="build/fuzz/corpus/$1" seeds="tests/fuzz/seeds/$1" rc=0
    mkdir -p "$corpus"
    "build/fuzz/tests/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build/fuzz/$t-" "$corpus" $([ -d "$seeds" ] && echo "$seeds") \
        >"build/fuzz/$t.log" 2>&1 || rc=$?
    echo "$rc" >"build/fuzz/$t.rc"
}

running=0
for t in $targets; do
    echo "== fuzzing $t for ${seconds}s (log: build/fuzz/$t.log)"
    fuzz_one "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait

status=0
for t in $targets; do
    rc=$(cat "build/fuzz/$t.rc" 2>/dev/null || echo 1)
    if [ "$rc" != 0 ]; then
        echo "== $t failed ($rc)"
        tail -n 40 "build/fuzz/$t.log"
        status=1
    fi
    printf '%s: ' "$t"
    grep -E '^stat::number_of_executed_units|^Done' "build/fuzz/$t.log" | tr '\n' ' '
    echo
done
exit "$status"
