#!/usr/bin/env bash
# Lists a folder of 10,000 recordings (3 parts and a companion each, 40,000
# files) with `dezadide-cli ls` and with `ls -l` in the same run, and prints
# both times and their ratio. Target: dezadide-cli at most 3 x `ls -l`.
#
#   bench/list.sh [FOLDER]     FOLDER: where to make the recordings (default
#                              bench/out/list, kept between runs)
#   DEZADIDE_CLI=path          the program to time (default: the release
#                              build in build/release, built when missing)
#   RUNS=n                     timed runs of each command (default 15)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/lib.sh"
folder=${1:-$root/bench/out/list}
runs=${RUNS:-15}
count=10000

cli=$(bench_cli)

# The recordings: small parts and an 8,008-byte companion whose head says 3
# parts. Made once by one process; 40,000 forks would take longer than the bench.
if [ "$(find "$folder" -maxdepth 1 -type f 2>/dev/null | wc -l)" -ne $((count * 4)) ]; then
  rm -rf "$folder"
  mkdir -p "$folder"
  perl -e '
    my ($dir, $count) = @ARGV;
    for my $i (0 .. $count - 1) {
      my $base = sprintf("%s/REC%05d_#%%03d_2006122419%02d", $dir, $i, $i % 60);
      for my $p (1 .. 3) {
        open(my $f, ">", sprintf($base, $p) . ".AVR") or die; binmode $f;
        print $f "\0" x 1880; close $f;
      }
      my $head = "\0" x 8008;
      substr($head, 1740, 2) = pack("n", 3);
      substr($head, 1744, 8) = pack("Q>", 3 * 1880 + $i);
      open(my $f, ">", sprintf($base, 1) . ".AVF") or die; binmode $f;
      print $f $head; close $f;
    }' "$folder" "$count"
fi

rows=$("$cli" ls "$folder" | wc -l)
[ "$rows" -eq "$count" ] || { echo "dezadide-cli listed $rows rows, expected $count" >&2; exit 1; }

# Best of n runs in microseconds, after one warm-up run that fills the caches.
best_us() {
  "$@" >/dev/null
  local best=
  for _ in $(seq "$runs"); do
    local ms
    ms=$(elapsed_us "$@")
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 2 --runs "$runs" "$cli ls $folder" "ls -l $folder" || true
fi
cli_us=$(best_us "$cli" ls "$folder")
ls_us=$(best_us ls -l "$folder")
awk -v c="$cli_us" -v l="$ls_us" -v n="$count" 'BEGIN {
  printf "folder of %d recordings (%d files)\n", n, n * 4
  printf "dezadide-cli ls : %8.1f ms (best of runs)\n", c / 1000
  printf "ls -l           : %8.1f ms (best of runs)\n", l / 1000
  printf "ratio           : %8.2f x (target <= 3)\n", c / l
}'
