#!/usr/bin/env bash
# Builds a minimal static FFmpeg for Windows (libavcodec, libswscale,
# libavutil) with the mingw-w64 compiler from Debian's own ffmpeg source
# package, and prints the folder it is installed in (include/ and lib/).
# Only what a thumbnail needs is in it: the MPEG-1/2 video and H.264
# decoders with their parsers, and the scaler. The conversion never uses it.
#
# Cached like wxMSW (scripts/build-wxmsw.sh): under $FFMPEG_WIN_CACHE
# (default /var/cache/dezadide), in a folder named after the source version
# and this configure line, built only when that folder is missing (about 4
# minutes of two cores). The link ffmpeg-win in the cache names the build
# last asked for, which is where the windows preset looks by default.
# FFmpeg's licence notices are installed beside the libraries (share/licence)
# so that the Windows program can ship them.
set -euo pipefail
cd "$(dirname "$0")/.."

cache=${FFMPEG_WIN_CACHE:-/var/cache/dezadide}
host=x86_64-w64-mingw32
configure_args=(
  --target-os=mingw32 --arch=x86_64 --cross-prefix=$host-
  --cc=$host-gcc-posix --cxx=$host-g++-posix
  --enable-static --disable-shared
  --disable-programs --disable-doc --disable-everything --disable-network
  --disable-autodetect --disable-x86asm
  --enable-decoder=mpeg2video,mpeg1video,h264
  --enable-parser=mpegvideo,h264 --enable-swscale
  --disable-avdevice --disable-avformat --disable-avfilter --disable-swresample
  --disable-postproc
)

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

./scripts/install-deps.sh --windows >&2

# The deb-src entry is the one wxMSW's build adds; make sure it is there.
if ! apt-cache showsrc ffmpeg 2>/dev/null | grep -q '^Version:'; then
  WXMSW_CACHE=$cache ./scripts/build-wxmsw.sh >/dev/null
fi
version=$(apt-cache showsrc ffmpeg | sed -n 's/^Version: //p' | sort -V | tail -n1)
[ -n "$version" ] || { echo "ffmpeg source package not found" >&2; exit 1; }
key=$(printf '%s\n' "$version" "${configure_args[@]}" | sha256sum | cut -c1-12)
prefix=$cache/ffmpeg-win-${version//[^A-Za-z0-9.+-]/_}-$key

# What the licence of the static libraries asks to travel with the program:
# their notices (copied from the source) and where their source comes from.
write_source_note() {
  {
    echo "The video decoders of dezadide.exe and dezadide-cli.exe are FFmpeg's"
    echo "libavcodec, libswscale and libavutil, linked statically, under the GNU"
    echo "Lesser General Public License version 2.1 or later (COPYING.LGPLv2.1,"
    echo "LICENSE.md). They were built from the upstream tarball of Debian's ffmpeg"
    echo "source package $version, without changes (ffmpeg_${version#*:}.dsc and its orig tarball at"
    echo "https://deb.debian.org/debian/pool/main/f/ffmpeg/ or from"
    echo "https://snapshot.debian.org/package/ffmpeg/${version#*:}/) with"
    echo "./configure ${configure_args[*]}"
  } | "${sudo_cmd[@]}" tee "$1/share/licence/SOURCE.txt" >/dev/null
}

link_current() {
  "${sudo_cmd[@]}" ln -sfn "$(basename "$prefix")" "$cache/ffmpeg-win"
  echo "$prefix"
}
if [ -f "$prefix/lib/libavcodec.a" ] && [ -f "$prefix/.complete" ]; then
  [ -f "$prefix/share/licence/SOURCE.txt" ] || write_source_note "$prefix"
  link_current
  exit 0
fi

"${sudo_cmd[@]}" mkdir -p "$cache"
work=$(mktemp -d "${TMPDIR:-/tmp}/ffmpeg-win.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "building FFmpeg's decoders for Windows $version into $prefix (about 4 minutes)" >&2
(
  cd "$work"
  apt-get source -qq --download-only "ffmpeg=$version" >&2
  # Only the upstream tarball is needed; Debian's patches are for its own
  # Linux build.
  mkdir src
  tar xf "$(ls ./ffmpeg_*.orig.tar.* | grep -v '\.asc$' | head -n1)" -C src --strip-components=1
  cd src
  rm -rf "$prefix.part"
  ./configure "${configure_args[@]}" --prefix="$prefix.part" >configure.log 2>&1 ||
    { tail -n 40 configure.log >&2; tail -n 40 ffbuild/config.log >&2; exit 1; }
  make -j"$(nproc)" >make.log 2>&1 || { tail -n 60 make.log >&2; exit 1; }
  make install >install.log 2>&1 || { tail -n 40 install.log >&2; exit 1; }
  mkdir -p "$prefix.part/share/licence"
  cp COPYING.LGPLv2.1 COPYING.GPLv2 LICENSE.md "$prefix.part/share/licence/"
)
write_source_note "$prefix.part"
touch "$prefix.part/.complete"
rm -rf "$prefix"
mv "$prefix.part" "$prefix"
link_current
