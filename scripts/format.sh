#!/usr/bin/env bash
# Checks that every C++ file in src/ tests/ bench/ tools/ is formatted as .clang-format says;
# names the files that are not. Fix one with `clang-format -i FILE`.
set -euo pipefail
cd "$(dirname "$0")/.."
folders=(src tests bench tools)
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- "${folders[@]}" | grep -E '\.(c|cc|cpp|h|hpp)$')
else
    mapfile -t files < <(find "${folders[@]}" -type f -regex '.*\.\(c\|cc\|cpp\|h\|hpp\)$' | sort)
fi
rc=0
output=$(clang-format --dry-run --Werror "${files[@]}" 2>&1) || rc=$?
if [ "$rc" -ne 0 ]; then
    failed=$(sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' \
        <<<"$output" | sort -u)
    if [ -z "$failed" ]; then
        echo "$output"  # clang-format itself failed
    else
        echo "Not formatted as .clang-format says (clang-format -i FILE fixes it):"
        echo "$failed" | sed 's/^/  /'
    fi
    exit 1
fi
echo "${#files[@]} files formatted as .clang-format says"
