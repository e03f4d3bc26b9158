#!/usr/bin/env bash
# Benchmarks: our expander and packer against libmspack, msexpand and mscompress, a whole
# installation against cp, and the i686 setup's overhead; prints tables of ratios.
# scripts/bench.sh [--record] [--size MiB] [--reps N] [--large-reps N] [--slow-reps N]
#   --record  also writes the tables, the machine and the date into bench/RESULTS.md
set -euo pipefail
cd "$(dirname "$0")/.."
record=0
args=()
while (($#)); do
  case "$1" in
    --record) record=1; shift ;;
    --size|--reps|--large-reps|--slow-reps) args+=("$1" "$2"); shift 2 ;;
    *) echo "bench.sh: unknown option $1; expected --record, --size, --reps, --large-reps or --slow-reps" >&2; exit 2 ;;
  esac
done

build=build/host
cmake --preset host >/dev/null
cmake --build "$build" -j 2 --target qelt_bench szdd qelt-setup qelt_payload >/dev/null
work=$(mktemp -d /tmp/qelt-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

out=$work/results.md
{
  echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
  echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  "$build/bench/qelt_bench" --payload "$build/res/payload" --szdd "$build/szdd" --work "$work/run" \
    --setup "$build/qelt-setup" --script bench/next-through.script "${args[@]}"
  echo
  echo "Setup executable overhead (size minus packed payload)"
  echo
  if [ -f build/win32/Qelt213b_setup.exe ]; then
    scripts/size.sh build/win32/Qelt213b_setup.exe || true
  else
    echo "build/win32/Qelt213b_setup.exe: not built (cmake --preset win32 && cmake --build --preset win32)"
  fi
} | tee "$out"

if ((record)); then
  # The notes under "## Notes" are written by hand and kept across recordings.
  notes=$work/notes.md
  if [ -f bench/RESULTS.md ]; then sed -n '/^## Notes/,$p' bench/RESULTS.md >"$notes"; else : >"$notes"; fi
  {
    echo "# Benchmark results"
    echo
    echo "Written by \`scripts/bench.sh --record\`; every figure is a median of repeated runs, all"
    echo "tools measured side by side in the same run on the same inputs."
    echo
    cat "$out"
    if [ -s "$notes" ]; then echo; cat "$notes"; fi
  } >bench/RESULTS.md
  echo "bench.sh: written to bench/RESULTS.md"
fi
