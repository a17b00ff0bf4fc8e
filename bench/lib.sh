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
