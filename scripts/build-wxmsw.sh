#!/usr/bin/env bash
# Builds a static wxWidgets 3.2 for Windows (wxMSW) with the mingw-w64
# compiler from Debian's own wxwidgets3.2 source package, and prints the
# folder it is installed in (its bin/wx-config is what the windows preset
# uses). Debian ships wxWidgets only for GTK, hence the source build.
#
# The result is cached outside the clone, under $WXMSW_CACHE (default
# /var/cache/dezadide), in a folder named after the source version and this
# configure line; it is built only when that folder is missing, so a second
# run costs nothing. The build takes about 9 minutes of two cores. The link
# wxmsw in the cache names the build last asked for, which is where the
# windows preset looks by default.
#
# The +dfsg tarball has none of wxWidgets' bundled image and XML libraries
# and Debian has no mingw builds of them (zlib excepted), so wxMSW is built
# without PNG/JPEG/TIFF, expat and regex; the program needs only BMP images,
# which need no library. Everything the window does not use is left out.
set -euo pipefail
cd "$(dirname "$0")/.."

cache=${WXMSW_CACHE:-/var/cache/dezadide}
host=x86_64-w64-mingw32
configure_args=(
  --host=$host --build=x86_64-linux-gnu
  --disable-shared --enable-unicode
  --without-libpng --without-libjpeg --without-libtiff --without-expat --with-zlib=sys
  --without-regex --without-liblzma --without-opengl
  --disable-svg --disable-xrc --disable-html --disable-webview --disable-stc
  --disable-richtext --disable-propgrid --disable-ribbon --disable-mediactrl --disable-aui
)

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

# The compiler and the zlib the configure line links against.
./scripts/install-deps.sh --windows >&2

# The source package's version names the cache entry, so a Debian update of
# wxwidgets3.2 builds afresh.
add_deb_src() {
  local list=/etc/apt/sources.list.d/dezadide-deb-src.sources
  if apt-cache showsrc wxwidgets3.2 2>/dev/null | grep -q '^Version:'; then
    return
  fi
  if [ ! -f "$list" ]; then
    # Copy the first deb822 entry of the main Debian archive, or the first
    # one-line "deb" entry, as a deb-src entry for the same archive.
    local entry=""
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      entry=$(awk 'BEGIN{RS=""} /URIs:[^\n]*debian(\/)?[ \n]/ && !/security/ {print; exit}' \
        /etc/apt/sources.list.d/debian.sources |
        grep -E '^(URIs|Suites|Components|Signed-By):' | grep -v '^#' || true)
    fi
    if [ -n "$entry" ]; then
      { echo "Types: deb-src"; echo "$entry"; } | "${sudo_cmd[@]}" tee "$list" >/dev/null
    else
      local line
      line=$(grep -hE '^deb [^#]*debian(/)? ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
        2>/dev/null | grep -v security | head -n1 || true)
      [ -n "$line" ] || { echo "no Debian archive entry to copy as deb-src" >&2; exit 1; }
      echo "deb-src ${line#deb }" | "${sudo_cmd[@]}" tee "${list%.sources}.list" >/dev/null
    fi
  fi
  "${sudo_cmd[@]}" apt-get update -qq >&2
}
add_deb_src
version=$(apt-cache showsrc wxwidgets3.2 | sed -n 's/^Version: //p' | sort -V | tail -n1)
[ -n "$version" ] || { echo "wxwidgets3.2 source package not found" >&2; exit 1; }
key=$(printf '%s\n' "$version" "${configure_args[@]}" | sha256sum | cut -c1-12)
prefix=$cache/wxmsw-${version//[^A-Za-z0-9.+-]/_}-$key

link_current() {
  "${sudo_cmd[@]}" ln -sfn "$(basename "$prefix")" "$cache/wxmsw"
  echo "$prefix"
}
if [ -x "$prefix/bin/wx-config" ] && [ -f "$prefix/.complete" ]; then
  link_current
  exit 0
fi

"${sudo_cmd[@]}" mkdir -p "$cache"
work=$(mktemp -d "${TMPDIR:-/tmp}/wxmsw.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "building wxMSW $version into $prefix (about 9 minutes)" >&2
(
  cd "$work"
  apt-get source -qq --download-only "wxwidgets3.2=$version" >&2
  dpkg-source --no-check -x ./*.dsc src >/dev/null
  mkdir build
  cd build
  ../src/configure "${configure_args[@]}" --prefix="$prefix.part" \
    CC=$host-gcc-posix CXX=$host-g++-posix >configure.log 2>&1 ||
    { tail -n 40 configure.log >&2; exit 1; }
  make -j"$(nproc)" >make.log 2>&1 || { tail -n 60 make.log >&2; exit 1; }
  rm -rf "$prefix.part"
  make install >install.log 2>&1 || { tail -n 40 install.log >&2; exit 1; }
)
# wx-config names its own prefix; point it at the final folder before the
# rename that makes the build visible to later runs. bin/wx-config is a link
# to the configuration script, made with the temporary folder's full path:
# it becomes a relative one.
"${sudo_cmd[@]}" find "$prefix.part" -type f \( -name 'wx-config' -o -name "$host-msw-*" \) \
  -exec sed -i "s|$prefix.part|$prefix|g" {} +
if [ -L "$prefix.part/bin/wx-config" ]; then
  target=$(readlink "$prefix.part/bin/wx-config")
  "${sudo_cmd[@]}" ln -sfn "../${target#"$prefix.part/"}" "$prefix.part/bin/wx-config"
fi
touch "$prefix.part/.complete"
rm -rf "$prefix"
mv "$prefix.part" "$prefix"
link_current
