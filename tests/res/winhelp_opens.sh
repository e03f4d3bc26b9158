#!/bin/sh
# winhelp_opens.sh - opens the built help file in Wine's help viewer under a virtual X
# server and reads the viewer's trace: the title and the start of every paragraph of
# the help source must be shown, and no read error may be reported.
# usage: winhelp_opens.sh HELP.HLP HELP_SOURCE.TXT
# Exit 0 pass, 1 fail, 77 skip (Wine or Xvfb cannot run here).
hlp=$1
source=$2
wine=${QELT_WINE:-/usr/lib/wine/wine64}
wineserver=$(dirname "$wine")/wineserver
limit=${QELT_WINE_SECONDS:-120}

for tool in "$wine" "$wineserver"; do
  [ -x "$tool" ] || { echo "SKIP: $tool is not available"; exit 77; }
done
command -v xvfb-run >/dev/null || { echo "SKIP: xvfb-run is not available"; exit 77; }
[ -f "$hlp" ] || { echo "FAIL: $hlp: expected the built help file, found nothing"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/qelt-winhelp.XXXXXX") || exit 1
log=$work/trace.log
viewer=
cleanup() {
  WINEPREFIX=$work/prefix "$wineserver" -k 2>/dev/null
  [ -n "$viewer" ] && kill -- -"$viewer" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Expected strings: the title line, and up to 60 characters of each paragraph (the trace
# cuts long strings short).
title=$(head -n 1 "$source" | tr -d '\r')
awk 'NR <= 2 || (NR == 3 && $0 == "") { next }
     { sub(/\r$/, ""); gsub(/^ +| +$/, "") }
     $0 == "" { if (p != "") print substr(p, 1, 60); p = ""; next }
     { p = (p == "" ? $0 : p " " $0) }
     END { if (p != "") print substr(p, 1, 60) }' "$source" > "$work/expected"

mkdir "$work/prefix"
path="Z:$(cd "$(dirname "$hlp")" && pwd)/$(basename "$hlp")"
winpath=$(printf '%s' "$path" | tr '/' '\\')
# A process group of its own, so that the viewer and its X server end together.
setsid env WINEDEBUG=trace+winhelp,trace+msgbox WINEPREFIX="$work/prefix" WINEDLLOVERRIDES="mscoree,mshtml=" \
  xvfb-run -a "$wine" winhlp32 "$winpath" > "$log" 2>&1 &
viewer=$!

# Paragraphs of the source that the trace shows, one a line.
shown() {
  while IFS= read -r paragraph; do
    grep -a -F -q "Got text: \"$paragraph" "$log" && echo "$paragraph"
  done < "$work/expected"
}

seconds=0
while [ $seconds -lt "$limit" ]; do
  sleep 1
  seconds=$((seconds + 1))
  grep -a -q 'Error while reading the help file' "$log" && break
  [ "$(shown | wc -l)" -eq "$(wc -l < "$work/expected")" ] && break
  kill -0 "$viewer" 2>/dev/null || break
done

if grep -a -q 'Error while reading the help file' "$log"; then
  echo "FAIL: $hlp: the viewer reports: $(grep -a -o 'Error while reading the help file[^"]*' "$log" | head -n 1)"
  exit 1
fi
if ! grep -a -q 'trace:winhelp' "$log"; then
  echo "SKIP: Wine's help viewer did not start within ${limit}s; its output ends:"
  tail -n 5 "$log"
  exit 77
fi

status=0
grep -a -F -q "Title: \"$title\"" "$log" || { echo "FAIL: expected the trace line Title: \"$title\""; status=1; }
count=0
while IFS= read -r paragraph; do
  count=$((count + 1))
  grep -a -F -q "Got text: \"$paragraph" "$log" ||
    { echo "FAIL: expected the viewer to show paragraph $count: \"$paragraph...\""; status=1; }
done < "$work/expected"
[ $count -gt 0 ] || { echo "FAIL: $source: expected paragraphs, found none"; status=1; }
[ $status -eq 0 ] && echo "winhlp32 showed \"$title\" and $count paragraphs after ${seconds}s"
exit $status
