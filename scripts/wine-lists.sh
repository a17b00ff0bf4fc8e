#!/usr/bin/env bash
# Works dezadide.exe's lists with the mouse and keys, under Wine on the X
# display it is given (run it under xvfb-run, with WINEPREFIX set):
#  - drags a recording from the top list onto the bottom list: a plain drag
#    must copy (the recording stays in the top folder and arrives whole in
#    the bottom one), a drag with Shift held must move it (gone from the top
#    folder, whole in the bottom one). Windows itself suggests a move for a
#    plain drag unless the program asks otherwise;
#  - presses F7 with a list focused: a message box must say why no folder
#    can be made there (Windows swallows the key of a greyed-out command).
# Saves a picture of the screen when a check fails.
#   scripts/wine-lists.sh PROGRAM FIXTURES_FOLDER [PICTURE]
set -euo pipefail
program=$1
fixtures=$2
picture=${3:-}
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
mkdir -p "$work/disk/TOP" "$work/disk/BOTTOM"
cp "$fixtures"/rec/news/* "$fixtures"/rec/radio/* "$work/disk/TOP/"

# Each row shows its folder from the start; the window has a known place
# and size, so the lists are where this script clicks.
settings=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Dezadide
mkdir -p "$settings"
folder() { printf 'Z:%s' "${1//\//\\\\}"; }
printf '[Top]\nFolder=%s\n[Bottom]\nFolder=%s\n' "$(folder "$work/disk/TOP")" \
  "$(folder "$work/disk/BOTTOM")" >"$settings/settings.ini"

wait_window() {
  local id=""
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Every part and the companion of a recording, each of its full size (a
# copy writes where the recording now is into its parts' headers).
whole() {
  local dir=$1 stem=$2 source=$3
  for f in "$fixtures/rec/$source/${stem}"_*; do
    [ "$(stat -c %s "$f")" = "$(stat -c %s "$dir/$(basename "$f")" 2>/dev/null)" ] || return 1
  done
}
gone() { ! ls "$1/${2}"_* >/dev/null 2>&1; }
fail() {
  echo "lists: $1" >&2
  [ -n "$picture" ] && import -window root "$picture" 2>/dev/null && echo "screen in $picture" >&2
  exit 1
}

DEZADIDE_DRIVES=$(win "$work/disk") "$here/wine-run.sh" "$program" >"$work/log" 2>&1 &
started=$!
frame=$(wait_window Dezadide) || fail "no main window"
sleep 2
eval "$(xdotool getwindowgeometry --shell "$frame")"
# The list is the right part of each row; rows are sorted by name, so NEWS
# is the first row and RADIO the second of the top list.
list_x=$((X + WIDTH * 2 / 3))
top_row_y() { echo $((Y + $1)); }
bottom_y=$((Y + HEIGHT * 3 / 4))

# Presses on a row of the top list, moves in small steps onto the bottom list
# and lets go there (with the keys given held from the start of the move).
drag() {
  local y=$1
  shift
  xdotool mousemove "$list_x" "$y" click 1
  sleep 0.5
  xdotool mousemove "$list_x" "$y" mousedown 1
  for step in $(seq 1 12); do
    [ "$step" -eq 3 ] && [ $# -gt 0 ] && xdotool keydown "$@"
    xdotool mousemove "$list_x" $((y + (bottom_y - y) * step / 12))
    sleep 0.1
  done
  sleep 0.3
  xdotool mouseup 1
  [ $# -gt 0 ] && xdotool keyup "$@"
  return 0
}
# Waits until the job the drop started has settled.
settle() {
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

# Under the menu, the toolbar, the path field and the list's header, rows 15
# pixels high.
row_height=15
header=112
drag "$(top_row_y $((header + row_height / 2)))"
settle whole "$work/disk/BOTTOM" NEWS news || fail "a plain drag did not copy NEWS"
sleep 1
whole "$work/disk/TOP" NEWS news || fail "a plain drag took NEWS from its folder"
echo "a plain drag copied NEWS and left it where it was"

drag "$(top_row_y $((header + row_height * 3 / 2)))" shift
settle whole "$work/disk/BOTTOM" RADIO radio || fail "a drag with Shift did not move RADIO"
settle gone "$work/disk/TOP" RADIO || fail "a drag with Shift left RADIO in its folder"
echo "a drag with Shift moved RADIO"

# The top list has the focus after the drags; a message box comes up, as the
# second window titled Dezadide.
xdotool mousemove "$list_x" "$(top_row_y $((header + row_height / 2)))" click 1
sleep 0.5
xdotool key F7
for _ in $(seq 100); do
  [ "$(xdotool search --onlyvisible --name '^Dezadide$' 2>/dev/null | wc -l)" -ge 2 ] && break
  sleep 0.1
done
[ "$(xdotool search --onlyvisible --name '^Dezadide$' 2>/dev/null | wc -l)" -ge 2 ] ||
  fail "F7 with a list focused said nothing"
echo "F7 with a list focused says why it cannot make a folder"
