#!/usr/bin/env bash
# Converts a >= 300 MB transport stream (MPEG-2 video at 6 Mbit/s, MPEG-1
# Layer II audio) to a program stream with `dezadide-cli convert` and with
# `ffmpeg -c copy -f vob` in the same run, input in the page cache, and
# prints the MB/s of both, their ratio, and the peak memory of ours against
# a run of ours on an empty part.
# Targets: at least 2 x ffmpeg's throughput; peak memory within 16 MiB of
# the empty run (the converter streams: memory must not grow with the input).
#
#   bench/convert.sh [FOLDER]  FOLDER: where to work (default: a new folder
#                              under /tmp, removed afterwards); needs ~1.2 GB.
#                              A FOLDER keeps the generated stream for the next run.
#   DEZADIDE_CLI=path          the program to time (default: the release
#                              build in build/release, built when missing)
#   RUNS=n                     timed runs of each command (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/lib.sh"
runs=${RUNS:-3}
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

cli=$(bench_cli)

bench_work convert "$@"
ts=$work/bench.ts
part=$work/BENCH_#001_200612241930.AVR
empty=$work/EMPTY_#001_200612241930.AVR

if [ ! -s "$ts" ]; then
  echo "making the stream (a minute or two)..." >&2
  "$root/tests/fixtures/make_clips.sh" --bench "$work" >/dev/null
fi
# The recorder's part: a 134-byte part header whose stream offset (bytes 8-9)
# is 134, then the stream. Without a companion it converts as one file.
part_header() { head -c 8 /dev/zero; printf '\x00\x86'; head -c 124 /dev/zero; }
if [ "$(stat -c %s "$part" 2>/dev/null || echo 0)" -ne $(($(stat -c %s "$ts") + 134)) ]; then
  { part_header; cat "$ts"; } >"$part"
fi
part_header >"$empty"
bytes=$(stat -c %s "$ts")
cat "$part" "$ts" >/dev/null # into the page cache

# One timed run in microseconds; the previous output is removed and the
# disk written back first, so that neither command pays for the other.
run_us() {
  rm -f "$work"/out.*
  sync
  elapsed_us "$@" 2>/dev/null
}
ours() { "$cli" convert "$part" "$work/out.mpg"; }
theirs() { ffmpeg -nostdin -v error -y -i "$ts" -c copy -f vob "$work/out.vob"; }

# A fast wrong output is worth nothing: ffprobe must read ours as MPEG-PS
# with video and audio and about the input's duration.
ours >/dev/null 2>&1
probe() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
in_duration=$(probe "$ts")
out_duration=$(probe "$work/out.mpg")
streams=$(ffprobe -v error -show_entries stream=codec_name -of default=nw=1:nk=1 "$work/out.mpg" | paste -sd+)
awk -v a="$in_duration" -v b="$out_duration" 'BEGIN { exit !(b > a - 1 && b < a + 1) }' ||
  { echo "output duration $out_duration s, input $in_duration s" >&2; exit 1; }

dz_times=()
ff_times=()
for run in $(seq "$runs"); do
  # Alternate which goes first, so that neither always meets the warmer machine.
  if [ $((run % 2)) -eq 1 ]; then
    dz_times+=("$(run_us ours)")
    ff_times+=("$(run_us theirs)")
  else
    ff_times+=("$(run_us theirs)")
    dz_times+=("$(run_us ours)")
  fi
done

# The empty part ends "Convert Canceled" (exit 1): its status is not the point.
peak_kib() { { /usr/bin/time -v "$@" 2>&1 >/dev/null || true; } | awk -F': ' '/Maximum resident/ { print $2 }'; }
peak=$(peak_kib "$cli" convert "$part" "$work/out.mpg")
peak_empty=$(peak_kib "$cli" convert "$empty" "$work/out.mpg")
rm -f "$work"/out.*


echo "TS -> PS of a $bytes-byte stream ($in_duration s; output $out_duration s: $streams), $runs runs each"
report_ratio "$bytes" ">= 2" "dezadide-cli convert" "ffmpeg -c copy -f vob" "${dz_times[*]}" "${ff_times[*]}"
awk -v p="$peak" -v e="$peak_empty" \
  'BEGIN { printf "peak memory: %.1f MiB, empty run %.1f MiB, difference %.1f MiB (target <= 16)\n",
           p / 1024, e / 1024, (p - e) / 1024 }'
