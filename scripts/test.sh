#!/usr/bin/env bash
# Builds Korvadesk with its tests (installing what it needs) and checks it, in steps:
#   1. the format of src/ tests/ bench/ tools/ against .clang-format (scripts/format.sh);
#   2. the build in build/asan, warnings as errors, with AddressSanitizer and UBSan, and the whole
#      suite under them, tests side by side (one build: two would take CI past its half hour);
#   3. the fuzz targets, as many side by side as there are cores.
# A format failure does not stop the steps after it; a failed build or suite does.
# Every window test runs on an Xvfb screen of 1280x1024x24 of its own (the widget tests through
# tests/support/qt_test_main.cpp, the tests of the real program through ProgramTest), so the
# tests never touch the user's desktop and need no display from here.
# Environment:
#   KD_FUZZ_SECONDS  each fuzz target's time (default 30; scripts/quality.sh fuzzes for long);
#                    0 skips the fuzzing.
#   KD_SANITIZE      1 (default) as above; 0 builds and tests without the sanitizers in
#                    build/test (optimised, for timing and the benchmarks); "both" does both.
#   KD_WERROR        ON (default); OFF lets the builds through the warnings of a newer compiler.
#   KD_TEST_JOBS     tests at once (default: twice the cores; the program tests mostly wait).
#   KD_CCACHE        1 (default) compiles through ccache when the machine has it; 0 does not.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/deps.sh test

cores=$(nproc)
test_jobs=${KD_TEST_JOBS:-$((cores * 2))}
sanitize=${KD_SANITIZE:-1}
werror=${KD_WERROR:-ON}
fuzz_seconds=${KD_FUZZ_SECONDS:-30}
export KD_WERROR="$werror"
status=0
format_status=0

# Each step says when it starts and the CPU time spent so far (user and system, of everything
# this script ran): docs/tools.md keeps the figures CI's time is planned by.
started=$(date +%s)
times_file=$(mktemp)
trap 'rm -f "$times_file"' EXIT
step() {
    # `times` in this shell, not in a $(...) subshell, which has no children of its own.
    times >"$times_file"
    echo "== $* (at $(($(date +%s) - started)) s; CPU so far: $(tail -n 1 "$times_file"))"
}

step "format check"
scripts/format.sh || format_status=1

# Only the tests' own displays: nothing reaches a desktop this script runs on.
unset DISPLAY WAYLAND_DISPLAY
# Read by the sanitizer builds only: leaks inside system libraries.
export LSAN_OPTIONS="suppressions=${root}/tests/support/lsan.supp:print_suppressions=0"

# The compiler cache (scripts/deps.sh installs it) keeps what an earlier run on this machine
# compiled; KD_CCACHE=0 builds without it.
launcher=()
if [ "${KD_CCACHE:-1}" != 0 ] && command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# suite BUILD_DIR [CMAKE_OPTION...] -- [CTEST_OPTION...]
suite() {
    local build=$1 options=() ctest_options=()
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    ctest_options=("$@")
    step "build $build"
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKORVADESK_WERROR="$werror" "${launcher[@]}" "${options[@]}" >/dev/null || return 1
    cmake --build "$build" -j "$cores" || return 1
    step "tests of $build, $test_jobs at once"
    ctest --test-dir "$build" -j "$test_jobs" --output-on-failure --timeout 300 \
        "${ctest_options[@]}" || return 1
}

sanitized_suite() {
    # Unoptimised with line tables only: under the sanitizers -O2 -g compiles three times as
    # long as this, -O1 -g1 one and a half times (docs/tools.md); the reports still name file
    # and line, and nothing is optimised away from under their checks.
    # The tick's pace is the plain build's to show (and the benchmarks'), not an unoptimised
    # one's under the sanitizers.
    export KD_LOAD_TICK_CHECK=0
    suite build/asan -DKORVADESK_SANITIZE=ON \
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O0 -g1 -DNDEBUG" \
        "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O0 -g1 -DNDEBUG"
}
case "$sanitize" in
    0) suite build/test || status=1 ;;
    both) { suite build/test && sanitized_suite; } || status=1 ;;
    *) sanitized_suite || status=1 ;;
esac

if [ "$status" -eq 0 ] && [ "$fuzz_seconds" -gt 0 ]; then
    step "fuzzing, ${fuzz_seconds}s per target"
    if [ ${#launcher[@]} -gt 0 ]; then
        export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
    fi
    scripts/fuzz.sh "$fuzz_seconds" "$cores" || status=1
fi
[ "$format_status" -eq 0 ] || { echo "== the format check failed (see above)"; status=1; }
step "done, status $status"
exit "$status"
