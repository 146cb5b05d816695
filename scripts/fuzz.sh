#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehavior-
# Sanitizer) into build-fuzz/ and runs each for the given number of seconds (default 20)
# on a copy of its seed corpus in fuzz/corpus/. Any finding (a crash, a broken promise,
# a hang, a leak, too much memory) fails the run; the input that caused it is kept as
# build-fuzz/findings/<target>/crash-* (or timeout-*, leak-*, oom-*).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
root=$(pwd)
build=$root/build-fuzz

# -O1 and line tables only, as for the sanitizer build: findings still name file and line.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARNWICK_FUZZ=ON -DTARNWICK_QT=OFF -DTARNWICK_BENCH=OFF -DTARNWICK_SANITIZE=OFF \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" >/dev/null
cmake --build "$build" --target fuzz_targets -- -j "$(nproc)"

# Longest input worth trying per target, in bytes.
declare -A max_len=(
  [intel_hex]=8192 [motorola_hex]=8192 [ascii_hex]=8192 [binary_load]=40000
  [config_file]=1024 [entry_box]=512 [hex_editor]=1024 [rom_catalogue]=4096
)
targets=(intel_hex motorola_hex ascii_hex binary_load config_file entry_box hex_editor rom_catalogue)

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for t in "${targets[@]}"; do
  run=$build/runs/$t
  findings=$build/findings/$t
  rm -rf "$run"
  mkdir -p "$run/corpus" "$findings"
  cp fuzz/corpus/"$t"/* "$run/corpus/"
  # Absolute paths: the targets that touch files work in a scratch folder of their own.
  if "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "$run/corpus" \
    </dev/null >"$run/log" 2>&1; then
    echo "fuzz_$t: $(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$run/log" |
      grep -o '[0-9]*$') runs in ${seconds} s, nothing found"
  else
    failed+=("$t")
    echo "fuzz_$t: FINDING (log: $run/log)"
    grep -E -A30 'ERROR:|broken promise|runtime error' "$run/log" | head -60 || tail -40 "$run/log"
    ls "$findings"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]}. Reproduce with: $build/fuzz/fuzz_<target> <finding file>"
fi
echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
