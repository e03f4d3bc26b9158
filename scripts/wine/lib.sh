# lib.sh - a private X screen and Wine prefix for one run of the setup, and the user's hands.
# Sourced by the scenario scripts. Every wait has a deadline; on exit the prefix's Wine
# processes and the X server are ended and the scratch folder is removed.
# Exit codes: 0 passed, 1 failed, 77 Wine (or X) cannot run here.

SKIP=77
WINE=${QELT_WINE:-/usr/lib/wine/wine64}
WINESERVER=${QELT_WINESERVER:-$(dirname "$WINE")/wineserver}
TITLE_WIZARD="Quillmere 2.13b setup"
STEP_TIMEOUT=${QELT_WINE_STEP_TIMEOUT:-30}

log() { printf '[wine %s] %s\n' "${SCENARIO:-?}" "$*" >&2; }
fail() {
  log "FAIL: $*"
  if [ -n "${SCRATCH:-}" ] && [ -n "${DISPLAY:-}" ] && command -v import >/dev/null 2>&1; then
    import -window root "$SCRATCH/failure.png" 2>/dev/null && log "screen at the failure: $SCRATCH/failure.png"
  fi
  exit 1
}
skip() { log "SKIP: $*"; exit $SKIP; }

XVFB_PID=
SCRATCH=
cleanup() {
  local status=$?
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
    timeout 20 "$WINESERVER" -w >/dev/null 2>&1 || true
  fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  if [ -n "$SCRATCH" ]; then
    if [ "${QELT_WINE_KEEP:-0}" = 1 ]; then
      log "scratch folder kept: $SCRATCH"
    elif [ "$status" -ne 0 ] && [ "$status" -ne $SKIP ]; then
      # A prefix is hundreds of megabytes: a failure keeps the logs, the screen and a
      # listing of the drive's programs folder, not the prefix (QELT_WINE_KEEP=1 keeps all).
      [ -n "${WINEPREFIX:-}" ] && (cd "$WINEPREFIX/drive_c" 2>/dev/null && ls -laR "Program Files" >"$SCRATCH/program-files.txt" 2>&1 || true)
      rm -rf "${WINEPREFIX:-$SCRATCH/prefix}"
      log "logs kept: $SCRATCH"
    else
      rm -rf "$SCRATCH"
    fi
  fi
  exit "$status"
}

# wine_start: scratch folder, X server on a display of its own choosing, fresh prefix.
wine_start() {
  local tool
  [ -x "$WINE" ] || skip "no Wine loader at $WINE (set QELT_WINE)"
  for tool in Xvfb xdotool "$WINESERVER"; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
  done
  SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/qelt-wine.XXXXXX")
  trap cleanup EXIT
  trap 'exit 1' INT TERM
  # Xvfb picks a free display and reports it: safe with several tests at once.
  local fifo="$SCRATCH/display"
  : >"$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >"$SCRATCH/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local deadline=$((SECONDS + 20))
  while [ ! -s "$fifo" ]; do
    kill -0 "$XVFB_PID" 2>/dev/null || skip "Xvfb did not start: $(tail -3 "$SCRATCH/xvfb.log")"
    [ $SECONDS -lt $deadline ] || skip "Xvfb reported no display within 20 s"
    sleep 0.1
  done
  export DISPLAY=":$(head -1 "$fifo" | tr -d '[:space:]')"
  export WINEPREFIX="$SCRATCH/prefix" WINEARCH=win64
  export WINEDEBUG=${QELT_WINEDEBUG:--all}
  # No Mono or Gecko installers: they would put up their own windows.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if ! timeout 120 "$WINE" wineboot -i >"$SCRATCH/wineboot.log" 2>&1; then
    skip "wine64 wineboot -i failed: $(tail -3 "$SCRATCH/wineboot.log")"
  fi
  timeout 60 "$WINESERVER" -w || true
  [ -d "$WINEPREFIX/drive_c/windows/system32" ] || skip "wineboot made no prefix at $WINEPREFIX"
  DRIVE_C="$WINEPREFIX/drive_c"
  log "display $DISPLAY, prefix $WINEPREFIX"
}

# wine_reg ARGS...: a registry edit through Wine's own reg tool.
wine_reg() {
  timeout 60 "$WINE" reg "$@" >>"$SCRATCH/reg.log" 2>&1 || fail "wine64 reg $* failed: $(tail -2 "$SCRATCH/reg.log")"
}

# wine_version NAME: the Windows version that Wine imitates (win95, win98, nt351, win10 ...).
wine_version() { wine_reg add 'HKCU\Software\Wine' /v Version /d "$1" /f; }

# relay_calls ENTRIES: trace the program's calls of these entries (dll.Function;...) into
# $SCRATCH/relay.log; read back with relay_lines.
RELAY=0
# DialogBoxParamA is always traced too: a trace without it shows that tracing failed.
relay_calls() {
  wine_reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d "$1;user32.DialogBoxParamA" /f
  RELAY=1
}

# run_setup DIR EXE [ARGS...]: start EXE from DIR in the background (the user's double click).
run_setup() {
  local dir=$1 exe=$2; shift 2
  local debug=$WINEDEBUG
  [ $RELAY = 1 ] && debug="$WINEDEBUG,+relay"
  (cd "$dir" && WINEDEBUG=$debug exec "$WINE" "$exe" "$@") 2>"$SCRATCH/relay.log" &
  SETUP_PID=$!
  SETUP_RC=
}

# relay_lines FUNCTION: the traced calls of FUNCTION, one a line, arguments as Wine prints them.
relay_lines() { { grep -a "Call [a-z0-9]*\.$1(" "$SCRATCH/relay.log" || true; } | sed 's/^[0-9a-f]*:Call //; s/ ret=[0-9a-f]*$//'; }

# wait_exit [SECONDS]: wait for the setup to end; its exit code goes to SETUP_RC.
wait_exit() {
  local deadline=$((SECONDS + ${1:-$STEP_TIMEOUT}))
  while kill -0 "$SETUP_PID" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "the setup is still running after ${1:-$STEP_TIMEOUT} s; windows: $(window_list)"
    sleep 0.2
  done
  wait "$SETUP_PID" && SETUP_RC=0 || SETUP_RC=$?
}

# running: true while the setup process lives.
running() { kill -0 "$SETUP_PID" 2>/dev/null; }

window_list() {
  local w
  for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    printf '"%s" ' "$(xdotool getwindowname "$w" 2>/dev/null)"
  done
}

# find_window TITLE [SECONDS]: the id of the visible window with exactly this title.
find_window() {
  local title=$1 deadline=$((SECONDS + ${2:-$STEP_TIMEOUT})) w pattern
  pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
  while :; do
    w=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    running || fail "the setup ended before a window \"$title\" appeared"
    [ $SECONDS -lt $deadline ] || fail "expected a window \"$title\" within ${2:-$STEP_TIMEOUT} s, found: $(window_list)"
    sleep 0.2
  done
}

# window_shown TITLE: true if a visible window with exactly this title exists now.
window_shown() {
  local pattern
  pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
  [ -n "$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null)" ]
}

# press TITLE KEY...: activate the window by a click on its top edge (a blank or static area
# in every window of the setup; Wine gives keys to a window only once a click has activated
# it), then type the keys.
press() {
  local title=$1 w X Y WIDTH HEIGHT SCREEN WINDOW; shift
  w=$(find_window "$title")
  eval "$(xdotool getwindowgeometry --shell "$w")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + 6)) click 1
  sleep 0.3
  local key
  for key in "$@"; do log "$title: $key"; xdotool key "$key"; sleep 0.4; done
}

# answer CAPTION KEY: the message box with this caption appears; answer it and see it go.
answer() {
  local caption=$1 key=$2 deadline
  press "$caption" "$key"
  deadline=$((SECONDS + STEP_TIMEOUT))
  while window_shown "$caption"; do
    [ $SECONDS -lt $deadline ] || fail "the message box \"$caption\" did not close on $key"
    sleep 0.2
  done
}

# screenshot FILE: the whole X screen, cropped to the setup's window when it is shown.
screenshot() {
  command -v import >/dev/null 2>&1 || { log "no ImageMagick import: $1 not taken"; return 0; }
  local w X Y WIDTH HEIGHT SCREEN WINDOW
  w=$(find_window "$TITLE_WIZARD")
  eval "$(xdotool getwindowgeometry --shell "$w")"
  import -window root -define png:exclude-chunks=date,time -crop "$((WIDTH + 16))x$((HEIGHT + 16))+$((X - 8))+$((Y - 8))" +repage "$1"
}
