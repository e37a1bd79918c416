#!/usr/bin/env bash
# The long quality run: the whole test suite (the README's test command, fuzz targets 60 s each),
# the load test (64 senders x 20 notes against the running program) repeated, every benchmark
# in bench/, each reporting its figure against its floor, and last every fuzz target for 30
# minutes, as many side by side as there are cores (the benchmarks want a quiet machine, so the
# fuzzing waits for them). Everything lands in build/quality/ and build/fuzz/; docs/quality.md
# says what the figures mean and where the program stands.
# Environment: KD_FUZZ_SECONDS (default 1800) per fuzz target in the long part; KD_FUZZ_JOBS
# (default: the number of cores) targets at once; KD_LOAD_RUNS (default 10) repetitions of the
# load test; KD_QUALITY_SKIP_SUITE=1 goes straight to load and benchmarks.
# Takes about two and a half hours on two cores with the defaults. Only ever talks to 127.0.0.1.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/quality
mkdir -p "$out"
fuzz_seconds=${KD_FUZZ_SECONDS:-1800}
fuzz_jobs=${KD_FUZZ_JOBS:-$(nproc)}
load_runs=${KD_LOAD_RUNS:-10}
status=0

if [ "${KD_QUALITY_SKIP_SUITE:-0}" != 1 ]; then
    echo "== test suite with the short fuzz runs (log: $out/suite.log)"
    scripts/test.sh >"$out/suite.log" 2>&1 || status=1
    grep -E 'tests passed|tests failed|^fuzz_' "$out/suite.log" || true
fi

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target korvadesk test_receive_load_e2e \
    bench_startup bench_memory bench_delivery bench_store bench_net_receive bench_net_send \
    bench_autosave bench_ui_stall bench_note_body

# A private display, as in scripts/test.sh.
display=99
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
    display=$((display + 1))
done
# -noreset: a server that resets when its last client leaves refuses a client that connects
# in that moment (seen as "cannot open display" on a loaded machine).
Xvfb ":${display}" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
export DISPLAY=":${display}" QT_QPA_PLATFORM=xcb
for _ in $(seq 1 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

echo "== load: 64 senders x 20 notes, ${load_runs} runs (log: $out/load.log)"
: >"$out/load.log"
for run in $(seq 1 "$load_runs"); do
    if ! KD_LOAD_SENDERS=64 KD_LOAD_NOTES=20 "$build/tests/e2e/test_receive_load_e2e" \
        >>"$out/load.log" 2>&1; then
        echo "load run $run failed"
        status=1
    fi
done
grep '^load:' "$out/load.log" || true

echo "== benchmarks (results: $out/bench_*.json)"
for b in bench_startup bench_memory bench_delivery bench_store bench_net_receive bench_net_send \
    bench_autosave bench_ui_stall bench_note_body; do
    if ! "$build/bench/$b" --benchmark_out="$out/$b.json" --benchmark_out_format=json \
        >"$out/$b.txt" 2>&1; then
        echo "$b failed"
        status=1
    fi
    cat "$out/$b.txt"
done
cleanup
trap - EXIT

echo "== long fuzzing: ${fuzz_seconds}s per target, ${fuzz_jobs} at once (log: $out/fuzz.log)"
scripts/fuzz.sh "$fuzz_seconds" "$fuzz_jobs" >"$out/fuzz.log" 2>&1 || status=1
grep -E '^fuzz_|failed' "$out/fuzz.log" || true

echo "== measured on $(date -u +%Y-%m-%d) on $(uname -n): $(nproc) cores," \
    "$(awk '/MemTotal/ {printf "%.0f GB", $2 / 1048576}' /proc/meminfo)" | tee "$out/machine.txt"
exit "$status"
