#!/usr/bin/env bash
# Builds Chiffrel (optimised) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target chiffrel
exec ./build/release/mainwin/chiffrel "$@"
