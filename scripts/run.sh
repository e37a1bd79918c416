#!/usr/bin/env bash
# Builds Korvadesk (installing what it needs) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVADESK_TESTS=OFF \
    -DKORVADESK_BENCH=OFF
# Everything the install and the package take (korvadesk and its companion hostquill), so the
# README's packaging commands work on this build.
cmake --build build/release
exec build/release/korvadesk
