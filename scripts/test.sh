#!/usr/bin/env bash
# Builds Korvadesk with its tests (installing what it needs), starts a private Xvfb screen of
# 1280x1024x24 for the window tests, runs the whole suite, then the fuzz targets.
# Environment: KD_FUZZ_SECONDS (default 60) sets each fuzz target's time; 0 skips them.
# KD_SANITIZE=1 builds and runs everything under AddressSanitizer and UBSan in build/asan.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/deps.sh test

jobs=$(nproc)
build=build/test
sanitize=()
if [ "${KD_SANITIZE:-0}" = 1 ]; then
    build=build/asan
    sanitize=(-DKORVADESK_SANITIZE=ON -DKORVADESK_BENCH=OFF)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${sanitize[@]}"
cmake --build "$build" -j "$jobs"

# A private display, so the tests never touch the user's desktop.
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
export DISPLAY=":${display}"
for _ in $(seq 1 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
export QT_QPA_PLATFORM=xcb
# Only read by sanitizer builds (KORVADESK_SANITIZE=ON): leaks inside system libraries.
export LSAN_OPTIONS="suppressions=${root}/tests/support/lsan.supp:print_suppressions=0"

status=0
ctest --test-dir "$build" --output-on-failure --timeout 300 || status=$?

fuzz_seconds=${KD_FUZZ_SECONDS:-60}
if [ "$status" -eq 0 ] && [ "$fuzz_seconds" -gt 0 ]; then
    scripts/fuzz.sh "$fuzz_seconds" || status=1
fi
exit "$status"
