#!/usr/bin/env bash
# Fails when a C++ file that git tracks differs from what the root .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
