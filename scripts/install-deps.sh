#!/usr/bin/env bash
# Installs every Debian package the build, the window, the tests and the
# benchmarks need (FFmpeg's decoder and scaler libraries make a recording's
# picture; the ffmpeg programs make and check the test clips). Safe to run again: apt-get skips what is already there.
# With --windows, also what the Windows build needs: the mingw-w64 compiler,
# GoogleTest's sources, Wine to run the results, NSIS for the installer.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libwxgtk3.2-dev libgtk-3-dev libx11-dev
  libavcodec-dev libswscale-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth imagemagick ffmpeg time openbox
  dosfstools fusefat ntfs-3g fuse3
  dpkg-dev lintian desktop-file-utils appstream locales
)
if [ "${1:-}" = "--windows" ]; then
  packages+=(
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev googletest
    wine64 nsis xdotool
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if [ ${#missing[@]} -ne 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The name-order tests sort in a language other than the C locale's.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
