#!/usr/bin/env bash
# Starts the program on a virtual X server, with a private D-Bus session and its accessibility
# bus, as a screen reader's user has it, and walks it through AT-SPI (screen_reader_walk.py).
# Usage: screen_reader_walk_test.sh <program> <source directory>
set -euo pipefail
walk=$(cd "$(dirname "$0")" && pwd)/screen_reader_walk.py
launcher=/usr/libexec/at-spi-bus-launcher
for tool in Xvfb xdpyinfo xdotool dbus-run-session "$launcher"; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: no $tool (scripts/install-deps.sh)"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIPPED: no python3-pyatspi"; exit 77; }

work=$(mktemp -d)
server_pid=""
trap '[ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT

# A display number of its own, far above the ones that servers choosing for themselves reuse as
# soon as they are freed; another is tried when it is taken. The server writes the number once it
# accepts clients.
display=""
for _ in $(seq 20); do
  number=$((64 + RANDOM % 900))
  Xvfb ":$number" -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  server_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] || ! kill -0 "$server_pid" 2>/dev/null && break
    sleep 0.1
  done
  xdpyinfo -display ":$number" >/dev/null 2>&1 && display=":$number" && break
  kill "$server_pid" 2>/dev/null || true
  server_pid=""
done
[ -n "$display" ] || { echo "FAIL: Xvfb did not start" >&2; exit 1; }

# In the session: the accessibility bus first, then the walk, which starts the program.
mkdir -m 700 "$work/runtime"
cd "$work"
# libxkbcommon-x11 hands strndup a bounded, unterminated buffer, which is sound but trips the
# sanitizer's strict string checks before the first window exists.
DISPLAY="$display" HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
  QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  ASAN_OPTIONS=${ASAN_OPTIONS:-}:strict_string_checks=0 dbus-run-session -- bash -c \
  '"$0" --launch-immediately & bus=$!; "$@"; status=$?; kill "$bus"; exit "$status"' \
  "$launcher" /usr/bin/python3 "$walk" "$1" "$2" \
  2> >(grep -v 'Failed to set fd limit' >&2)
