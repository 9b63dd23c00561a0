#!/usr/bin/env bash
# Under X11, docks and task bars match a running window to its launcher by the window's class, which
# the desktop entry names in StartupWMClass: start the program on a virtual X server and compare.
# Usage: window_class_test.sh <program> <desktop entry>
set -euo pipefail
program=$1
desktop_entry=$2

for tool in Xvfb xprop xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (Debian packages xvfb, x11-utils, xdotool)"
    exit 77
  fi
done

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

expected=$(sed -n 's/^StartupWMClass=//p' "$desktop_entry")
[ -n "$expected" ] || fail "$desktop_entry names no StartupWMClass"

work=$(mktemp -d)
server_pid=""
program_pid=""
cleanup() {
  if [ -n "$program_pid" ]; then kill -KILL "$program_pid" 2>/dev/null || true; fi
  if [ -n "$server_pid" ]; then kill -TERM "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/server.log")"
export DISPLAY=":$(head -n 1 "$work/display")"

mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
# libxkbcommon-x11 hands strndup a bounded, unterminated buffer, which is sound but trips the
# sanitizer's strict string checks before the first window exists.
ASAN_OPTIONS=${ASAN_OPTIONS:-}:strict_string_checks=0 \
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=xcb "$program" >"$work/output" 2>&1 &
program_pid=$!

windows=""
for _ in $(seq 300); do
  windows=$(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null || true)
  [ -n "$windows" ] && break
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$windows" ] || fail "the program showed no window: $(cat "$work/output")"

for window in $windows; do
  # WM_CLASS holds the instance name, then the class: WM_CLASS(STRING) = "instance", "class"
  class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = ".*", "\(.*\)"$/\1/p')
  [ "$class" = "$expected" ] ||
    fail "window $window has the class '$class', the desktop entry expects '$expected'"
done
echo "The program's window has the class '$expected' that the desktop entry names."
