#!/usr/bin/env bash
# terminal_e2e.sh BINARY - the setup wizard driven through a pseudo-terminal (tmux): the keys a
# user presses go in, the screen text comes out; then the installed files and the exit code.
# Every wait polls the screen with a deadline, so a hang fails the test instead of stalling it.
set -euo pipefail
bin=$1
work=$(mktemp -d)
sockets=()
T() { tmux -S "$work/${sockets[-1]}" -f /dev/null "$@"; }
cleanup() {
  local s
  for s in "${sockets[@]}"; do tmux -S "$work/$s" -f /dev/null kill-server 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

scenario=""
fail() {
  echo "FAIL [$scenario]: $*"
  echo "--- screen:"
  T capture-pane -p 2>/dev/null || true
  exit 1
}
screen() { T capture-pane -p; }
# wait_for TEXT: the screen shows TEXT within 10 seconds.
wait_for() {
  local deadline=$((SECONDS + 10))
  until screen | grep -qF -- "$1"; do
    ((SECONDS < deadline)) || fail "the screen never showed: $1"
    sleep 0.05
  done
}
wait_gone() {
  local deadline=$((SECONDS + 10))
  while screen | grep -qF -- "$1"; do
    ((SECONDS < deadline)) || fail "the screen still shows: $1"
    sleep 0.05
  done
}
shows() { screen | grep -qF -- "$1" || fail "the screen does not show: $1"; }
lacks() { ! screen | grep -qF -- "$1" || fail "the screen shows: $1"; }
keys() { T send-keys "$@"; }
# click TEXT: a left click (X10 mouse report) on the first character of TEXT on the screen.
click() {
  local row=0 line prefix
  while IFS= read -r line; do
    if [[ $line == *"$1"* ]]; then
      prefix=${line%%"$1"*}
      T send-keys -l "$(printf '\e[M %b%b' "\\$(printf %o $((33 + ${#prefix})))" "\\$(printf %o $((33 + row)))")"
      return
    fi
    row=$((row + 1))
  done < <(screen)
  fail "nothing to click: $1"
}
export LC_ALL=C.UTF-8  # column counts in characters, as the screen shows them

# start NAME: a fresh drive C: with its Program Files folder, the program in a 100x35 terminal
# of a tmux server of its own.
start() {
  scenario=$1
  drive=$work/$1
  mkdir -p "$drive/Program Files"
  ((${#sockets[@]} == 0)) || T kill-server 2>/dev/null || true
  sockets+=("tmux-$1")
  # The shell outlives the program (Ctrl+C included) to write its exit code; the program keeps
  # the shell's process id, which the signal scenarios need.
  cat > "$work/$1.sh" <<EOS
trap : INT
sh -c 'echo \$\$ > "$work/$1.pid"; exec "$bin"'
echo \$? > "$work/$1.rc"
sleep 120
EOS
  T new-session -d -x 100 -y 35 -e LC_ALL=C.UTF-8 -e WINHOST_DRIVE_C="$drive" -e WINHOST_UI=terminal \
    "bash '$work/$1.sh'"
  wait_for "Welcome to Qelt 2.13b quick setup!"
}
# ended CODE: the program exits with CODE and has given the terminal back.
ended() {
  local deadline=$((SECONDS + 10))
  until [[ -s $work/$scenario.rc ]]; do
    ((SECONDS < deadline)) || fail "the program did not exit"
    sleep 0.05
  done
  [[ $(cat "$work/$scenario.rc") == "$1" ]] || fail "exit code $(cat "$work/$scenario.rc"), expected $1"
  [[ $(T display-message -p '#{alternate_on}') == 0 ]] || fail "the terminal is still in the full-screen mode"
  lacks "Quillmere 2.13b setup"
}
installed() {  # installed FOLDER: the six files of the WinSock2 build and no packed copy
  local f
  for f in aliases.qlt qelt_ws2.exe tessmorw.exe qelt.hlp vornel.txt servers.qlt; do
    [[ -f $1/$f ]] || fail "$1/$f is missing"
  done
  [[ $(ls "$1" | wc -l) == 6 ]] || fail "$1 holds $(ls "$1" | tr '\n' ' ')"
}

# A default installation with the keys a user presses.
start default
shows " Quillmere 2.13b setup "
shows "WinSock2 version would be installed"
shows "[[ > Next ]]"
T resize-window -x 50 -y 12
wait_for "Terminal too small: need 65x17, have 50x12"
T resize-window -x 100 -y 35
wait_for "Welcome to Qelt 2.13b quick setup!"
keys Enter
wait_for "Press Browse button to locate a directory"
shows 'c:\Program Files\Qelt\'
shows "[ Browse ]"
keys Enter
wait_for "All files successfully installed"
shows " [ Next ] "  # the focus went with the disabled button
# Enter reaches the dialog as IDOK and does nothing; Tab brings the focus back to Next.
keys Enter Tab
wait_for "[[ Next ]]"
shows "All files successfully installed"
keys Enter
wait_for "Congratulations, Qelt 2.13b setup"
shows "has completed successfully!"
shows "[ ] View help after the setup"
shows "Press Finish to quit setup"
shows "[[ Finish ]]"
keys Enter
ended 0
installed "$drive/Program Files/Qelt"

# Cancel: Esc and No keeps the wizard, Esc and Yes ends it.
start cancel
keys Escape
wait_for "Are you sure you want"
shows "to abort installation process?"
shows " Qelt setup : Panic "
shows "(?)"
shows "[[ Yes ]] [ No ]"
keys n
wait_gone "Are you sure you want"
shows "Welcome to Qelt 2.13b quick setup!"
keys Escape
wait_for "Are you sure you want"
keys y
ended 0
[[ ! -e "$drive/Program Files/Qelt" ]] || fail "a cancelled setup created its folder"

# Alt+B opens the picker; choosing C: installs into C:\Qelt\. The window menu's Close asks too.
start picker
keys Enter
wait_for "Press Browse button to locate a directory"
keys M-b
wait_for " Select a folder for Qelt installation "
shows "[-] My Computer"
shows "[+] (C:)"
keys Down Tab Enter
wait_for 'C:\Qelt\'
lacks "Select a folder for Qelt installation"
keys M-n
wait_for "All files successfully installed"
keys M-n
wait_for "Congratulations, Qelt 2.13b setup"
keys M-Space
wait_for "Close"
shows "Move"
lacks "Maximize"
lacks "Size"
keys c
wait_for "Are you sure you want"
keys n
wait_gone "Are you sure you want"
# The mouse ticks the check box; Finish then opens the help, which outlives the dialog.
click "[ ] View help after the setup"
wait_for "[x] View help after the setup"
keys Tab Enter
wait_for "Qelt 2.13b Help"
shows "Esc or q: close"
lacks "Quillmere 2.13b setup"
keys q
ended 0
installed "$drive/Qelt"

# Ctrl+C gives the terminal back and ends the program by the signal.
start interrupt
keys C-c
ended 130

# So does a termination signal.
start terminate
kill -TERM "$(cat "$work/terminate.pid")"
ended 143

echo "terminal e2e: all scenarios passed"
