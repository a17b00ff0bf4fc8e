#!/usr/bin/env bash
# Starts dezadide.exe under Wine on the X display it is given (run it under
# xvfb-run), waits until a window titled "Dezadide" shows, optionally saves a
# picture of the screen, then ends the program. Fails when no such window
# appears within two minutes (a new Wine prefix
# may take a while to start its first window).
#   scripts/wine-window.sh PROGRAM [PICTURE [ARGUMENT...]]
set -euo pipefail
program=$1
picture=${2:-}
shift $(($# < 2 ? $# : 2))
here=$(dirname "$0")
"$here/wine-run.sh" "$program" "$@" >/dev/null 2>&1 &
started=$!
stop() {
  kill "$started" 2>/dev/null || true
  if command -v wineserver >/dev/null 2>&1; then wineserver -k || true; else /usr/lib/wine/wineserver -k || true; fi
}
trap stop EXIT
window=""
for _ in $(seq 120); do
  window=$(xdotool search --name '^Dezadide$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 1
done
if [ -z "$window" ]; then
  echo "no window titled Dezadide appeared; the windows shown:" >&2
  for w in $(xdotool search --name '.' 2>/dev/null); do
    xdotool getwindowname "$w" 2>/dev/null || true
  done | sort -u | sed 's/^/  /' >&2
  exit 1
fi
echo "window titled Dezadide: $window"
if [ -n "$picture" ]; then
  sleep 3 # let it draw its trees and toolbar
  import -window root "$picture"
  # Xvfb has no window manager: the screen is black around the window.
  convert "$picture" -trim +repage "$picture"
  echo "wrote $picture"
fi
