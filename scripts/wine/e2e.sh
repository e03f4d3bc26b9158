#!/usr/bin/env bash
# e2e.sh SCENARIO - the Windows build of the setup under Wine, driven with the keyboard as a
# user would, on a private X screen and a fresh Wine prefix; checks what it leaves behind.
#
# Scenarios:
#   install             default folder, Next to Finish, check box left alone
#   version-<wine ver>  the same on the Windows version Wine imitates: win95, nt351 (WinSock1),
#                       win98 (WinSock2), win31 (no variant: message, then all eight rows)
#   cancel              the abort question answered No on each page, then Yes on the last
#   close               the window's Close command on the Folder page, answered Yes
#   failed              a file named Qelt where the folder should be: fatal error, no question
#   help                the check box ticked: Finish opens qelt.hlp in Wine's help viewer
#   planted             a comctl32.dll beside the setup, native first: never loaded
#   binding             the start-up code alone, through a probe linked with it
#   screenshots         the install walk, saving the four pages as PNG (into docs/)
#
# Environment: QELT_WINE_EXE (default build/win64/Qelt213b_setup.exe), QELT_PAYLOAD_DIR
# (default build/host/res/payload: the packed files and the originals), QELT_WINE_FIXTURES
# (folder with probe.exe, comctl32.dll, load_by_name.exe for planted and binding),
# QELT_WINE_SHOTS (screenshot folder), QELT_WINE_KEEP=1 keeps the scratch folder.
# Exit code: 0 passed, 1 failed, 77 Wine cannot run here.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SCENARIO=${1:?usage: e2e.sh SCENARIO}
. "$ROOT/scripts/wine/lib.sh"

EXE=${QELT_WINE_EXE:-$ROOT/build/win64/Qelt213b_setup.exe}
PAYLOAD=${QELT_PAYLOAD_DIR:-$ROOT/build/host/res/payload}
FIXTURES=${QELT_WINE_FIXTURES:-}

CAPTION_PANIC="Qelt setup : Panic"
CAPTION_FATAL="Qelt setup : Fatal Error"
CAPTION_SETUP="Qelt setup : Setup"
TEXT_PANIC='Are you sure you want\nto abort installation process?'
TEXT_FATAL='Could not install Qelt\n\nPossible reason: one or more files are in use\nplease close all Qelt related apps and try again!'
TEXT_UNSUPPORTED='Unsupported OS version'
MB_YESNO_QUESTION=00000024
MB_ICONERROR=00000010

# The installed files of each variant: installed name, then the original it must equal.
FILES_WS1="aliases.qlt:aliases.qlt qelt.hlp:qelt.hlp qelt_ws1.exe:qelt_ws1.exe servers.qlt:servers.qlt tessmorw.exe:tessmorw_ws1.exe vornel.txt:vornel.txt"
FILES_WS2="aliases.qlt:aliases.qlt qelt.hlp:qelt.hlp qelt_ws2.exe:qelt_ws2.exe servers.qlt:servers.qlt tessmorw.exe:tessmorw_ws2.exe vornel.txt:vornel.txt"
# No variant: all eight rows in order; row 4 (WinSock2 tool) replaces row 3 under one name.
FILES_ALL="aliases.qlt:aliases.qlt qelt.hlp:qelt.hlp qelt_ws1.exe:qelt_ws1.exe qelt_ws2.exe:qelt_ws2.exe servers.qlt:servers.qlt tessmorw.exe:tessmorw_ws2.exe vornel.txt:vornel.txt"

[ -f "$EXE" ] || fail "expected the setup at $EXE, found nothing: build the win64 preset first"
case $SCENARIO in
  planted|binding)
    [ -n "$FIXTURES" ] && [ -d "$FIXTURES" ] || fail "expected QELT_WINE_FIXTURES to name the built fixtures, found '${FIXTURES}'" ;;
  *)
    for f in aliases.ql_ qelt_ws1.ex_ qelt_ws2.ex_ tessmor1.ex_ tessmor2.ex_ qelt.hl_ vornel.tx_ servers.ql_; do
      [ -f "$PAYLOAD/$f" ] || fail "expected the packed payload file $PAYLOAD/$f, found nothing"
    done ;;
esac

wine_start
DOWNLOADS="$DRIVE_C/users/Public/Downloads"
mkdir -p "$DOWNLOADS"
cp "$EXE" "$DOWNLOADS/Qelt213b_setup.exe"
TARGET="$DRIVE_C/Program Files/Qelt"

# expected_names FILES: the installed names, sorted, one a line.
expected_names() { for pair in $1; do echo "${pair%%:*}"; done | sort; }
folder_names() { [ -d "$TARGET" ] && (cd "$TARGET" && ls -A | sort) || true; }

# wait_installed FILES: the folder holds exactly these names (no packed copy left).
wait_installed() {
  local deadline=$((SECONDS + STEP_TIMEOUT))
  until [ "$(folder_names)" = "$(expected_names "$1")" ]; do
    [ $SECONDS -lt $deadline ] || fail "expected in $TARGET: $(expected_names "$1" | tr '\n' ' '); found: $(folder_names | tr '\n' ' ')"
    sleep 0.2
  done
  sleep 1  # the run ends with a status text and Next enabled again, in the same message
}

# check_installed FILES: exactly these files, each byte for byte the payload's original.
check_installed() {
  local pair name original
  [ "$(folder_names)" = "$(expected_names "$1")" ] ||
    fail "expected in $TARGET: $(expected_names "$1" | tr '\n' ' '); found: $(folder_names | tr '\n' ' ')"
  for pair in $1; do
    name=${pair%%:*} original=$PAYLOAD/${pair#*:}
    [ -f "$original" ] || fail "expected the original $original to compare with, found nothing"
    if [ ! -s "$original" ] && [ "$(od -An -tx1 "$TARGET/$name" | tr -d ' ')" = 00 ]; then
      # An empty file travels as a packed file announcing 0 bytes followed by one literal
      # byte; an expander that decodes the whole stream writes that byte.
      log "$name: expanded to the single byte 00 (the original is empty)"
      continue
    fi
    cmp -s "$TARGET/$name" "$original" ||
      fail "$TARGET/$name: expected the bytes of $original ($(stat -c %s "$original") bytes), found $(stat -c %s "$TARGET/$name") bytes that differ"
  done
  log "installed and equal to the originals: $(expected_names "$1" | tr '\n' ' ')"
}

check_exit_zero() {
  wait_exit "${1:-$STEP_TIMEOUT}"
  [ "$SETUP_RC" = 0 ] || fail "expected the setup's exit code 0, found $SETUP_RC"
}

# messages: the message boxes the program asked for, as "owner|caption|text|flags" lines,
# owner "none" or "dialog", text with line breaks written \n.
messages() {
  relay_lines MessageBoxA | sed -n 's/^user32\.MessageBoxA(\([0-9a-f]*\),[0-9a-f]* "\(.*\)",[0-9a-f]* "\(.*\)",\([0-9a-f]*\))$/\1|\3|\2|\4/p' |
    sed 's/^00000000|/none|/; s/^[0-9a-f]*|/dialog|/'
}

# check_messages EXPECTED-LINES: exactly these message boxes, in this order.
check_messages() {
  local found
  [ "$(relay_lines DialogBoxParamA | wc -l)" = 1 ] ||
    fail "expected the trace of Wine's relay channel to show one DialogBoxParamA call, found: $(relay_lines DialogBoxParamA)"
  found=$(messages)
  [ "$found" = "$1" ] || fail "expected the message boxes:
$1
found:
$found"
}

# walk_to_finish FILES: Next, Next (the installation), Next: the Finished page is shown.
walk_to_finish() {
  press "$TITLE_WIZARD" alt+n
  press "$TITLE_WIZARD" alt+n
  wait_installed "$1"
  press "$TITLE_WIZARD" alt+n
}

run_wizard() { run_setup "$DOWNLOADS" 'C:\users\Public\Downloads\Qelt213b_setup.exe'; }

case $SCENARIO in
  install|version-*)
    files=$FILES_WS2 expect=""
    case $SCENARIO in
      version-win95|version-nt351) files=$FILES_WS1 ;;
      version-win98) ;;
      version-win31) files=$FILES_ALL expect="none|$CAPTION_SETUP|$TEXT_UNSUPPORTED|$MB_ICONERROR" ;;
      version-*) fail "no expectation for $SCENARIO" ;;
    esac
    [ "$SCENARIO" = install ] || wine_version "${SCENARIO#version-}"
    relay_calls 'user32.MessageBoxA;user32.WinHelpA'
    run_wizard
    if [ -n "$expect" ]; then answer "$CAPTION_SETUP" Return; fi
    walk_to_finish "$files"
    press "$TITLE_WIZARD" alt+f
    check_exit_zero
    check_installed "$files"
    check_messages "$expect"
    [ -z "$(relay_lines WinHelpA)" ] || fail "expected no help with the check box unticked, found: $(relay_lines WinHelpA)"
    ;;

  cancel)
    relay_calls 'user32.MessageBoxA'
    run_wizard
    press "$TITLE_WIZARD" Escape; answer "$CAPTION_PANIC" alt+n        # Welcome page
    press "$TITLE_WIZARD" alt+n Escape; answer "$CAPTION_PANIC" alt+n  # Folder page
    [ ! -e "$TARGET" ] || fail "expected no folder before the Folder page is left, found $TARGET"
    press "$TITLE_WIZARD" alt+n
    wait_installed "$FILES_WS2"
    # Next was disabled while it had the focus, so no control has it now: keys reach the
    # window as system keys, Esc among them, and only the Close command (Alt+F4) cancels.
    press "$TITLE_WIZARD" alt+F4; answer "$CAPTION_PANIC" alt+n        # Installing page
    press "$TITLE_WIZARD" alt+n Escape; answer "$CAPTION_PANIC" alt+y  # Finished page
    check_exit_zero
    check_installed "$FILES_WS2"   # a cancel undoes nothing
    panic="dialog|$CAPTION_PANIC|$TEXT_PANIC|$MB_YESNO_QUESTION"
    check_messages "$panic
$panic
$panic
$panic"
    ;;

  close)
    relay_calls 'user32.MessageBoxA'
    run_wizard
    press "$TITLE_WIZARD" alt+n alt+F4
    answer "$CAPTION_PANIC" alt+y
    check_exit_zero
    [ ! -e "$TARGET" ] || fail "expected no folder after closing on the Folder page, found $TARGET"
    check_messages "dialog|$CAPTION_PANIC|$TEXT_PANIC|$MB_YESNO_QUESTION"
    ;;

  failed)
    mkdir -p "$DRIVE_C/Program Files"
    printf 'not a folder\n' >"$TARGET"
    before=$(cd "$DRIVE_C/Program Files" && ls -A)
    relay_calls 'user32.MessageBoxA'
    run_wizard
    press "$TITLE_WIZARD" alt+n alt+n
    answer "$CAPTION_FATAL" Return
    # From here the dialog closes by itself: no question, no second message.
    deadline=$((SECONDS + STEP_TIMEOUT))
    while running; do
      for caption in "$CAPTION_PANIC" "$CAPTION_FATAL"; do
        window_shown "$caption" && fail "expected the setup to close after the fatal error, found a window \"$caption\""
      done
      [ $SECONDS -lt $deadline ] || fail "the setup did not close after the fatal error; windows: $(window_list)"
      sleep 0.1
    done
    check_exit_zero
    [ -f "$TARGET" ] && [ "$(cat "$TARGET")" = "not a folder" ] || fail "expected the file $TARGET left as it was"
    after=$(cd "$DRIVE_C/Program Files" && ls -A)
    [ "$after" = "$before" ] || fail "expected nothing written beside the folder, found: $(echo $after) (before: $(echo $before))"
    check_messages "dialog|$CAPTION_FATAL|$TEXT_FATAL|$MB_ICONERROR"
    ;;

  help)
    relay_calls 'user32.MessageBoxA;user32.WinHelpA'
    run_wizard
    walk_to_finish "$FILES_WS2"
    # Alt+N left the focus on the button; the one other tab stop is the check box.
    press "$TITLE_WIZARD" Tab space alt+f
    check_exit_zero 60
    check_installed "$FILES_WS2"
    calls=$(relay_lines WinHelpA)
    expected='user32.WinHelpA([0-9a-f]*,[0-9a-f]* "c:\\\\Program Files\\\\Qelt\\\\qelt.hlp",00000003,0*)'
    [ "$(printf '%s\n' "$calls" | grep -c "^$expected\$")" = 1 ] && [ "$(printf '%s\n' "$calls" | wc -l)" = 1 ] ||
      fail "expected one WinHelpA(dialog, \"c:\\Program Files\\Qelt\\qelt.hlp\", HELP_CONTENTS, 0), found: $calls"
    # The viewer outlives the setup: a window of the winhlp32 process, not its error box.
    deadline=$((SECONDS + STEP_TIMEOUT)) viewer=
    while [ -z "$viewer" ]; do
      for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        pid=$(xdotool getwindowpid "$w" 2>/dev/null || true)
        [ -n "$pid" ] && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qi winhlp32 || continue
        name=$(xdotool getwindowname "$w")
        [ "$name" = ERROR ] && fail "the help viewer could not read qelt.hlp (its ERROR box is shown)"
        viewer=$name
      done
      [ -n "$viewer" ] || [ $SECONDS -lt $deadline ] || fail "expected a window of Wine's help viewer, found: $(window_list)"
      sleep 0.2
    done
    log "help viewer window: \"$viewer\""
    check_messages ""
    ;;

  planted)
    cp "$FIXTURES/comctl32.dll" "$DOWNLOADS/comctl32.dll"
    cp "$FIXTURES/load_by_name.exe" "$DOWNLOADS/load_by_name.exe"
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;comctl32=n,b"
    marker="$DOWNLOADS/planted-loaded.txt"
    # Control: a load by bare name does find the planted copy, so the check below can fail.
    (cd "$DOWNLOADS" && timeout 60 "$WINE" load_by_name.exe) || fail "load_by_name.exe could not load comctl32.dll"
    [ -f "$marker" ] || fail "expected the planted comctl32.dll to be loaded by name (marker $marker), found no marker"
    rm -f "$marker"
    run_wizard
    press "$TITLE_WIZARD" alt+n alt+n
    wait_installed "$FILES_WS2"
    press "$TITLE_WIZARD" alt+n alt+f
    check_exit_zero
    check_installed "$FILES_WS2"
    [ ! -e "$marker" ] || fail "expected the planted comctl32.dll never loaded, found its marker: $(cat "$marker")"
    log "the planted comctl32.dll was not loaded"
    ;;

  binding)
    cp "$FIXTURES/probe.exe" "$DOWNLOADS/probe.exe"
    printf 'copied by the version service\r\n' >"$DOWNLOADS/source.txt"
    (cd "$DOWNLOADS" && exec timeout 60 "$WINE" 'C:\users\Public\Downloads\probe.exe' "two words" x) && rc=0 || rc=$?
    [ "$rc" = 42 ] || fail "expected the exit code 42 that the probe's WinMain returns, found $rc"
    report=$(tr -d '\r' <"$DOWNLOADS/probe.txt")
    log "probe report: $(printf '%s' "$report" | tr '\n' ';')"
    sys='C:\\windows\\system32\\'
    for expected in 'tail="two words" x' 'show=10' 'instance=own' 'progress=created' \
                    "comctl32=${sys}comctl32.dll" 'install=0' "version=${sys}version.dll"; do
      printf '%s\n' "$report" | grep -qixF "$(printf '%b' "$expected")" || fail "expected the probe line $expected, found: $report"
    done
    cmp -s "$DOWNLOADS/source.txt" "$DOWNLOADS/dest.txt" || fail "expected dest.txt installed from source.txt by VerInstallFileA"
    ;;

  screenshots)
    # Wine's own desktop window draws the frames (title, icon, Close) that a bare X screen
    # without a window manager leaves out; the pages are taken from the desktop's centre.
    shots=${QELT_WINE_SHOTS:-$ROOT/docs}
    mkdir -p "$shots"
    TITLE_WIZARD="Qelt - Wine desktop"
    run_setup "$DOWNLOADS" explorer /desktop=Qelt,640x480 'C:\users\Public\Downloads\Qelt213b_setup.exe'
    sleep 3
    shoot() {
      local w X Y WIDTH HEIGHT SCREEN WINDOW
      w=$(find_window "$TITLE_WIZARD")
      eval "$(xdotool getwindowgeometry --shell "$w")"
      import -window root -define png:exclude-chunks=date,time \
        -crop "380x200+$((X + WIDTH / 2 - 190))+$((Y + HEIGHT / 2 - 100))" +repage "$shots/$1"
    }
    # The wizard is centred on the desktop: the click lands on its top, above every button.
    press() {
      local w X Y WIDTH HEIGHT SCREEN WINDOW key; shift
      w=$(find_window "$TITLE_WIZARD")
      eval "$(xdotool getwindowgeometry --shell "$w")"
      xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2 - 60)) click 1
      sleep 0.3
      for key in "$@"; do xdotool key "$key"; sleep 0.4; done
    }
    shoot page-welcome.png
    press "$TITLE_WIZARD" alt+n; sleep 0.5
    shoot page-folder.png
    press "$TITLE_WIZARD" alt+n
    wait_installed "$FILES_WS2"
    shoot page-installing.png
    press "$TITLE_WIZARD" alt+n; sleep 0.5
    shoot page-finished.png
    press "$TITLE_WIZARD" alt+f
    wait_exit  # the desktop closes with its last program
    log "screenshots in $shots: $(cd "$shots" && ls page-*.png | tr '\n' ' ')"
    ;;

  *) fail "unknown scenario $SCENARIO" ;;
esac
log "passed"
