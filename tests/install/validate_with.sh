#!/usr/bin/env bash
# Runs a desktop metadata validator, or reports the test skipped (status 77) when the validator is
# not installed. Usage: validate_with.sh <Debian package> <validator> <arguments...>
set -euo pipefail
package=$1
shift
if ! command -v "$1" >/dev/null; then
  echo "SKIPPED: $1 is not installed (Debian package $package; scripts/install-deps.sh installs it)"
  exit 77
fi
exec "$@"
