#!/usr/bin/env bash
# Builds Korvadesk (installing what it needs) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVADESK_TESTS=OFF \
    -DKORVADESK_BENCH=OFF
cmake --build build/release --target korvadesk
exec build/release/korvadesk
