#!/usr/bin/env bash
# Builds the optimised benchmarks and runs them; extra arguments go to Google Benchmark. Last, the
# program's start-up on an X server beside a bare Qt window: exec to the first mapped window and
# memory at the map, side by side, as ratios (scripts/measure-startup.sh, without its comparison
# program and idle measurement).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target engine_bench startup_bench
./build/bench/bench/engine_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
./build/bench/bench/startup_bench
./scripts/measure-startup.sh --no-peer --no-idle --runs 11
