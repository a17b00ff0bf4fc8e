#!/usr/bin/env bash
# Builds the Windows installer on a fresh Debian 12 machine: the mingw-w64
# tools, wxWidgets for Windows and FFmpeg's decoders for Windows (each built
# once and cached, scripts/build-wxmsw.sh and scripts/build-ffmpeg-win.sh),
# the windows preset (both programs and the test programs), then makensis.
# Prints the installer's path: build/windows/Dezadide-<version>-setup.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --windows >&2
wx=$(./scripts/build-wxmsw.sh)
ffmpeg_win=$(./scripts/build-ffmpeg-win.sh)
cmake --preset windows -DwxWidgets_CONFIG_EXECUTABLE="$wx/bin/wx-config" \
  -DDZ_FFMPEG_WIN="$ffmpeg_win" >/dev/null
cmake --build --preset windows -j "$(nproc)" >&2
version=$(sed -n 's/^project(Dezadide VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=$PWD/build/windows/Dezadide-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSOURCE="$PWD" -DBUILD="$PWD/build/windows" \
  -DOUTFILE="$out" -DFFMPEG="$ffmpeg_win" packaging/windows/dezadide.nsi >&2
echo "$out"
