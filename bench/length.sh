#!/usr/bin/env bash
# The length of 1,000 three-part recordings, cold: `dezadide-cli ls --long`
# over their folder against `ffprobe -show_entries format=duration` on each
# recording's same part files (joined by ffprobe's concat: protocol), in the
# same run, the page cache dropped and our facts cache emptied before each.
# Prints both times, their ratio, the bytes each asked the system for per
# recording, and how many lengths differ from ffprobe's by more than 0.1 s.
# Targets: at least 20 x ffprobe; at most 1 MiB read per recording.
#
#   bench/length.sh [FOLDER]   FOLDER: where to make the recordings (default
#                              bench/out/length, kept between runs; about
#                              COUNT x 5 MB)
#   DEZADIDE_CLI=path          the program to time (default: the release
#                              build in build/release, built when missing)
#   COUNT=n                    recordings (default 1000)
#   CLIP_SECONDS=s             length of each recording (default 10)
# Dropping the page cache needs root; without it both run warm, and say so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/lib.sh"
folder=${1:-$root/bench/out/length}
count=${COUNT:-1000}
seconds=${CLIP_SECONDS:-10}

cli=$(bench_cli)
mkdir -p "$folder"
rec=$folder/rec
clip=$folder/clip-$seconds.ts

# One broadcast-like clip: SD MPEG-2 at 4 Mbit/s with Layer II audio.
if [ ! -s "$clip" ]; then
  ffmpeg -nostdin -hide_banner -loglevel error -y -fflags +bitexact \
    -f lavfi -i "testsrc2=size=720x576:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
    -t "$seconds" -vf "noise=alls=20:allf=t" -c:v mpeg2video -b:v 4M -minrate 4M -maxrate 4M \
    -bufsize 1835k -g 12 -bf 2 -aspect 16:9 -c:a mp2 -b:a 192k -ac 2 -muxrate 4600k \
    -f mpegts "$clip"
  rm -rf "$rec"
fi

# COUNT recordings, each its own files (a cold read must reach the disk for
# every one): the clip cut into three parts at packet boundaries, each part
# a 134-byte header whose stream offset is 134, and a companion head saying
# three parts. Written by one process: thousands of forks would take longer.
if [ "$(find "$rec" -maxdepth 1 -name '*.AVR' 2>/dev/null | wc -l)" -ne $((count * 3)) ]; then
  rm -rf "$rec"
  mkdir -p "$rec"
  perl -e '
    my ($clip, $dir, $count) = @ARGV;
    open(my $in, "<", $clip) or die; binmode $in; local $/; my $ts = <$in>; close $in;
    my $packets = int(length($ts) / 188);
    my $per = int($packets / 3);
    my @parts = (substr($ts, 0, $per * 188), substr($ts, $per * 188, $per * 188),
                 substr($ts, 2 * $per * 188, ($packets - 2 * $per) * 188));
    my $header = "\0" x 134;
    substr($header, 8, 2) = pack("n", 134);
    my $total = 0;
    $total += 134 + length($_) for @parts;
    my $head = "\0" x 8008;
    substr($head, 1740, 2) = pack("n", 3);
    substr($head, 1744, 8) = pack("Q>", $total);
    for my $i (0 .. $count - 1) {
      my $base = sprintf("%s/REC%05d_#%%03d_200612241930", $dir, $i);
      for my $p (1 .. 3) {
        open(my $f, ">", sprintf($base, $p) . ".AVR") or die; binmode $f;
        print $f $header, $parts[$p - 1]; close $f;
      }
      open(my $f, ">", sprintf($base, 1) . ".AVF") or die; binmode $f;
      print $f $head; close $f;
    }' "$clip" "$rec" "$count"
  sync
fi

cold=yes
drop_caches() {
  sync
  if ! { echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; then
    cold="no (cannot drop the page cache: not root)"
  fi
}
# Runs a command under a shell that then prints what it and its children
# read: rchar (bytes asked of read calls) and read_bytes (from the disk).
# Output: "MICROSECONDS RCHAR READ_BYTES".
measured() {
  local out=$1
  shift
  local t0 t1 io
  t0=$(date +%s%N)
  io=$(bash -c '"$@" >"$0"; grep -E "^(rchar|read_bytes):" /proc/$$/io' "$out" "$@")
  t1=$(date +%s%N)
  echo "$(((t1 - t0) / 1000)) $(echo "$io" | awk '/^rchar/ { r = $2 } /^read_bytes/ { b = $2 } END { print r, b }')"
}

ours_out=$folder/ours.txt
theirs_out=$folder/theirs.txt
probe_all() {
  local p1
  for p1 in "$rec"/*_#001_*.AVR; do
    ffprobe -v error -show_entries format=duration -of csv=p=0 \
      "concat:$p1|${p1/_#001_/_#002_}|${p1/_#001_/_#003_}" || echo "?"
  done
}

export XDG_CACHE_HOME=$folder/cache
rm -rf "$XDG_CACHE_HOME"
drop_caches
read -r dz_us dz_rchar dz_disk < <(measured "$ours_out" "$cli" ls --long "$rec")
# The same again with our cache filled: what a second visit costs.
drop_caches
read -r dz2_us dz2_rchar dz2_disk < <(measured "$folder/ours2.txt" "$cli" ls --long "$rec")
# The list alone, as cold: what a listing costs without any length.
drop_caches
read -r ls_us ls_rchar ls_disk < <(measured "$folder/plain.txt" "$cli" ls "$rec")
export -f probe_all
export rec
drop_caches
read -r ff_us ff_rchar ff_disk < <(measured "$theirs_out" bash -c probe_all)

[ "$(wc -l <"$ours_out")" -eq "$count" ] || { echo "dezadide-cli listed $(wc -l <"$ours_out") of $count recordings" >&2; exit 1; }

# Every length against ffprobe's: H:MM:SS of ours is whole seconds, so the
# check is that ffprobe's duration rounds to it.
differ=$(paste <(cut -f5 "$ours_out") "$theirs_out" | awk -F'\t' '
  { split($1, t, ":"); ours = t[1] * 3600 + t[2] * 60 + t[3];
    if ($2 == "?" || (ours - $2) > 0.5 + 0.1 || ($2 - ours) > 0.5 + 0.1) n++ }
  END { print n + 0 }')
lengths=$(cut -f5 "$ours_out" | sort | uniq -c | awk '{ printf "%s x %s ", $1, $2 }')
probed=$(sort "$theirs_out" | uniq -c | awk '{ printf "%s x %s s ", $1, $2 }')

echo "length of $count recordings of 3 parts ($(du -sh "$rec" | cut -f1)), cold page cache: $cold"
echo "dezadide-cli ls --long:  $((dz_us / 1000)) ms, $((dz_rchar / count)) bytes read per recording ($((dz_disk / count)) from the disk); lengths: $lengths"
echo "  second visit (cached): $((dz2_us / 1000)) ms, $((dz2_rchar / count)) bytes read per recording"
echo "  the list without --long: $((ls_us / 1000)) ms, $((ls_rchar / count)) bytes read per recording"
echo "ffprobe (concat: parts): $((ff_us / 1000)) ms, $((ff_rchar / count)) bytes read per recording ($((ff_disk / count)) from the disk); durations: $probed"
awk -v d="$dz_us" -v f="$ff_us" 'BEGIN { printf "ratio ffprobe / dezadide-cli: %.1f (target >= 20)\n", f / d }'
awk -v r="$dz_rchar" -v n="$count" 'BEGIN { printf "bytes read per recording: %.2f MiB (target <= 1)\n", r / n / 1048576 }'
echo "lengths more than 0.1 s from ffprobe's: $differ"
