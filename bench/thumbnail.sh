#!/usr/bin/env bash
# Takes one picture of a recording with `dezadide-cli thumbnail --at T` and
# with `ffmpeg -ss T -i X -frames:v 1 out.png` on the same stream in the same
# run, input in the page cache, and prints the time of both and their ratio:
# an SD MPEG-2 stream (720x576 at 6 Mbit/s with Layer II audio) and an HD
# H.264 stream (1280x720), each 60 s, the picture a tenth of the way in at
# the picture's full width.
#
#   bench/thumbnail.sh [FOLDER]  FOLDER: where to work (default: a new folder
#                                under /tmp, removed afterwards); needs ~100 MB.
#                                A FOLDER keeps the generated streams for the next run.
#   DEZADIDE_CLI=path            the program to time (default: the release
#                                build in build/release, built when missing)
#   RUNS=n                       timed runs of each command (default 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/lib.sh"
runs=${RUNS:-5}

cli=$(bench_cli)

bench_work thumbnail "$@"

ff=(ffmpeg -nostdin -hide_banner -loglevel error -y)
tone=(-f lavfi -i "sine=frequency=440:sample_rate=48000")
make_stream() {
  local out=$1
  shift
  [ -s "$out" ] && return
  echo "making $(basename "$out") (a minute or so)..." >&2
  "${ff[@]}" "$@" -t 60 -f mpegts "$out.part" && mv "$out.part" "$out"
}
make_stream "$work/sd.ts" -f lavfi -i "testsrc2=size=720x576:rate=25" "${tone[@]}" \
  -vf "noise=alls=30:allf=t" -c:v mpeg2video -b:v 6M -maxrate 6M -bufsize 1835k -g 12 -bf 2 \
  -aspect 4:3 -c:a mp2 -b:a 192k
make_stream "$work/hd.ts" -f lavfi -i "testsrc2=size=1280x720:rate=25" "${tone[@]}" \
  -c:v libx264 -preset veryfast -profile:v high -pix_fmt yuv420p -g 50 -b:v 6M -c:a mp2 -b:a 192k

# The recorder's part: a 134-byte part header whose stream offset (bytes 8-9)
# is 134, then the stream. Without a companion it is read as one file.
part_header() { head -c 8 /dev/zero; printf '\x00\x86'; head -c 124 /dev/zero; }

bench_one() {
  local name=$1 width=$2
  local ts=$work/$name.ts part=$work/${name^^}_#001_200612241930.AVR
  if [ "$(stat -c %s "$part" 2>/dev/null || echo 0)" -ne $(($(stat -c %s "$ts") + 134)) ]; then
    { part_header; cat "$ts"; } >"$part"
  fi
  cat "$part" "$ts" >/dev/null # into the page cache
  local duration at
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$ts")
  at=$(awk -v d="$duration" 'BEGIN { printf "%.2f", d / 10 }')
  ours() { "$cli" thumbnail "$part" "$work/ours.png" --at "$at" --width "$width"; }
  theirs() { "${ff[@]}" -ss "$at" -i "$ts" -frames:v 1 "$work/theirs.png"; }
  # A fast wrong picture is worth nothing: ffprobe must read ours as a PNG
  # of the asked width.
  ours >/dev/null
  local got
  got=$(ffprobe -v error -show_entries stream=width -of csv=p=0 "$work/ours.png")
  [ "$got" = "$width" ] || { echo "$name: our picture is $got wide, not $width" >&2; exit 1; }
  local -a dz=() other=()
  for run in $(seq "$runs"); do
    if [ $((run % 2)) -eq 1 ]; then
      dz+=("$(elapsed_us ours)")
      other+=("$(elapsed_us theirs)")
    else
      other+=("$(elapsed_us theirs)")
      dz+=("$(elapsed_us ours)")
    fi
  done
  local dz_best dz_median other_best other_median
  dz_best=$(best "${dz[@]}")
  dz_median=$(median "${dz[@]}")
  other_best=$(best "${other[@]}")
  other_median=$(median "${other[@]}")
  echo "$name: a picture at $at s of a ${duration%.*} s stream, $width wide, $runs runs each"
  awk -v db="$dz_best" -v dm="$dz_median" -v ob="$other_best" -v om="$other_median" 'BEGIN {
    printf "  dezadide-cli thumbnail: best %.1f ms, median %.1f ms\n", db / 1000, dm / 1000
    printf "  ffmpeg -ss -frames:v 1: best %.1f ms, median %.1f ms\n", ob / 1000, om / 1000
    printf "  ratio (ffmpeg time / ours): best %.2f, median %.2f\n", ob / db, om / dm
  }'
}

bench_one sd 720
bench_one hd 1280
