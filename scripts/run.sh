#!/usr/bin/env bash
# Builds Chiffrel (optimised) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target chiffrel
# Qt needs a UTF-8 locale: in one without it (LANG unset on a new system) it takes C.UTF-8's
# character type itself, with a notice; the program starts with that at once.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_CTYPE=C.UTF-8
exec ./build/release/mainwin/chiffrel "$@"
