#!/usr/bin/env bash
# Copies a 1 GiB recording (3 parts and a companion) with `dezadide-cli cp`
# and with `cp` in the same run, on the same file system with the source in
# the page cache, and prints the MB/s of both and their ratio.
# Target: dezadide-cli at least 0.9 x `cp`.
#
# A copy writes each file under a temporary name and renames it into place,
# and leaves writing back to the system as `cp` does: the first figure. The
# second compares with `cp` followed by `sync` of the copied files.
# `cp --verify` also flushes each copy, drops its cached pages and reads it
# back from the disk, comparing it with what was written: the fourth figure
# is its cost against the plain copy, the fifth against `cp` + `sync`.
# A move makes every file and the folder durable (fdatasync, fsync) before it
# removes the source; the third figure times `dezadide-cli mv` against the
# same promise made by hand: `cp`, `sync` of the copies, `rm` of the sources.
#
#   bench/copy.sh [FOLDER]     FOLDER: where to work (default: a new folder
#                              under /tmp, removed afterwards); needs 3 GiB free
#   DEZADIDE_CLI=path          the program to time (default: the release
#                              build in build/release, built when missing)
#   RUNS=n                     timed runs of each command (default 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/lib.sh"
runs=${RUNS:-5}

cli=$(bench_cli)

bench_work copy "$@"
src=$work/src
dst=$work/dst
name=BENCH_#001_200612241930
part_bytes=$((1024 * 1024 * 1024 / 3))
total=$((3 * part_bytes))

# The recording: three parts of random bytes (a third of a GiB each) and an
# 8,008-byte companion whose head gives the part count and the total size.
if [ "$(stat -c %s "$src/${name}.AVR" 2>/dev/null || echo 0)" -ne "$part_bytes" ]; then
  rm -rf "$src"
  mkdir -p "$src"
  for p in 1 2 3; do
    head -c "$part_bytes" /dev/urandom >"$src/BENCH_#00${p}_200612241930.AVR"
  done
  perl -e '
    my ($path, $total) = @ARGV;
    my $head = "\0" x 8008;
    substr($head, 1740, 2) = pack("n", 3);
    substr($head, 1744, 8) = pack("Q>", $total);
    open(my $f, ">", $path) or die; binmode $f; print $f $head; close $f;' \
    "$src/${name}.AVF" "$total"
fi
bytes=$(cat "$src"/* | wc -c) # also brings every byte into the page cache

# One timed copy into an empty destination, in microseconds. The previous
# copy is removed and written back first, so that neither command pays for
# the other's dirty pages.
copy_us() {
  rm -rf "$dst"
  mkdir -p "$dst"
  sync
  elapsed_us "$@"
}

# A copy that is not right would be fast for nothing: check one first
# (past the part header, which the copy rewrites).
copy_us "$cli" cp "$src" "$dst" "${name}.AVR" >/dev/null
for p in 1 2 3; do
  f="BENCH_#00${p}_200612241930.AVR"
  cmp -s -i 134 "$src/$f" "$dst/$f" || { echo "dezadide-cli made a wrong copy of $f" >&2; exit 1; }
done

cp_sync() { cp "$src"/* "$dst"/ && sync "$dst"/*; }

dz_times=()
cp_times=()
sync_times=()
verify_times=()
for run in $(seq "$runs"); do
  # Alternate which goes first, so that neither always meets the warmer machine.
  if [ $((run % 2)) -eq 1 ]; then
    dz_times+=("$(copy_us "$cli" cp "$src" "$dst" "${name}.AVR" 2>/dev/null)")
    cp_times+=("$(copy_us cp "$src"/* "$dst"/)")
    sync_times+=("$(copy_us cp_sync)")
    verify_times+=("$(copy_us "$cli" cp --verify "$src" "$dst" "${name}.AVR" 2>/dev/null)")
  else
    verify_times+=("$(copy_us "$cli" cp --verify "$src" "$dst" "${name}.AVR" 2>/dev/null)")
    sync_times+=("$(copy_us cp_sync)")
    cp_times+=("$(copy_us cp "$src"/* "$dst"/)")
    dz_times+=("$(copy_us "$cli" cp "$src" "$dst" "${name}.AVR" 2>/dev/null)")
  fi
done
rm -rf "$dst"

# Moves, each from a fresh copy of the source made (and synced) untimed.
moved=$work/moved
move_us() {
  rm -rf "$dst" "$moved"
  mkdir -p "$dst"
  cp -r "$src" "$moved"
  sync
  elapsed_us "$@"
}
mv_by_hand() { cp "$moved"/* "$dst"/ && sync "$dst"/* && rm "$moved"/*; }
dz_move_times=()
hand_times=()
for run in $(seq "$runs"); do
  dz_move_times+=("$(move_us "$cli" mv "$moved" "$dst" "${name}.AVR" 2>/dev/null)")
  hand_times+=("$(move_us mv_by_hand)")
done
rm -rf "$dst" "$moved"

echo "copy of a 1 GiB recording (3 parts + companion, $bytes bytes), $runs runs each"
echo "on $(df --output=fstype "$work" | tail -1)"
report_ratio "$bytes" ">= 0.9" "dezadide-cli cp" "cp" "${dz_times[*]}" "${cp_times[*]}"
report_ratio "$bytes" "-" "dezadide-cli cp" "cp + sync" "${dz_times[*]}" "${sync_times[*]}"
report_ratio "$bytes" "-" "dezadide-cli cp --verify" "dezadide-cli cp" "${verify_times[*]}" "${dz_times[*]}"
report_ratio "$bytes" "-" "dezadide-cli cp --verify" "cp + sync" "${verify_times[*]}" "${sync_times[*]}"
report_ratio "$bytes" "-" "dezadide-cli mv" "cp + sync + rm" "${dz_move_times[*]}" "${hand_times[*]}"
