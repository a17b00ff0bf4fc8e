#!/usr/bin/env bash
# The Windows side of the suite, run on this Linux machine: builds the
# installer (scripts/windows-installer.sh: mingw-w64, wxWidgets for Windows,
# the windows preset, makensis), then under Wine
#  - runs every core test program;
#  - copies, converts, moves and deletes a three-part recording with
#    dezadide-cli.exe on Z:\ paths, and checks the files against the same
#    commands of the Linux build, byte for byte; takes a picture of it;
#  - starts dezadide.exe under Xvfb and waits for its window "Dezadide";
#  - converts a recording in its conversion dialog and leaves through
#    File > Exit, 20 times (scripts/wine-convert-exit.sh);
#  - drags recordings from one list onto the other with the mouse (a plain
#    drag copies, Shift moves) and presses F7 in a list (scripts/wine-lists.sh);
#  - installs the installer silently, asks the installed dezadide-cli.exe its
#    version, starts the installed dezadide.exe --demo on its sample disk,
#    and uninstalls it again.
# Every Wine step has a time limit, so nothing can hang the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

installer=$(./scripts/windows-installer.sh)
version=$(sed -n 's/^project(Dezadide VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

# A Wine prefix of this run's own, made afresh (as root too: Wine only wants
# the prefix to belong to whoever runs it).
export WINEPREFIX=$root/build/windows/wineprefix
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=(timeout 300 "$root/scripts/wine-run.sh")
wineserver=/usr/lib/wine/wineserver
command -v wineserver >/dev/null 2>&1 && wineserver=wineserver
rm -rf "$WINEPREFIX"
echo "== Wine prefix"
"${wine[@]}" wineboot -i >/dev/null 2>&1
timeout 120 "$wineserver" -w

echo "== core tests under Wine"
ctest --preset windows -j "$(nproc)" --timeout 600

echo "== dezadide-cli.exe on a recording at a Z:\\ path"
linux_cli=build/debug/src/dezadide-cli
if [ ! -x "$linux_cli" ]; then
  cmake --preset debug >/dev/null
  cmake --build --preset debug --target dezadide-cli >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win() { printf 'Z:%s' "${1//\//\\}"; }
cli_exe=(timeout 120 "$root/scripts/wine-run.sh" "$root/build/windows/src/dezadide-cli.exe")
news=NEWS_#001_200612241930.AVR
for side in windows linux; do
  mkdir -p "$work/$side/src" "$work/$side/dst" "$work/$side/moved"
  cp tests/fixtures/rec/news/* "$work/$side/src/"
done
# The drive is the side's folder, so both location texts read C:\dst\...
DEZADIDE_DRIVES=$(win "$work/windows") "${cli_exe[@]}" cp "$(win "$work/windows/src")" \
  "$(win "$work/windows/dst")" "$news"
DEZADIDE_DRIVES=$work/linux "$linux_cli" cp "$work/linux/src" "$work/linux/dst" "$news"
ls "$work/windows/dst" | grep -q 'NEWS_#003_200612241930.AVR'
diff -r "$work/linux/dst" "$work/windows/dst"
"${cli_exe[@]}" info "$(win "$work/windows/dst/$news")" | grep -q $'^location\tC:\\\\dst\\\\NEWS_#001_200612241930.AVF'

"${cli_exe[@]}" convert "$(win "$work/windows/src/$news")" "$(win "$work/windows/news.mpg")" \
  2>/dev/null | grep -qx 'Convert finished'
"$linux_cli" convert "$work/linux/src/$news" "$work/linux/news.mpg" >/dev/null 2>&1
cmp "$work/linux/news.mpg" "$work/windows/news.mpg"
ffprobe -v error -show_entries stream=codec_type -of default=nw=1:nk=1 "$work/windows/news.mpg" |
  sort | tr '\n' ' ' | grep -qx 'audio video '

# The picture of a recording, decoded by the FFmpeg built for Windows.
"${cli_exe[@]}" thumbnail "$(win "$work/windows/src/$news")" "$(win "$work/windows/news.png")" \
  --width 160 >/dev/null
[ "$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$work/windows/news.png")" = \
  "160,131" ]
status=0
"${cli_exe[@]}" thumbnail "$(win "$root/tests/fixtures/rec/radio/RADIO_#001_200612241930.AVR")" \
  "$(win "$work/windows/radio.png")" 2>/dev/null || status=$?
[ "$status" -eq 1 ] && [ ! -e "$work/windows/radio.png" ]

DEZADIDE_DRIVES=$(win "$work/windows") "${cli_exe[@]}" mv "$(win "$work/windows/dst")" \
  "$(win "$work/windows/moved")" "$news"
DEZADIDE_DRIVES=$work/linux "$linux_cli" mv "$work/linux/dst" "$work/linux/moved" "$news"
diff -r "$work/linux/moved" "$work/windows/moved"
[ -z "$(ls -A "$work/windows/dst")" ]

"${cli_exe[@]}" rm "$(win "$work/windows/moved")" "$news" >/dev/null
[ -z "$(ls -A "$work/windows/moved")" ]
status=0
"${cli_exe[@]}" ls "$(win "$work/windows/missing")" 2>/dev/null || status=$?
[ "$status" -eq 1 ]
echo "copy, convert, thumbnail, move, delete and ls agree with Linux"

echo "== dezadide.exe under Xvfb"
# The programs above ran without a display; the Wine desktop they started
# has none either, and would take the window. A fresh start gets Xvfb's.
"$wineserver" -k 2>/dev/null || true
timeout 120 "$wineserver" -w
timeout 180 xvfb-run -a -s "-screen 0 1280x800x24" \
  ./scripts/wine-window.sh "$root/build/windows/src/dezadide.exe"

echo "== convert, then File > Exit, 20 times"
timeout 900 xvfb-run -a -s "-screen 0 1280x800x24" ./scripts/wine-convert-exit.sh \
  "$root/build/windows/src/dezadide.exe" 20 "$root/tests/fixtures"

echo "== drags and keys in the lists"
timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" ./scripts/wine-lists.sh \
  "$root/build/windows/src/dezadide.exe" "$root/tests/fixtures"

echo "== the installer, silently"
"${wine[@]}" "$installer" /S '/D=C:\Dezadide'
timeout 120 "$wineserver" -w
answer=$("${wine[@]}" 'C:\Dezadide\dezadide-cli.exe' --version | tr -d '\r')
[ "$answer" = "dezadide-cli $version" ] || { echo "installed --version said: $answer" >&2; exit 1; }
programs="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Dezadide"
[ -f "$programs/Dezadide.lnk" ] && [ -f "$WINEPREFIX/drive_c/Dezadide/dezadide.exe" ]
[ -f "$programs/Try on a Sample Disk.lnk" ] && [ -f "$WINEPREFIX/drive_c/Dezadide/demo/av_mp2.ts" ]
# The installed program makes its sample disk from the installed clips.
"$wineserver" -k 2>/dev/null || true
timeout 120 "$wineserver" -w
# %TEMP% is users/<name>/Temp in Debian's Wine, AppData/Local/Temp in others.
users=$WINEPREFIX/drive_c/users
rm -rf "$users"/*/Temp/dz-demo-* "$users"/*/AppData/Local/Temp/dz-demo-*
timeout 180 xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$1" "C:\Dezadide\dezadide.exe" --demo >/dev/null 2>&1 &
  for _ in $(seq 120); do
    ls "$2"/*/Temp/dz-demo-*/recorder/REC/NEWS_#003_200612241930.AVR \
      "$2"/*/AppData/Local/Temp/dz-demo-*/recorder/REC/NEWS_#003_200612241930.AVR \
      2>/dev/null | grep -q . && exit 0
    sleep 1
  done
  exit 1' _ "$root/scripts/wine-run.sh" "$users" ||
  { echo "the installed program made no sample disk with --demo" >&2; exit 1; }
"$wineserver" -k 2>/dev/null || true
timeout 120 "$wineserver" -w
"${wine[@]}" 'C:\Dezadide\uninstall.exe' /S
timeout 120 "$wineserver" -w
[ ! -e "$WINEPREFIX/drive_c/Dezadide/dezadide-cli.exe" ] && [ ! -e "$programs" ] &&
  [ ! -e "$WINEPREFIX/drive_c/Dezadide/demo" ]
echo "installed $(basename "$installer"): $answer; uninstalled"
echo "== Windows tests passed"
