#!/usr/bin/env bash
# Starts the program on a virtual X server, with a private D-Bus session and its accessibility
# bus, as a screen reader's user has it, and walks it through AT-SPI (screen_reader_walk.py).
# Usage: screen_reader_walk_test.sh <program> <source directory>
set -euo pipefail
program=$1
source_dir=$2
here=$(cd "$(dirname "$0")" && pwd)

launcher=/usr/libexec/at-spi-bus-launcher
python=/usr/bin/python3
for tool in Xvfb xdpyinfo xdotool dbus-run-session "$launcher" "$python"; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (Debian packages xvfb, x11-utils, xdotool, dbus, at-spi2-core)"
    exit 77
  fi
done
if ! "$python" -c 'import pyatspi' 2>/dev/null; then
  echo "SKIPPED: the AT-SPI client for Python is not installed (Debian package python3-pyatspi)"
  exit 77
fi

work=$(mktemp -d)
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill -TERM "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# A display number of its own, far above the ones that servers choosing for themselves reuse as
# soon as they are freed; another is tried when it is taken. The server writes the number once it
# accepts clients.
display=""
for _ in $(seq 20); do
  number=$((64 + RANDOM % 900))
  rm -f "$work/display"
  Xvfb ":$number" -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" \
    2>"$work/server.log" &
  server_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -s "$work/display" ] && xdpyinfo -display ":$number" >/dev/null 2>&1; then
    display=":$number"
    break
  fi
  kill -TERM "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
done
if [ -z "$display" ]; then
  echo "FAIL: Xvfb did not start: $(cat "$work/server.log")" >&2
  exit 1
fi

mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
# The session's own script: the accessibility bus, then the walk, which starts the program.
cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -u
"$LAUNCHER" --launch-immediately >"$WORK/bus.log" 2>&1 &
bus_pid=$!
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  "$PYTHON" "$HERE/screen_reader_walk.py" "$PROGRAM" "$SOURCE_DIR" 2>"$WORK/program.log"
status=$?
kill -TERM "$bus_pid" 2>/dev/null
wait "$bus_pid" 2>/dev/null
if [ "$status" -ne 0 ]; then
  echo "--- program output:"
  cat "$WORK/program.log"
fi
exit "$status"
SESSION
chmod +x "$work/session.sh"

cd "$work/home"
# libxkbcommon-x11 hands strndup a bounded, unterminated buffer, which is sound but trips the
# sanitizer's strict string checks before the first window exists.
DISPLAY="$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_RUNTIME_DIR="$work/runtime" ASAN_OPTIONS=${ASAN_OPTIONS:-}:strict_string_checks=0 \
  WORK="$work" LAUNCHER="$launcher" PROGRAM="$program" PYTHON="$python" HERE="$here" \
  SOURCE_DIR="$source_dir" dbus-run-session -- "$work/session.sh" 2>"$work/session.log" || {
  status=$?
  grep -v 'Failed to set fd limit' "$work/session.log" >&2 || true
  exit "$status"
}
