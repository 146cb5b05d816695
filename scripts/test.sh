#!/usr/bin/env bash
# Builds and runs every test: the normal build with the Qt view tests (offscreen), the
# Debian package made from that same build and checked, the core tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

# Every source file as clang-format would write it.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

bash scripts/build.sh
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"
# The benchmarks run briefly, so a change that breaks them is seen; their numbers are
# for the README's performance section.
# A benchmark that finds its run wrong reports an error and exits 0: that fails here.
for bench in tarnwick_bench tarnwick_view_bench; do
  QT_QPA_PLATFORM=offscreen ./build/$bench --benchmark_min_time=0.05 2>&1 | tee build/$bench.out
  if grep -q "ERROR OCCURRED" build/$bench.out; then
    echo "$bench: a benchmark reported an error" >&2
    exit 1
  fi
done

# The package from the build just tested (reconfigured for /usr, which recompiles one
# file), checked as CI must see it.
bash scripts/package.sh --build-dir build
bash scripts/package_check.sh

bash scripts/build.sh --asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

# Each fuzz target for 10 seconds on its seed corpus (clang, libFuzzer); any finding fails.
bash scripts/fuzz.sh 10
