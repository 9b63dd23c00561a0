#!/usr/bin/env bash
# Pictures of every window of Chiffrel as a user opens them, to compare two builds pixel for pixel.
#
#   ./scripts/capture-windows.sh [--program PATH] DIR       takes the pictures into DIR
#   ./scripts/capture-windows.sh --compare DIR1 DIR2        compares two such sets; exits 1 on a
#                                                           difference
#
# The program runs on its own Xvfb screen (1024x768, no window manager), with a fresh HOME, the
# local time frozen at 10:08:30 (so that the clock's hands stand still) and its executable dated
# 1 January 2026 (the about box shows that date). It is driven from the keyboard: the first painted
# window, an amount on each tab, the menus, each page of the configuration dialog, the about box,
# the history window and the help window. Each state is taken three times, a third of a second
# apart, as a text cursor blinks: two sets match when, for every state, one picture of each is the
# same to the pixel. Needs faketime (apt-get install faketime).
set -euo pipefail
cd "$(dirname "$0")/.."

compare_sets() {  # dir1 dir2
  local state differing=0 best a b n
  for state in $(ls "$1" | sed -n 's/-[abc]\.png$//p' | sort -u); do
    best=""
    for a in "$1/$state"-?.png; do
      for b in "$2/$state"-?.png; do
        [ -f "$b" ] || continue
        n=$(compare -metric AE "$a" "$b" null: 2>&1 || true)
        if [ -z "$best" ] || [ "${n%% *}" -lt "$best" ] 2>/dev/null; then best=${n%% *}; fi
      done
    done
    printf '%-28s %s\n' "$state" "${best:-missing}"
    [ "$best" = 0 ] || differing=$((differing + 1))
  done
  echo "$differing state(s) differ"
  [ "$differing" -eq 0 ]
}

if [ "${1:-}" = --compare ]; then
  compare_sets "$2" "$3"
  exit
fi

program=""
if [ "${1:-}" = --program ]; then
  program=$(realpath "$2")
  shift 2
fi
out=$(realpath -m "${1:?usage: $0 [--program PATH] DIR}")
if [ -z "$program" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target chiffrel
  program=$PWD/build/release/mainwin/chiffrel
fi
faketime=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
[ -f "$faketime" ] || { echo "needs faketime: apt-get install faketime" >&2; exit 2; }
mkdir -p "$out"

work=$(mktemp -d /tmp/chiffrel-capture.XXXXXX)
xvfb_pid=""
program_pid=""
cleanup() {
  for pid in $program_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The program with its files, dated alike for every build.
cp "$program" "$(dirname "$program")"/{history.txt,chiffrel.hlp} "$work/"
touch -d '2026-01-01 12:00:00' "$work/chiffrel"

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/displayfd" 2>/dev/null &
xvfb_pid=$!
read -r display_number <"$work/displayfd"
export DISPLAY=:$display_number

mkdir -p "$work/home/.config" "$work/home/runtime"
chmod 700 "$work/home/runtime"
env -i HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/home/runtime" \
  DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 PATH=/usr/bin:/bin \
  LD_PRELOAD="$faketime" FAKETIME='2026-12-08 10:08:30' FAKETIME_DONT_FAKE_MONOTONIC=1 \
  "$work/chiffrel" \
  >"$work/program.log" 2>&1 &
program_pid=$!

windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null || true; }
wait_for_windows() {  # count
  local tries
  for ((tries = 0; tries < 100; tries++)); do
    [ "$(windows | wc -l)" -ge "$1" ] && return 0
    sleep 0.1
  done
  echo "expected $1 window(s): $(cat "$work/program.log")" >&2
  return 1
}

# The screen, three times.
shot() {  # state
  local take
  sleep 0.4
  for take in a b c; do
    import -window root "$out/$1-$take.png"
    sleep 0.33
  done
}

keys() { xdotool key --delay 60 "$@"; }

wait_for_windows 1
shot start
xdotool type --delay 60 '1234.5'
shot vat
keys F6
xdotool type --delay 60 '7'
shot operations
keys F7
shot conversion
keys F8
shot teg
# Escape closes a menu; Alt alone then leaves the menu bar.
keys F5 alt+f
shot menu-files
keys Escape alt alt+o
shot menu-tabs
keys Escape alt ctrl+c
wait_for_windows 2
shot config-page1
for page in 2 3 4; do
  keys ctrl+Tab
  shot "config-page$page"
done
keys Escape
sleep 0.3
keys alt+f Right Right
shot menu-help
keys p
wait_for_windows 2
shot about
keys Escape
sleep 0.3
keys alt+f Right Right h
wait_for_windows 2
shot history
keys Escape
sleep 0.3
keys F1
wait_for_windows 2
shot help
echo "pictures in $out"
