#!/usr/bin/env bash
# Chiffrel under an X11 window manager, started several times: does the program know where its
# window is, do taps and drags of its caption strip move it as the user means, does Escape quit
# only when no menu has the keyboard, and do its dialogs sit where they should with their frames?
#
# What it checks, at every start
#   centred   the main window (which draws its own frame) is centred on the work area, within a
#             pixel.
#   menu      Alt+F drops the "Fichiers" menu under its title, inside the window's top strip, rather
#             than where the program would put it if it believed its window were somewhere else (a
#             program that believes it sits at (0,0) drops its menus at the screen's top-left).
#   drag      a held drag of the caption strip by (50,30) moves the window by exactly (50,30).
#   tap       a tap on the strip (press and release with no hold, as a touchpad's tap-to-click
#             sends) moves nothing, and a held drag right after it, from 60 pixels further right,
#             moves the window by exactly the drag.
#   jitter    the same with a quick press, move by (4,2) and release.
#   dclick    the same with a double-click.
#   menu2     Alt+F again, after the drags: the menu follows the window.
#   dialogs   the configuration dialog and the about box are centred on the work area as the user
#             sees them, their frames included (within a pixel), where the manager tells the frame
#             it will draw before a window shows (_NET_REQUEST_FRAME_EXTENTS); where it does not,
#             they are placed as before and not checked (a star in the table). The history
#             window's frame has its top-left corner at (237,173). A window's frame is the window
#             grown by the frame extents the manager sets (_NET_FRAME_EXTENTS), or else the
#             manager's frame window around it.
#   transient the configuration dialog, the about box and the history window are transient for the
#             main window: their WM_TRANSIENT_FOR names it, so that the manager keeps them over it.
#   escape    type 100, Alt+F, Escape, Escape: the menu closes, then the menu bar lets the keyboard
#             go, and the program still runs; the same with the menu opened by a click on its
#             title; a third Escape then quits with exit code 0.
#
# How
#   - One Xvfb (1280x1024x24, never reset between clients). Before each start a fresh window manager
#     is started, with a home of its own, and the script waits until it manages the screen (the
#     root's _NET_SUPPORTING_WM_CHECK names a live window).
#   - The program starts with a fresh HOME and XDG directories, LANG=C.UTF-8, QT_QPA_PLATFORM=xcb;
#     the checks wait until the manager has made its window the active one.
#   - Keys and the pointer come from xdotool (XTEST); the true positions from xwininfo and xprop,
#     which ask the X server, whatever the program believes.
#   It takes about fifteen seconds a start: too slow and too dependent on the machine's load for
#   the test suite, so it is run by hand after a change of the main window, its caption, its
#   dialogs' placement or its window flags.
#
# Run
#   ./scripts/check-window-manager.sh [--wm NAME] [--runs N] [--program PATH] [--screenshots DIR]
#                                     [--style NAME]
#   --wm          openbox (default), xfwm4, kwin_x11, mutter, metacity, icewm, fluxbox or i3; only
#                 openbox is installed by scripts/install-deps.sh (Debian packages: xfwm4,
#                 kwin-x11, mutter, metacity, icewm, fluxbox, i3-wm)
#   --runs        starts (default 6)
#   --program     the executable to check (default: the optimised build, built first)
#   --screenshots keeps a picture of the screen with the menu open at each start's first check
#   --style       the Qt style the program runs under (QT_STYLE_OVERRIDE), as a desktop that
#                 chooses one gives it: Fusion, Windows, Adwaita, Adwaita-Dark (Debian adwaita-qt6)
#   Prints one line a start and a summary; exits 1 when any check failed.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C

wm=openbox
runs=6
program=""
screenshots=""
style=""
usage="usage: $0 [--wm NAME] [--runs N] [--program PATH] [--screenshots DIR] [--style NAME]"
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --program) program=$(realpath "$2"); shift 2 ;;
    --screenshots) screenshots=$(realpath -m "$2"); shift 2 ;;
    --style) style=$2; shift 2 ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done

# The command that starts each manager in the foreground, on its own, without a session manager.
case "$wm" in
  openbox) wm_command=(openbox --sm-disable) ;;
  xfwm4) wm_command=(xfwm4 --compositor=off --sm-client-disable) ;;
  kwin_x11) wm_command=(kwin_x11 --replace) ;;
  mutter) wm_command=(mutter --x11 --replace --sm-disable) ;;
  metacity) wm_command=(metacity --no-composite --sm-disable) ;;
  icewm) wm_command=(icewm) ;;
  fluxbox) wm_command=(fluxbox) ;;
  i3) wm_command=(i3 -c "@config@") ;;
  *) echo "$usage: unknown window manager $wm" >&2; exit 2 ;;
esac
if ! command -v "${wm_command[0]}" >/dev/null; then
  echo "$wm is not installed (apt-get install ${wm/kwin_x11/kwin-x11})" >&2
  exit 2
fi

./scripts/install-deps.sh
if [ -z "$program" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target chiffrel
  program=$PWD/build/release/mainwin/chiffrel
fi
if [ -n "$screenshots" ]; then mkdir -p "$screenshots"; fi

work=$(mktemp -d /tmp/chiffrel-wm.XXXXXX)
xvfb_pid=""
bus_pid=""
wm_pid=""
program_pid=""
# Ends a process this script started: politely, then at once if it is still there after 2 s.
stop() {  # pid
  local tries
  if [ -n "$1" ]; then
    kill "$1" 2>/dev/null || true
    for ((tries = 0; tries < 40; tries++)); do
      kill -0 "$1" 2>/dev/null || break
      sleep 0.05
    done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}
cleanup() {
  stop "$program_pid"
  stop "$wm_pid"
  stop "$bus_pid"
  stop "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT

# i3 with a configuration of its own: no bar, no key bindings, no first-start wizard.
printf 'font pango:monospace 8\n' >"$work/i3.config"
wm_command=("${wm_command[@]/@config@/$work/i3.config}")

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/displayfd" 2>"$work/xvfb.log" &
xvfb_pid=$!
read -r display_number <"$work/displayfd"
export DISPLAY=:$display_number

# A session bus for the managers that want one (xfwm4's settings, mutter, kwin_x11).
mkfifo "$work/busfd"
dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/busfd" 2>/dev/null &
bus_pid=$!
read -r bus_address <"$work/busfd"

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
  rm -rf "$work/wm-home"
  mkdir -p "$work/wm-home/.config" "$work/wm-home/runtime" "$work/wm-home/.fluxbox"
  chmod 700 "$work/wm-home/runtime"
  # fluxbox leaves the screen's background alone rather than tell of a wallpaper it cannot set.
  echo 'background: none' >"$work/wm-home/.fluxbox/overlay"
  env -i HOME="$work/wm-home" XDG_CONFIG_HOME="$work/wm-home/.config" \
    XDG_RUNTIME_DIR="$work/wm-home/runtime" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin \
    LANG=C.UTF-8 QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS="$bus_address" "${wm_command[@]}" \
    >"$work/wm.log" 2>&1 &
  wm_pid=$!
  poll wm_manages_screen
}

# The program's visible window whose title matches `pattern` (xdotool's own --name also gives
# windows whose title does not match).
program_window() {  # pattern
  local window
  for window in $(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null); do
    if [[ "$(xdotool getwindowname "$window" 2>/dev/null)" =~ $1 ]]; then
      echo "$window"
      return
    fi
  done
}
main_window() { program_window '^Chiffrel$'; }
has_main_window() { [ -n "$(main_window)" ]; }

window_is_active() {  # window
  [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]
}

# Prints a window's absolute geometry, as the X server has it: "x y width height".
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                           /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
                           END { print x, y, w, h }'
}

corner() {
  local x y w h
  read -r x y w h <<<"$(geometry "$1")"
  echo "$x $y"
}

# The window of the manager's frame around a window: its ancestor just below the root.
frame_window() {  # window
  local window=$1 parent
  while parent=$(xwininfo -tree -id "$window" | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p') &&
    [ -n "$parent" ] && ! xwininfo -tree -id "$parent" | grep -q 'Parent window id: 0x0 '; do
    window=$parent
  done
  echo "$window"
}

# What the user sees of a window: its geometry grown by the frame the manager says it drew, or
# where the manager says nothing, the geometry of its frame window.
framed_geometry() {  # window
  local x y w h left right top bottom extents
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p' | tr -d ,)
  if [ -z "$extents" ]; then
    geometry "$(frame_window "$1")"
    return
  fi
  read -r x y w h <<<"$(geometry "$1")"
  read -r left right top bottom <<<"$extents"
  echo "$((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))"
}

# Whether the manager tells the frame it will draw before a window shows: it lists the request
# among what it supports, and answers it for a fresh unmapped window within 0.1 s (fluxbox lists
# it but answers only once the window shows). Prints yes or no.
manager_tells_frames() {
  if ! xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_REQUEST_FRAME_EXTENTS'; then
    echo no
    return
  fi
  python3 - <<'EOF'
import ctypes
import time

xcb = ctypes.CDLL("libxcb.so.1")
for name, result in (("xcb_connect", ctypes.c_void_p), ("xcb_get_setup", ctypes.c_void_p),
                     ("xcb_intern_atom_reply", ctypes.c_void_p),
                     ("xcb_get_property_reply", ctypes.c_void_p)):
    getattr(xcb, name).restype = result


class Roots(ctypes.Structure):
    _fields_ = [("data", ctypes.c_void_p), ("rem", ctypes.c_int), ("index", ctypes.c_int)]


xcb.xcb_setup_roots_iterator.restype = Roots
xcb.xcb_setup_roots_iterator.argtypes = [ctypes.c_void_p]
connection = ctypes.c_void_p(xcb.xcb_connect(None, None))
root = ctypes.c_uint32.from_address(xcb.xcb_setup_roots_iterator(xcb.xcb_get_setup(connection)).data).value


def atom(name):
    cookie = xcb.xcb_intern_atom(connection, 0, len(name), name.encode())
    reply = xcb.xcb_intern_atom_reply(connection, cookie, None)
    return ctypes.c_uint32.from_address(reply + 8).value


request, extents = atom("_NET_REQUEST_FRAME_EXTENTS"), atom("_NET_FRAME_EXTENTS")
window = xcb.xcb_generate_id(connection)
xcb.xcb_create_window(connection, 0, window, root, 0, 0, 100, 100, 0, 1, 0, 0, None)
message = (ctypes.c_uint8 * 32)()
message[0], message[1] = 33, 32  # a client message, of 32-bit values
ctypes.c_uint32.from_buffer(message, 4).value = window
ctypes.c_uint32.from_buffer(message, 8).value = request
xcb.xcb_send_event(connection, 0, root, (1 << 19) | (1 << 20), message)
xcb.xcb_flush(connection)
deadline = time.monotonic() + 0.1
told = False
while not told and time.monotonic() < deadline:
    cookie = xcb.xcb_get_property(connection, 0, window, extents, 6, 0, 4)  # CARDINAL
    reply = xcb.xcb_get_property_reply(connection, cookie, None)
    told = reply is not None and ctypes.c_uint32.from_address(reply + 16).value == 4
    time.sleep(0.001)
print("yes" if told else "no")
EOF
}

# The work area the program centres on: the manager's _NET_WORKAREA, else the whole screen.
work_area() {
  local area
  area=$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.* = //p' | tr -d , | cut -d' ' -f1-4)
  echo "${area:-0 0 1280 1024}"
}

# How far a rectangle's centre is from the work area's, in whole pixels: "dx dy".
offset_from_centre() {  # "x y w h"
  local x y w h ax ay aw ah
  read -r x y w h <<<"$1"
  read -r ax ay aw ah <<<"$(work_area)"
  echo "$(((2 * x + w - 2 * ax - aw) / 2)) $(((2 * y + h - 2 * ay - ah) / 2))"
}

within_a_pixel() {  # "dx dy"
  local dx dy
  read -r dx dy <<<"$1"
  [[ "$dx $dy" =~ ^-?[0-9]+\ -?[0-9]+$ ]] && [ "${dx#-}" -le 1 ] && [ "${dy#-}" -le 1 ]
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
    import -window root "$screenshots/$wm-start-$2-menu.png"
  fi
  read -r wx wy <<<"$(corner "$1")"
  read -r mx my <<<"$(corner "$menu")"
  xdotool key Escape  # the menu closes; the menu bar keeps the keyboard until the next dialog
  poll no_popup_menu "$1" || true
  echo "$((mx - wx)) $((my - wy))"
}

# Puts the pointer over the caption strip, `from_left` pixels from the window's left edge.
point_at_caption() {  # window from_left
  local x y
  read -r x y <<<"$(corner "$1")"
  xdotool mousemove $((x + $2)) $((y + 10))
  sleep 0.1
}

# Drags the caption strip by (50,30) in small steps; prints how far the window moved: "dx dy".
drag_distance() {  # window
  local x y ax ay
  read -r x y <<<"$(corner "$1")"
  point_at_caption "$1" 150
  xdotool mousedown 1
  sleep 0.2
  for _ in 1 2 3 4 5; do
    xdotool mousemove_relative -- 10 6
    sleep 0.05
  done
  sleep 0.1
  xdotool mouseup 1
  sleep 0.3
  read -r ax ay <<<"$(corner "$1")"
  echo "$((ax - x)) $((ay - y))"
}

# Taps the strip as `kind` says, then drags it from 60 pixels further right; prints how far the
# tap moved the window and how far the drag did: "tapdx tapdy dragdx dragdy". (A manager that
# took the tap for the start of a move would move the window by the 60 pixels between the tapped
# point and the drag's start.)
tap_then_drag() {  # window kind
  local x y tx ty
  read -r x y <<<"$(corner "$1")"
  point_at_caption "$1" 90
  case "$2" in
    tap) xdotool mousedown 1 mouseup 1 ;;
    jitter) xdotool mousedown 1 mousemove_relative -- 4 2 mouseup 1 ;;
    dclick) xdotool click --repeat 2 --delay 80 1 ;;
  esac
  sleep 0.5
  read -r tx ty <<<"$(corner "$1")"
  echo "$((tx - x)) $((ty - y)) $(drag_distance "$1")"
}

# The menu drops under its title: inside the window, in its top 80 pixels.
menu_in_place() {  # "dx dy"
  local dx dy
  [ "$1" != none ] || return 1
  read -r dx dy <<<"$1"
  [ "$dx" -ge 0 ] && [ "$dx" -le 60 ] && [ "$dy" -ge 0 ] && [ "$dy" -le 80 ]
}

exact_drag() {  # "dx dy"
  [ "$1" = "50 30" ]
}

# A tap that moved nothing, then the exact drag.
tap_kept_still() {  # "tapdx tapdy dragdx dragdy"
  local tdx tdy ddx ddy
  read -r tdx tdy ddx ddy <<<"$1"
  [ "$tdx $tdy" = "0 0" ] && exact_drag "$ddx $ddy"
}

program_runs() { kill -0 "$program_pid" 2>/dev/null; }
program_ended() { ! program_runs; }

# Whether a window is transient for the main window: its WM_TRANSIENT_FOR names it.
transient_for() {  # window main-window
  local named
  named=$(xprop -id "$1" WM_TRANSIENT_FOR 2>/dev/null | sed -n 's/.*window id # //p')
  [ -n "$named" ] && [ $((named)) -eq $(($2)) ]
}

# Opens a dialog with `keys`, prints where its frame sits and whether it is transient for the
# main window ("x y w h yes|no"), or "none", and closes it.
dialog_frame() {  # main window title-pattern keys...
  local main=$1 pattern=$2 dialog="" transient=no
  shift 2
  xdotool key "$@"
  if poll has_program_window "$pattern"; then dialog=$(program_window "$pattern"); fi
  if [ -z "$dialog" ]; then
    echo none
    return
  fi
  sleep 0.3  # lets the manager settle the frame
  if transient_for "$dialog" "$main"; then transient=yes; fi
  echo "$(framed_geometry "$dialog") $transient"
  xdotool key Escape
  poll window_is_active "$main" || true
}
has_program_window() { [ -n "$(program_window "$1")" ]; }

# Where the dialogs sit, as "config-dx,dy about-dx,dy history-x,y transient": the two centred
# dialogs' frames' offsets from the work area's centre, the history window's frame corner, and
# whether each of the three was transient for the main window ("yes,yes,yes"). A star marks a
# manager that does not tell its frames before the window shows: the dialogs then stay where
# they were before the program asked for frames, which is not checked.
dialog_places() {  # main window
  local config about history x y w h told='*' transient=() frame name
  for name in config about history; do
    case $name in
      config) frame=$(dialog_frame "$1" '^Configuration' ctrl+c) ;;
      about) frame=$(dialog_frame "$1" '^A propos de La Chiffrel' alt+question p) ;;
      history) frame=$(dialog_frame "$1" '^Historique de construction' alt+question h) ;;
    esac
    transient+=("${frame##* }")
    [ "$frame" = none ] || frame=${frame% *}
    printf -v "$name" '%s' "$frame"
  done
  [ "$config" = none ] || config=$(offset_from_centre "$config")
  [ "$about" = none ] || about=$(offset_from_centre "$about")
  if [ "$history" != none ]; then
    read -r x y w h <<<"$history"
    history="$x $y"
  fi
  if [ "$tells_frames" = yes ]; then told=""; fi
  echo "${config// /,}$told ${about// /,}$told ${history// /,} $(IFS=,; echo "${transient[*]}")"
}

dialogs_placed() {  # "config about history transient"
  local config about history transient
  read -r config about history transient <<<"$1"
  [[ "$config $about" != *none* ]] || return 1
  [[ "$config" == *'*' ]] || within_a_pixel "${config/,/ }" || return 1
  [[ "$about" == *'*' ]] || within_a_pixel "${about/,/ }" || return 1
  [ "$history" = 237,173 ]
}

# Escape out of a menu opened by `how`, then a second Escape: the program must still run.
# Prints "runs" or "quit".
two_escapes() {  # window how menu-offset
  local x y dx dy
  if [ "$2" = keys ]; then
    xdotool key alt+f
  else
    read -r x y <<<"$(corner "$1")"
    read -r dx dy <<<"$3"
    xdotool mousemove $((x + dx + 10)) $((y + dy - 6)) click 1
  fi
  poll has_popup_menu "$1" || true
  xdotool key Escape
  poll no_popup_menu "$1" || true
  xdotool key Escape
  sleep 0.5
  if program_runs; then echo runs; else echo quit; fi
}

# Sets `escape` to "keys mouse third": whether the program still ran after two Escapes out of a
# menu opened from the keyboard, then by the mouse, and how it ended at a third Escape. Runs in the
# script's own shell, which can wait for the program.
escape_sequence() {  # window menu-offset
  local keys mouse third=runs status=0
  xdotool type 100
  keys=$(two_escapes "$1" keys "$2")
  mouse=-
  if [ "$keys" = runs ]; then mouse=$(two_escapes "$1" mouse "$2"); fi
  if [ "$mouse" = runs ]; then
    xdotool key Escape
    if poll program_ended; then
      wait "$program_pid" || status=$?
      third="exit$status"
      program_pid=""
    fi
  else
    third=-
  fi
  escape="$keys $mouse $third"
}

checks=(centred menu drag tap jitter dclick menu2 dialogs transient escape)
failures=0
declare -A failed_checks=()
printf '%-5s %-8s %-8s %-8s %-14s %-14s %-14s %-8s %-48s %s\n' start centred menu drag \
  "tap(+drag)" "jitter(+drag)" "dclick(+drag)" menu2 "dialogs: config about history transient" \
  escape
for ((run = 1; run <= runs; run++)); do
  if ! start_window_manager; then
    echo "$wm did not come up: $(cat "$work/wm.log")" >&2
    exit 1
  fi
  if [ -z "${tells_frames:-}" ]; then tells_frames=$(manager_tells_frames); fi
  home=$work/home-$run
  mkdir -p "$home/.config" "$home/runtime"
  chmod 700 "$home/runtime"
  env -i HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime" \
    DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb ${style:+QT_STYLE_OVERRIDE=$style} LANG=C.UTF-8 \
    PATH=/usr/bin:/bin "$program" \
    >"$work/program-$run.log" 2>&1 &
  program_pid=$!
  window=""
  if poll has_main_window; then window=$(main_window); fi
  if [ -z "$window" ] || ! poll window_is_active "$window"; then
    active=$(xdotool getactivewindow 2>/dev/null || true)
    printf '%-5s %s\n' "$run" "no active main window (${window:-none}; active: ${active:+$(xprop -id "$active" WM_NAME WM_CLASS | tr '\n' ' ')}): $(cat "$work/program-$run.log")"
    failures=$((failures + 1))
    for check in "${checks[@]}"; do failed_checks[$check]=$((${failed_checks[$check]:-0} + 1)); done
    stop "$program_pid"
    program_pid=""
    continue
  fi
  sleep 0.3
  centred=$(offset_from_centre "$(framed_geometry "$window")")
  first=$(menu_offset "$window" "$run" first)
  drag=$(drag_distance "$window")
  tap=$(tap_then_drag "$window" tap)
  jitter=$(tap_then_drag "$window" jitter)
  dclick=$(tap_then_drag "$window" dclick)
  second=$(menu_offset "$window" "$run" second)
  dialogs=$(dialog_places "$window")
  escape_sequence "$window" "$first"
  wrong=()
  within_a_pixel "$centred" || wrong+=(centred)
  menu_in_place "$first" || wrong+=(menu)
  exact_drag "$drag" || wrong+=(drag)
  tap_kept_still "$tap" || wrong+=(tap)
  tap_kept_still "$jitter" || wrong+=(jitter)
  tap_kept_still "$dclick" || wrong+=(dclick)
  menu_in_place "$second" || wrong+=(menu2)
  dialogs_placed "$dialogs" || wrong+=(dialogs)
  [ "${dialogs##* }" = yes,yes,yes ] || wrong+=(transient)
  [ "$escape" = "runs runs exit0" ] || wrong+=(escape)
  verdict=ok
  if [ ${#wrong[@]} -gt 0 ]; then
    verdict="FAIL: $(IFS=,; echo "${wrong[*]}")"
    failures=$((failures + 1))
    for check in "${wrong[@]}"; do failed_checks[$check]=$((${failed_checks[$check]:-0} + 1)); done
  fi
  printf '%-5s %-8s %-8s %-8s %-14s %-14s %-14s %-8s %-48s %-18s %s\n' "$run" "${centred// /,}" \
    "${first// /,}" "${drag// /,}" "${tap// /,}" "${jitter// /,}" "${dclick// /,}" \
    "${second// /,}" "$dialogs" "$escape" "$verdict"
  stop "$program_pid"
  program_pid=""
done

echo
for check in "${checks[@]}"; do
  printf '%s %d/%d  ' "$check" $((runs - ${failed_checks[$check]:-0})) "$runs"
done
echo
echo "$wm tells its frames before a window shows: ${tells_frames:-unknown}"
echo "$((runs - failures)) of $runs starts right under $wm ($program${style:+, style $style})"
[ "$failures" -eq 0 ]
