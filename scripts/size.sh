#!/usr/bin/env bash
# size.sh [EXE...] - size of the setup executables: total, packed payload, and the rest.
# The rest (code, dialog, icon, version block, headers) of the shipped i686 build may be at
# most 24 KiB; the x86_64 build is reported for information. Default: both preset builds.
set -euo pipefail
cd "$(dirname "$0")/.."
LIMIT=24576
[ $# -gt 0 ] || set -- build/win32/Qelt213b_setup.exe build/win64/Qelt213b_setup.exe
status=0
for exe in "$@"; do
  if [ ! -f "$exe" ]; then
    echo "size.sh: $exe: expected the built executable, found nothing (build its preset first)" >&2
    status=1; continue
  fi
  total=$(stat -c %s "$exe")
  # wrestool lists each resource as: --type='FILE' --name=134 --language=1049 [offset=0x... size=N]
  listing=$(wrestool -l "$exe")
  payload=$(printf '%s\n' "$listing" | sed -n "s/^--type='FILE' .*size=\([0-9]*\)\].*/\1/p" | awk '{s+=$1} END {print s+0}')
  count=$(printf '%s\n' "$listing" | grep -c "^--type='FILE'" || true)
  overhead=$((total - payload))
  format=$(objdump -f "$exe" | sed -n 's/.*file format \(.*\)/\1/p')
  printf '%s (%s): total %d bytes, payload %d bytes in %d FILE resources, overhead %d bytes (%d.%02d KiB)\n' \
    "$exe" "$format" "$total" "$payload" "$count" "$overhead" $((overhead / 1024)) $((overhead % 1024 * 100 / 1024))
  if [ "$count" -ne 8 ]; then
    echo "size.sh: $exe: expected 8 FILE resources, found $count" >&2; status=1
  fi
  if [ "$format" = pei-i386 ] && [ "$overhead" -gt "$LIMIT" ]; then
    echo "size.sh: $exe: expected at most $LIMIT bytes besides the payload, found $overhead" >&2; status=1
  fi
done
exit $status
