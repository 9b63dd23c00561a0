#!/usr/bin/env bash
# Installs the build tree into a scratch prefix and starts the installed program by its name on
# the PATH under a virtual X server, where a desktop sees it:
# - its window's class is the one the desktop entry names in StartupWMClass, which docks and task
#   bars use to match the running window to its launcher;
# - its window carries the program's icon;
# - showing it loads no image-format plugin: its pictures are PNG, which Qt reads by itself;
# - F1 opens the help, which the program reads from its own directory behind the launcher's link;
# - each window carries its own title alone, the dialogs too: nothing appended to it.
# Usage: installed_program_x11_test.sh <cmake> <build directory> <desktop entry>
set -euo pipefail
cmake_command=$1
build_dir=$2
desktop_entry=$3

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

expected_class=$(sed -n 's/^StartupWMClass=//p' "$desktop_entry")
[ -n "$expected_class" ] || fail "$desktop_entry names no StartupWMClass"

work=$(mktemp -d)
server_pid=""
program_pid=""
cleanup() {
  if [ -n "$program_pid" ]; then kill -KILL "$program_pid" 2>/dev/null || true; fi
  if [ -n "$server_pid" ]; then kill -TERM "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

prefix=$work/prefix
"$cmake_command" --install "$build_dir" --prefix "$prefix" >/dev/null

# The server picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/server.log")"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cd "$work/home"
# libxkbcommon-x11 hands strndup a bounded, unterminated buffer, which is sound but trips the
# sanitizer's strict string checks before the first window exists.
ASAN_OPTIONS=${ASAN_OPTIONS:-}:strict_string_checks=0 \
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
  PATH="$prefix/bin:$PATH" QT_QPA_PLATFORM=xcb chiffrel >"$work/output" 2>&1 &
program_pid=$!

# Prints the program's visible windows whose title matches the pattern, once there is one.
wait_for_window() {
  local windows=""
  for _ in $(seq 300); do
    windows=$(xdotool search --all --onlyvisible --pid "$program_pid" --name "$1" 2>/dev/null || true)
    [ -n "$windows" ] && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "$windows"
}

main_window=$(wait_for_window '^Chiffrel$' | head -n 1)
[ -n "$main_window" ] || fail "the program showed no main window: $(cat "$work/output")"

# WM_CLASS holds the instance name, then the class: WM_CLASS(STRING) = "instance", "class"
class=$(xprop -id "$main_window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = ".*", "\(.*\)"$/\1/p')
[ "$class" = "$expected_class" ] ||
  fail "the main window has the class '$class', the desktop entry expects '$expected_class'"

icon=$(xprop -id "$main_window" _NET_WM_ICON)
[[ $icon == "_NET_WM_ICON(CARDINAL) = "* ]] || fail "the main window carries no icon: $icon"

plugins=$(grep -o '[^/]*/imageformats/[^ ]*' "/proc/$program_pid/maps" | sort -u || true)
[ -z "$plugins" ] || fail "showing the main window loaded image-format plugins: $plugins"

# Without its help file beside it the program answers F1 with an error box instead.
help_window=""
for _ in $(seq 3); do
  xdotool windowfocus --sync "$main_window" key F1
  help_window=$(wait_for_window '^Aide de Chiffrel$')
  [ -n "$help_window" ] && break
done
[ -n "$help_window" ] || fail "F1 did not open the help: $(cat "$work/output")"

# The title a desktop shows: _NET_WM_NAME, in full (Qt cuts WM_NAME to Latin-1).
shown_title() {
  xprop -id "$1" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'
}
[ "$(shown_title "$main_window")" = Chiffrel ] ||
  fail "the main window shows '$(shown_title "$main_window")'"
# The titles of the program's windows other than the main window and the help.
dialog_titles() {
  for window in $(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null || true); do
    [ "$window" = "$main_window" ] || [ "$window" = "$help_window" ] || shown_title "$window"
  done
}
# Ctrl+C opens the configuration dialog, the third menu's last item the about box.
for dialog in "ctrl+c:Configuration" "alt+f Right Right p:A propos de La Chiffrel..."; do
  # shellcheck disable=SC2086 # the keys are separate words
  xdotool windowfocus --sync "$main_window" key --delay 100 ${dialog%%:*}
  for _ in $(seq 100); do [ -n "$(dialog_titles)" ] && break; sleep 0.1; done
  [ "$(dialog_titles)" = "${dialog#*:}" ] ||
    fail "the dialog shows '$(dialog_titles)' instead of '${dialog#*:}'"
  xdotool key Escape
  for _ in $(seq 100); do [ -z "$(dialog_titles)" ] && break; sleep 0.1; done
done
echo "The installed program shows its window as '$expected_class', with its icon and no image" \
  "plugin, its help, and each window under its own title."
