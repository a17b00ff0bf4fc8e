# Shared by the benchmark scripts (sourced, not run; they set root first).

# The program to time: DEZADIDE_CLI, else the release build, built when missing.
bench_cli() {
  local cli=${DEZADIDE_CLI:-$root/build/release/src/dezadide-cli}
  if [ ! -x "$cli" ]; then
    (cd "$root" && cmake --preset release >/dev/null &&
      cmake --build --preset release --target dezadide-cli) >&2
  fi
  echo "$cli"
}

# Runs a command, its output discarded, and prints its wall time in
# microseconds.
elapsed_us() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000))
}

# Smallest and middle of a list of numbers.
best() { printf '%s\n' "$@" | sort -n | head -1; }
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# MB/s of BYTES moved in US microseconds.
mbs() { awk -v b="$1" -v us="$2" 'BEGIN { printf "%.0f", b / us }'; }

# Prints best and median MB/s of ours and of the peer, and their ratios.
# report_ratio BYTES TARGET OUR_LABEL PEER_LABEL "OUR_US..." "PEER_US..."
report_ratio() {
  local bytes=$1 target=$2 ours=$3 peer=$4
  local -a dz=($5) other=($6)
  local dz_best other_best dz_median other_median
  dz_best=$(best "${dz[@]}")
  other_best=$(best "${other[@]}")
  dz_median=$(median "${dz[@]}")
  other_median=$(median "${other[@]}")
  printf '%-22s best %s MB/s, median %s MB/s\n' "$ours:" "$(mbs "$bytes" "$dz_best")" "$(mbs "$bytes" "$dz_median")"
  printf '%-22s best %s MB/s, median %s MB/s\n' "$peer:" "$(mbs "$bytes" "$other_best")" "$(mbs "$bytes" "$other_median")"
  awk -v d="$dz_best" -v o="$other_best" -v dm="$dz_median" -v om="$other_median" \
    -v t="$target" -v n="$ours / $peer" \
    'BEGIN { printf "ratio %s: best %.2f, median %.2f (target %s)\n", n, o / d, om / dm, t }'
}

# The folder a benchmark works in: the one given (kept for the next run), or
# a new one under /tmp removed when the script ends. Sets $work.
#   bench_work NAME [FOLDER]
bench_work() {
  if [ $# -ge 2 ]; then
    work=$2
    mkdir -p "$work"
  else
    work=$(mktemp -d "/tmp/dezadide-bench-$1.XXXXXX")
    trap 'rm -rf "$work"' EXIT
  fi
}
