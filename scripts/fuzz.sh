#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# then runs each one for a fixed number of executions from its seed corpus (fuzz/README.md), or
# for at most a given number of seconds when that comes first.
# Usage: scripts/fuzz.sh [runs] [seconds per target]   (default 1000000 runs, no time limit)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-1000000}"
seconds="${2:-0}"
targets=(amount_text private_profile version_block history_file help_file)

./scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The private-profile target rewrites a file at every execution: memory keeps that fast.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

for target in "${targets[@]}"; do
  # New inputs go to the first corpus directory, so the seeds under fuzz/corpus stay as written.
  work="build/fuzz/runs/$target"
  mkdir -p "$work/corpus" "$work/artifacts"
  log="$work/log"
  echo "== ${target}_fuzzer: $runs runs"
  start=$SECONDS
  if ! "./build/fuzz/fuzz/${target}_fuzzer" -runs="$runs" -max_total_time="$seconds" \
      -max_len=8192 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
      "$work/corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "${target}_fuzzer failed; full log: $log, failing input in $work/artifacts/" >&2
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^Done |^stat::(number_of_executed_units|peak_rss)' "$log"
  echo "   $((SECONDS - start)) s"
done
