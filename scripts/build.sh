#!/usr/bin/env bash
# Builds the programs and the tests into build/ (and the sanitizer build with --asan).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--asan" ]; then
  # -O1 and line tables only: half the compile time of -O2 -g, the optimisation the
  # sanitizers are meant to run at, and still file and line in every report.
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_QT=OFF \
    -DTARNWICK_BENCH=OFF -DTARNWICK_SANITIZE=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" >/dev/null
  cmake --build build-asan
else
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_QT=ON -DTARNWICK_SANITIZE=OFF >/dev/null
  cmake --build build
fi
