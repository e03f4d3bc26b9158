#!/usr/bin/env bash
# Builds the fuzz targets (clang 14, libFuzzer, ASan+UBSan) into build/fuzz and runs each for
# a bounded time over the committed seeds: scripts/fuzz.sh [seconds per target, default 60].
# New inputs found on the way go to build/fuzz/corpus/, never into the committed seeds;
# a crash leaves its input in build/fuzz/crashes/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/fuzz
targets=(res_parser help_reader szdd_install)

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/crashes"
failed=()
for target in "${targets[@]}"; do
  seeds=fuzz/corpus/$target
  found=$build/corpus/$target
  mkdir -p "$found"
  echo "== $target: ${seconds} s over $(ls "$seeds" | wc -l) seeds"
  # -timeout: one input that takes a second is a hang; -rss_limit_mb: a header that makes
  # the code allocate what its bytes cannot fill is a fault too.
  if ! "$build/$target" "$found" "$seeds" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=1024 \
       -artifact_prefix="$build/crashes/$target-" -print_final_stats=1 >"$build/$target.log" 2>&1; then
    failed+=("$target")
    tail -n 40 "$build/$target.log"
  else
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$target.log" || true
  fi
done
if ((${#failed[@]})); then
  echo "fuzz: failed: ${failed[*]} (inputs in $build/crashes/, logs in $build/*.log)" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} targets, ${seconds} s each, no fault found"
