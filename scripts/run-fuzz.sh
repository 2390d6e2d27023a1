#!/usr/bin/env bash
# Runs every fuzz target of BUILD (built with -DORTHELEV_BUILD_FUZZ=ON) for
# SECONDS seconds over its seed corpus (fuzz/corpus/NAME), its regression
# inputs (fuzz/regressions/NAME) and the real logs of ../shared/corpus where
# they fit; JOBS targets at a time. New inputs go to a scratch folder, never
# into the committed corpora. Fails when any target reports a finding (the
# input is then kept under BUILD/fuzz-findings/NAME/).
# Usage: scripts/run-fuzz.sh BUILD [SECONDS=30] [JOBS=2] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: run-fuzz.sh BUILD [SECONDS] [JOBS] [TARGET...]}
seconds=${2:-30}
jobs=${3:-2}
shift $(( $# < 3 ? $# : 3 ))
shared=../shared/corpus
# Seconds one input may take: generous, since the machine may be shared.
timeout=${FUZZ_TIMEOUT:-30}
# A fixed seed and at most this many runs make a run repeatable: the same
# build goes through the same inputs (a slower machine through fewer of
# them). FUZZ_SEED=0 gives a new seed every run, for longer local searches.
seed=${FUZZ_SEED:-1}
runs=${FUZZ_RUNS:-20000}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in "$build"/fuzz/*_fuzz; do targets+=("$(basename "$exe" _fuzz)"); done
fi

# Real logs a target also starts from.
extra_dirs() {
  case "$1" in
    log_reader|nmea_file) echo "$shared/nmea" ;;
    csv_file) echo "$shared/csv $shared/pos" ;;
    gpx_file) echo "$shared/gpx" ;;
  esac
}

run_one() {
  local name=$1 exe="$build/fuzz/${1}_fuzz"
  local work="$build/fuzz-work/$name" findings="$build/fuzz-findings/$name"
  rm -rf "$work"; mkdir -p "$work" "$findings" "fuzz/regressions/$name"
  local dirs=("fuzz/corpus/$name" "fuzz/regressions/$name")
  for d in $(extra_dirs "$name"); do [ -d "$d" ] && dirs+=("$d"); done
  # Inputs are small: a buffer of more than 256 MiB or an input running
  # longer than the timeout is a finding.
  if "$exe" -seed="$seed" -runs="$runs" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 -malloc_limit_mb=256 \
       -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" \
       "$work" "${dirs[@]}" > "$build/fuzz-work/$name.log" 2>&1; then
    echo "fuzz $name: ok ($(grep -E '^stat::number_of_executed_units' "$build/fuzz-work/$name.log" |
      awk '{print $2}') runs, $(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$build/fuzz-work/$name.log" | tail -1))"
  else
    echo "fuzz $name: FINDING, see $build/fuzz-work/$name.log and $findings/" >&2
    grep -E 'ERROR|fuzz check failed|runtime error|SUMMARY' "$build/fuzz-work/$name.log" | head -5 >&2
    return 1
  fi
}
export -f run_one extra_dirs
export build seconds shared timeout seed runs

printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {}
