#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh), checks its files, unpacks it
# into a temporary root and runs it from there: both programs' --version,
# dezadide-cli ls, and the window with --demo under Xvfb, its menu bar and
# toolbar compared with the same window started from the build tree.
# The unpacked programs must carry no path of the source or build tree, and
# where the machine allows a mount namespace (root in CI) the trees are
# hidden under an empty folder while they run.
# An argument names a package already made, to check it alone.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
if [ $# -gt 0 ]; then
  deb=$1
else
  deb=$(./scripts/package.sh | tail -n 1)
fi
deb=$(realpath "$deb")
version=$(dpkg-deb -f "$deb" Version)
echo "== $deb"
dpkg-deb -f "$deb" Package Version Architecture Depends

work=$(mktemp -d /tmp/dezadide-package.XXXXXX)
trap '[ -n "${KEEP_CHECK:-}" ] || rm -rf "$work"' EXIT
root=$work/root
dpkg -x "$deb" "$root"

fail() {
  echo "check-package: $*" >&2
  exit 1
}

echo "== files"
for f in usr/bin/dezadide usr/bin/dezadide-cli \
  usr/share/applications/org.dezadide.Dezadide.desktop \
  usr/share/metainfo/org.dezadide.Dezadide.metainfo.xml \
  usr/share/man/man1/dezadide.1.gz usr/share/man/man1/dezadide-cli.1.gz \
  usr/share/bash-completion/completions/dezadide-cli \
  usr/share/doc/dezadide/copyright usr/share/dezadide/demo/av_mp2.ts; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
for size in 16 22 24 32 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/dezadide.png
  [ "$(identify -format %wx%h "$icon")" = "${size}x${size}" ] || fail "icon $size is not ${size}x${size}"
done
desktop-file-validate "$root/usr/share/applications/org.dezadide.Dezadide.desktop"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/org.dezadide.Dezadide.metainfo.xml"
# Every command, the exit statuses and the variables are in the manual pages
# (their source: a dash is written "\-").
cli_page=$(zcat "$root/usr/share/man/man1/dezadide-cli.1.gz")
for word in ls cp mv rm mkdir convert info 130 DEZADIDE_DRIVES; do
  grep -qw -- "$word" <<<"$cli_page" || fail "dezadide-cli(1) does not mention $word"
done
window_page=$(zcat "$root/usr/share/man/man1/dezadide.1.gz")
for word in '\-\-demo' '\-\-version' DEZADIDE_DRIVES VIVOZIR; do
  grep -qF -- "$word" <<<"$window_page" || fail "dezadide(1) does not mention $word"
done
if grep -rlF -e "$repo" "$root"; then
  fail "the package holds a path of the source or build tree"
fi

# Runs in the unpacked root; DISPLAY is a running Xvfb. Prints the first
# lines of the sample disk's listing; writes shot.png.
cat >"$work/run-unpacked.sh" <<'INNER'
set -euo pipefail
root=$1 out=$2 version=$3
cd /
unset DEZADIDE_DRIVES
[ "$(DISPLAY= "$root/usr/bin/dezadide-cli" --version)" = "dezadide-cli $version" ]
[ "$(DISPLAY= "$root/usr/bin/dezadide" --version)" = "dezadide $version" ]
"$root/usr/bin/dezadide" --demo >"$out/demo.txt" &
pid=$!
for _ in $(seq 100); do
  grep -q 'sample disk' "$out/demo.txt" 2>/dev/null && break
  sleep 0.1
done
disk=$(sed -n 's/^dezadide: sample disk \(.*\), backup .*/\1/p' "$out/demo.txt")
[ -n "$disk" ] && [ -d "$disk/REC" ]
"$root/usr/bin/dezadide-cli" ls "$disk/REC" | cut -f 1,2 >"$out/ls.txt"
# Wait for the window's first paint: the toolbar's coloured pictures show.
for _ in $(seq 40); do
  import -window root "$out/shot.png"
  coloured=$(convert "$out/shot.png" -crop 1024x80+0+0 -colorspace HSL -channel G -separate \
    +channel -threshold 50% -format '%[fx:round(mean*w*h)]' info:)
  [ "$coloured" -gt 200 ] && break
  sleep 0.5
done
sleep 1 # and for what follows it to settle
import -window root "$out/shot.png"
kill -TERM "$pid"
wait "$pid"
[ ! -e "$disk" ] # the sample disk goes with the program
INNER

shoot() { # ROOT OUTDIR: the window of ROOT/usr/bin under a fresh Xvfb
  mkdir -p "$2"
  xvfb-run -a -s "-screen 0 1024x700x24" bash "$work/run-unpacked.sh" "$1" "$2" "$version"
}

echo "== the unpacked package, source and build trees out of reach"
if unshare --mount true 2>/dev/null; then
  # A private mount table in which the repository is an empty folder.
  unshare --mount bash -c 'mount -t tmpfs -o size=1m none "$1" && shift && "$@"' _ \
    "$repo" bash -c "$(declare -f shoot); work=$work version=$version shoot $root $work/unpacked"
  echo "(the repository was hidden while the unpacked programs ran)"
else
  shoot "$root" "$work/unpacked"
fi
cat "$work/unpacked/ls.txt"
grep -q $'^NEWS\tNEWS_#001_200612241930.AVR$' "$work/unpacked/ls.txt" ||
  fail "dezadide-cli ls does not show the sample disk's recordings"

echo "== the same window from the build tree"
# The build tree's programs in the same layout, for a picture to compare with.
mkdir -p "$work/tree/usr/bin"
ln -s "$repo/build/release/src/dezadide" "$repo/build/release/src/dezadide-cli" "$work/tree/usr/bin/"
ln -s "$repo/build/release/share" "$work/tree/usr/share"
shoot "$work/tree" "$work/tree-run"

# The menu bar and the toolbar (the top 80 rows of the window, which sits at
# the screen's corner without a window manager) must match pixel for pixel,
# and the toolbar's pictures must be there: the buttons that are enabled at
# the start (the two conversions) are the only strongly coloured pixels of
# that band, a few hundred of them.
band() { convert "$1" -crop 1024x80+0+0 +repage "$2"; }
band "$work/unpacked/shot.png" "$work/a.png"
band "$work/tree-run/shot.png" "$work/b.png"
diff_pixels=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
[ "$diff_pixels" = "0" ] || fail "the toolbar differs from the build tree's ($diff_pixels pixels)"
coloured=$(convert "$work/a.png" -colorspace HSL -channel G -separate +channel -threshold 50% \
  -format '%[fx:round(mean*w*h)]' info:)
[ "$coloured" -gt 200 ] || fail "no toolbar pictures ($coloured coloured pixels in the toolbar band)"
echo "== package checked: $deb"
