#!/usr/bin/env bash
# Builds the programs and the tests into build/ (and the sanitizer build with --asan).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--asan" ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_QT=OFF \
    -DTARNWICK_BENCH=OFF -DTARNWICK_SANITIZE=ON >/dev/null
  cmake --build build-asan
else
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_QT=ON -DTARNWICK_SANITIZE=OFF >/dev/null
  cmake --build build
fi
