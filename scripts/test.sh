#!/usr/bin/env bash
# Builds Chiffrel with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset asan
cmake --build --preset asan
ctest --preset asan "$@"
# A few seconds of each fuzz target as a smoke run: 20000 executions, or 20 s for a target that
# lays out whole documents; CHIFFREL_FUZZ_SMOKE=0 leaves them out.
if [ "${CHIFFREL_FUZZ_SMOKE:-1}" != 0 ]; then
  ./scripts/fuzz.sh 20000 20
fi
