#!/usr/bin/env bash
# Converts a recording in dezadide.exe's conversion dialog and leaves
# through File > Exit, RUNS times in a row, under Wine on the X display it
# is given (run it under xvfb-run, with WINEPREFIX set). Every second run
# converts a file that is no transport stream ("Not a TS"). The target is
# written into the folder the window shows, as a user's conversion is.
# Fails when a run does not end by itself with status 0, or when Wine
# reports a fault; the crash report (backtrace) is printed then.
#   scripts/wine-convert-exit.sh PROGRAM RUNS FIXTURES_FOLDER
set -euo pipefail
program=$1
runs=$2
fixtures=$3
here=$(cd "$(dirname "$0")" && pwd)
wineserver=/usr/lib/wine/wineserver
command -v wineserver >/dev/null 2>&1 && wineserver=wineserver

work=$(mktemp -d)
started=""
cleanup() {
  [ -n "$started" ] && kill "$started" 2>/dev/null || true
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
win() { printf 'Z:%s' "${1//\//\\}"; }
mkdir -p "$work/disk/REC"
cp "$fixtures"/rec/news/* "$work/disk/REC/"
printf 'no transport stream here' >"$work/disk/REC/JUNK_#001_200612241930.AVR"

# Both lists show the recording's folder from the start, so the window
# follows the folder the conversion writes into.
settings=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Dezadide
mkdir -p "$settings"
rec='Z:'"${work//\//\\\\}"'\\disk\\REC'
printf '[Top]\nFolder=%s\n[Bottom]\nFolder=%s\n' "$rec" "$rec" >"$settings/settings.ini"

# A fault prints its backtrace instead of waiting for a click on a dialog.
"$here/wine-run.sh" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
  /d 0 /f >/dev/null 2>&1

# Waits for a window whose name is exactly $1; prints its id.
wait_window() {
  local id=""
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Waits until no window of that name is left.
wait_no_window() {
  for _ in $(seq 200); do
    [ -z "$(xdotool search --name "^$1\$" 2>/dev/null || true)" ] && return 0
    sleep 0.1
  done
  return 1
}
keys() { xdotool key --clearmodifiers --delay 30 "$@"; }
# Gives a window the keyboard; a window still being mapped is tried again.
focus() {
  for _ in $(seq 50); do
    xdotool windowfocus --sync "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
# Types a text into the field that has the focus, replacing what it held.
field() {
  keys ctrl+a BackSpace
  xdotool type --delay 2 "$1"
}

for run in $(seq "$runs"); do
  log=$work/run$run.log
  rm -f "$work"/disk/REC/*.mpg
  name=NEWS_#001_200612241930.AVR
  [ $((run % 2)) -eq 0 ] && name=JUNK_#001_200612241930.AVR
  DEZADIDE_DRIVES=$(win "$work/disk") WINEDEBUG=err+seh \
    "$here/wine-run.sh" "$program" >"$log" 2>&1 &
  started=$!
  fail() {
    echo "run $run: $1" >&2
    grep -iE 'fault|exception|backtrace|^=>|^  [0-9]+ 0x' "$log" | head -n 40 >&2 || true
    exit 1
  }
  frame=$(wait_window Dezadide) || fail "no main window"
  focus "$frame" || fail "the main window takes no keys"
  keys alt+t a
  dialog=$(wait_window ts2pes) || fail "no conversion dialog"
  focus "$dialog" || fail "the dialog takes no keys"
  # Tab order: source field, Open, target field, Open, Start.
  field "$(win "$work/disk/REC/$name")"
  keys Tab Tab
  field "$(win "$work/disk/REC/out$run.mpg")"
  keys Tab Tab space
  # The outcome box carries the program's title; it is the second such window.
  for _ in $(seq 300); do
    [ "$(xdotool search --onlyvisible --name '^Dezadide$' 2>/dev/null | wc -l)" -ge 2 ] && break
    sleep 0.1
  done
  keys Return
  focus "$dialog" || true
  keys Escape
  wait_no_window ts2pes || fail "the conversion dialog did not close"
  focus "$frame" || fail "the main window takes no keys"
  keys alt+f x
  status=0
  for _ in $(seq 300); do
    kill -0 "$started" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$started" 2>/dev/null && fail "still running 30 s after File > Exit"
  wait "$started" || status=$?
  started=""
  [ "$status" -eq 0 ] || fail "ended with status $status"
  grep -qiE 'unhandled (page fault|exception)|heap' "$log" && fail "Wine reported a fault"
  if [ "$name" = NEWS_#001_200612241930.AVR ]; then
    [ -s "$work/disk/REC/out$run.mpg" ] || fail "the conversion wrote nothing"
  fi
  timeout 60 "$wineserver" -w
done
echo "converted and exited $runs times without a fault"
