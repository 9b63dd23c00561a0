#!/usr/bin/env bash
# Chiffrel under a reparenting window manager (openbox), started many times: does the program know
# where its window is?
#
# What it checks, at every start
#   1. Alt+F drops the "Fichiers" menu under its title, inside the window's top strip, rather than
#      where the program would put it if it believed its window were somewhere else (a program that
#      believes it sits at (0,0) drops its menus at the screen's top-left corner).
#   2. A drag of the caption strip by (50,30) moves the window by (50,30), within 3 pixels; the
#      window manager moves it from where the program says the pointer was pressed, so a wrong
#      belief throws the window elsewhere.
#   3. Alt+F again, after the drag: the menu follows the window.
#
# How
#   - One Xvfb (1280x1024x24, never reset between clients). Before each start a fresh openbox is started and the program waits
#     until it manages the screen (the root's _NET_SUPPORTING_WM_CHECK names a live window).
#   - The program starts with a fresh HOME and XDG directories, LANG=C.UTF-8, QT_QPA_PLATFORM=xcb;
#     the checks wait until openbox has made its window the active one.
#   - Keys and the pointer come from xdotool (XTEST); the true positions from xwininfo, which asks
#     the X server, whatever the program believes.
#   It takes about two seconds a start: too slow and too dependent on the machine's load for the
#   test suite, so it is run by hand after a change of the main window, its caption or its flags.
#
# Run
#   ./scripts/check-window-manager.sh [--runs N] [--program PATH] [--screenshots DIR]
#   --runs        starts (default 50)
#   --program     the executable to check (default: the optimised build, built first)
#   --screenshots keeps a picture of the screen with the menu open at each start's first check
#   Prints one line a start and a summary; exits 1 when any check failed.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C

runs=50
program=""
screenshots=""
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --program) program=$(realpath "$2"); shift 2 ;;
    --screenshots) screenshots=$(realpath -m "$2"); shift 2 ;;
    *) echo "usage: $0 [--runs N] [--program PATH] [--screenshots DIR]" >&2; exit 2 ;;
  esac
done

./scripts/install-deps.sh
if [ -z "$program" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target chiffrel
  program=$PWD/build/release/mainwin/chiffrel
fi
if [ -n "$screenshots" ]; then mkdir -p "$screenshots"; fi

work=$(mktemp -d /tmp/chiffrel-wm.XXXXXX)
xvfb_pid=""
wm_pid=""
program_pid=""
stop() {  # pid
  if [ -n "$1" ]; then
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}
cleanup() {
  stop "$program_pid"
  stop "$wm_pid"
  stop "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/displayfd" 2>"$work/xvfb.log" &
xvfb_pid=$!
read -r display_number <"$work/displayfd"
export DISPLAY=:$display_number

# Polls `$@` every 50 ms for at most 10 s; true once it succeeds.
poll() {
  local tries
  for ((tries = 0; tries < 200; tries++)); do
    if "$@"; then return 0; fi
    sleep 0.05
  done
  return 1
}

wm_manages_screen() {
  local check
  check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')
  [ -n "$check" ] && xprop -id "$check" _NET_WM_NAME >/dev/null 2>&1
}

start_window_manager() {
  stop "$wm_pid"
  xprop -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null || true
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm_pid=$!
  poll wm_manages_screen
}

main_window() {
  xdotool search --onlyvisible --pid "$program_pid" --name '^Chiffrel$' 2>/dev/null | head -n 1
}
has_main_window() { [ -n "$(main_window)" ]; }

window_is_active() {  # window
  [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]
}

# Prints the absolute top-left corner of a window, as the X server has it: "x y".
corner() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                           END { print x, y }'
}

# The program's visible windows other than the main window: its pop-up menus.
popup_menu() {  # main window
  xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | grep -vx "$1" | head -n 1
}
has_popup_menu() { [ -n "$(popup_menu "$1")" ]; }
no_popup_menu() { [ -z "$(popup_menu "$1")" ]; }

# Opens the "Fichiers" menu and prints where it dropped relative to the window: "dx dy", or
# "none" when no menu showed. Closes the menu again.
menu_offset() {  # window run label
  local menu="" wx wy mx my
  xdotool key alt+f
  if poll has_popup_menu "$1"; then menu=$(popup_menu "$1"); fi
  if [ -z "$menu" ]; then
    echo none
    return
  fi
  if [ -n "$screenshots" ] && [ "$3" = first ]; then
    import -window root "$screenshots/start-$2-menu.png"
  fi
  read -r wx wy <<<"$(corner "$1")"
  read -r mx my <<<"$(corner "$menu")"
  xdotool key Escape
  poll no_popup_menu "$1" || true
  echo "$((mx - wx)) $((my - wy))"
}

# Drags the caption strip by (50,30) in small steps; prints how far the window moved: "dx dy".
drag_distance() {  # window
  local x y ax ay before after
  read -r x y <<<"$(corner "$1")"
  before="$x $y"
  xdotool mousemove $((x + 150)) $((y + 10))
  sleep 0.1
  xdotool mousedown 1
  sleep 0.2
  for _ in 1 2 3 4 5; do
    xdotool mousemove_relative -- 10 6
    sleep 0.05
  done
  sleep 0.1
  xdotool mouseup 1
  sleep 0.3
  after=$(corner "$1")
  read -r x y <<<"$before"
  read -r ax ay <<<"$after"
  echo "$((ax - x)) $((ay - y))"
}

# The menu drops under its title: inside the window, in its top 80 pixels.
menu_in_place() {  # "dx dy"
  local dx dy
  [ "$1" != none ] || return 1
  read -r dx dy <<<"$1"
  [ "$dx" -ge 0 ] && [ "$dx" -le 60 ] && [ "$dy" -ge 0 ] && [ "$dy" -le 80 ]
}

drag_followed() {  # "dx dy"
  local dx dy
  read -r dx dy <<<"$1"
  [ "$dx" -ge 47 ] && [ "$dx" -le 53 ] && [ "$dy" -ge 27 ] && [ "$dy" -le 33 ]
}

failures=0
printf '%-5s %-16s %-14s %-16s %s\n' start "menu (dx,dy)" "drag (dx,dy)" "menu after drag" verdict
for ((run = 1; run <= runs; run++)); do
  if ! start_window_manager; then
    echo "openbox did not come up: $(cat "$work/openbox.log")" >&2
    exit 1
  fi
  home=$work/home-$run
  mkdir -p "$home/.config" "$home/runtime"
  chmod 700 "$home/runtime"
  env -i HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime" \
    DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 PATH=/usr/bin:/bin "$program" \
    >"$work/program-$run.log" 2>&1 &
  program_pid=$!
  window=""
  if poll has_main_window; then window=$(main_window); fi
  if [ -z "$window" ] || ! poll window_is_active "$window"; then
    printf '%-5s %s\n' "$run" "no active main window: $(cat "$work/program-$run.log")"
    failures=$((failures + 1))
    stop "$program_pid"
    program_pid=""
    continue
  fi
  first=$(menu_offset "$window" "$run" first)
  drag=$(drag_distance "$window")
  second=$(menu_offset "$window" "$run" second)
  wrong=()
  menu_in_place "$first" || wrong+=(menu)
  drag_followed "$drag" || wrong+=(drag)
  menu_in_place "$second" || wrong+=("menu after drag")
  verdict=ok
  if [ ${#wrong[@]} -gt 0 ]; then
    verdict="FAIL: $(IFS=,; echo "${wrong[*]}")"
    failures=$((failures + 1))
  fi
  printf '%-5s %-16s %-14s %-16s %s\n' "$run" "$first" "$drag" "$second" "$verdict"
  stop "$program_pid"
  program_pid=""
done

echo
echo "$((runs - failures)) of $runs starts right under openbox ($program)"
[ "$failures" -eq 0 ]
