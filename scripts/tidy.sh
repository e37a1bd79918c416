#!/usr/bin/env bash
# Runs clang-tidy with .clang-tidy over src/ (or the files named), two at a time, on the
# compile commands of a build (default build/test; KD_TIDY_BUILD picks another). Prints the
# findings and a count per check; exits 1 when there are any. docs/tools.md explains the checks.
# Usage: scripts/tidy.sh [FILE...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KD_TIDY_BUILD:-build/test}
jobs=${KD_TIDY_JOBS:-2}
if [ ! -f "$build/compile_commands.json" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# The generated Qt sources (moc, rcc) are needed before a file that includes them is read.
cmake --build "$build" -j "$jobs" --target korvadesk >/dev/null

if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -t files < <(git ls-files -- 'src/*.cpp')
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
printf '%s\0' "${files[@]}" |
    xargs -0 -n 4 -P "$jobs" clang-tidy -p "$build" --quiet 2>/dev/null >"$out" || true
# A header's finding is reported by every file that includes it: keep each once.
findings=$(grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error): .*\[[a-z0-9.,-]+\]$' "$out" | sort -u || true)
if [ -z "$findings" ]; then
    echo "clang-tidy: no findings in ${#files[@]} files"
    exit 0
fi
echo "$findings"
echo
echo "clang-tidy findings per check:"
sed -E 's/.*\[([a-z0-9.,-]+)\]$/\1/' <<<"$findings" | sort | uniq -c | sort -rn
exit 1
