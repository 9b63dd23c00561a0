#!/usr/bin/env bash
# Builds the optimised benchmarks and runs them; extra arguments go to Google Benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target engine_bench startup_bench
./build/bench/bench/engine_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
./build/bench/bench/startup_bench
