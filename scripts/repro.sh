#!/usr/bin/env bash
# repro.sh - two clean builds of the shipped i686 executable from this source tree must be
# byte for byte the same. They are made in two fresh folders of different path lengths, with
# the settings of the win32 preset and the payload of the host configuration, so neither a
# timestamp nor a build path can hide in the output. The preset's own build/win32 output is
# compared too when it exists.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
HOST=${QELT_HOST_BUILD_DIR:-$ROOT/build/host}
[ -d "$HOST/res/payload" ] || { echo "repro.sh: expected the payload in $HOST/res/payload, found nothing: build the host preset first" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/qelt-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT
exes=()
for dir in "$work/a" "$work/second-build-folder"; do
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DQELT_HOST_BUILD_DIR="$HOST" >"$dir.log" 2>&1 ||
    { echo "repro.sh: configuring $dir failed:" >&2; tail -20 "$dir.log" >&2; exit 1; }
  cmake --build "$dir" --target Qelt213b_setup -j 2 >>"$dir.log" 2>&1 ||
    { echo "repro.sh: building $dir failed:" >&2; tail -20 "$dir.log" >&2; exit 1; }
  exes+=("$dir/Qelt213b_setup.exe")
done
sum() { sha256sum "$1" | cut -c1-16; }
if ! cmp "${exes[0]}" "${exes[1]}"; then
  echo "repro.sh: expected two identical builds, found ${exes[0]} ($(sum "${exes[0]}")) and ${exes[1]} ($(sum "${exes[1]}")) differing" >&2
  cmp -l "${exes[0]}" "${exes[1]}" | head -10 >&2
  exit 1
fi
echo "two clean builds are identical: $(stat -c %s "${exes[0]}") bytes, sha256 $(sum "${exes[0]}")"
preset=$ROOT/build/win32/Qelt213b_setup.exe
if [ -f "$preset" ]; then
  if cmp -s "$preset" "${exes[0]}"; then
    echo "build/win32/Qelt213b_setup.exe is identical to them"
  else
    echo "repro.sh: expected build/win32/Qelt213b_setup.exe ($(sum "$preset")) to equal the clean builds ($(sum "${exes[0]}")), found it different: rebuild the win32 preset, and if it still differs its build folder leaks into the output" >&2
    exit 1
  fi
fi
