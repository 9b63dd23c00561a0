#!/usr/bin/env bash
# Start-up time, memory and idle cost of Chiffrel on a real X server.
#
# What it measures
#   1. Start-up: from the exec of a program to the map of its first top-level window, and its memory
#      once that window is mapped, for three programs run alternately in the same X server:
#        chiffrel  the optimised program, installed with `cmake --install` into a temporary prefix
#                  (the build-tree executable when the build has no install rules);
#        bare      bench/bare_qt_window, one QLabel shown: the floor of any Qt Widgets program,
#                  built with the same compiler and Release flags;
#        peer      SpeedCrunch, another Qt calculator from Debian, for comparison only. It is not
#                  a dependency of Chiffrel: this script installs it itself when it is missing,
#                  unless --no-peer leaves it out.
#      Each program runs --runs times (default 9), in an order that rotates from run to run, after
#      one unrecorded warm-up run each, so every figure is a warm-page-cache start.
#   2. Idle cost: Chiffrel shown and left alone (its clock still ticks) for --idle-seconds
#      (default 30): CPU time of the program and of the X server over that time.
#   It prints the medians against the targets: start-up at most 1.3x and VmRSS at most 1.15x those
#   of the bare window; at most 0.6x and 0.5x those of SpeedCrunch; idle under 0.5 % of one core.
#
# How
#   - Xvfb (1280x1024x24, no window manager, so a top-level maps straight onto the root window).
#   - ONE `xev -root -event substructure` for the whole run set; a reader stamps each MapNotify line
#     with bash's $EPOCHREALTIME when it arrives (microseconds, no process started per event).
#     MapNotify carries no server time, so the arrival stamp is the only clock to read it by.
#     The start is stamped with $EPOCHREALTIME in the launching subshell just before its exec.
#     Start-up = map stamp - exec stamp: it includes the pipe from xev to the reader (well under a
#     millisecond), and `env -i` (one extra exec, the same for every program).
#   - The window counted is the first non-override-redirect MapNotify after the exec; its
#     _NET_WM_PID (read with xprop after the figures are taken) must be the started process.
#   - CPU time and run-queue wait of all the program's threads at the map, from
#     /proc/<pid>/task/*/schedstat: the CPU time hardly depends on what else runs on the machine,
#     the wait says how much of the start-up went to other processes.
#   - Memory, read from /proc/<pid> as soon as the map is seen: VmRSS (status) and Pss
#     (smaps_rollup, shared library pages divided among the processes that map them); VmRSS again
#     one second later, once the first paint is done.
#   - Each start has a fresh HOME and XDG_CONFIG_HOME / CACHE / DATA / RUNTIME directories, a clean
#     environment (env -i), LANG=C.UTF-8, QT_QPA_PLATFORM=xcb; the program is killed (SIGTERM)
#     after its figures are taken.
#   - Idle: utime+stime from /proc/<pid>/stat before and after the idle time, divided by the
#     elapsed time times the clock ticks per second; voluntary context switches per second show how
#     often the program wakes.
#
# Run
#   ./scripts/measure-startup.sh [--runs N] [--idle-seconds S] [--no-startup] [--no-idle]
#                                [--no-peer] [--also NAME=PROGRAM]...
#   --also adds a program to the start-up rotation (an experiment, another build), reported beside
#   the others without targets.
#   The raw figures are kept in build/measure/. Nothing else should load the machine meanwhile:
#   the load average is printed before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C

runs=9
idle_seconds=30
measure_startup=1
measure_idle=1
measure_peer=1
declare -A path_of
also=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --idle-seconds) idle_seconds=$2; shift 2 ;;
    --no-startup) measure_startup=0; shift ;;
    --no-idle) measure_idle=0; shift ;;
    --no-peer) measure_peer=0; shift ;;
    --also) also+=("${2%%=*}"); path_of[${2%%=*}]=$(realpath "${2#*=}"); shift 2 ;;
    *) echo "usage: $0 [--runs N] [--idle-seconds S] [--no-startup] [--no-idle] [--no-peer] [--also NAME=PROGRAM]" >&2; exit 2 ;;
  esac
done
programs=(chiffrel bare)
if [ "$measure_peer" = 1 ]; then programs+=(peer); fi
programs+=("${also[@]}")

./scripts/install-deps.sh

peer=/usr/bin/speedcrunch
if [ "$measure_startup" = 1 ] && [ "$measure_peer" = 1 ] && [ ! -x "$peer" ]; then
  echo "Installing speedcrunch, the comparison program (for this measurement only)"
  sudo_cmd=""
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends speedcrunch
fi

cmake --preset release >/dev/null
cmake --build --preset release
cmake --preset bench >/dev/null
cmake --build --preset bench --target bare_qt_window
bare=$PWD/build/bench/bench/bare_qt_window

work=$(mktemp -d /tmp/chiffrel-measure.XXXXXX)
xvfb_pid=""
xev_pid=""
cleanup() {
  if [ -n "$xev_pid" ]; then kill "$xev_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

cmake --install build/release --prefix "$work/prefix" >/dev/null
if [ -x "$work/prefix/bin/chiffrel" ]; then
  chiffrel=$work/prefix/bin/chiffrel
  chiffrel_origin="installed into a temporary prefix"
else
  chiffrel=$PWD/build/release/mainwin/chiffrel
  chiffrel_origin="build tree (the build has no install rules yet)"
fi

results=$PWD/build/measure
mkdir -p "$results"
stamp_name=$(date -u +%Y%m%dT%H%M%SZ)

# --- X server and the one event watcher ------------------------------------------------------

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/displayfd" 2>"$work/xvfb.log" &
xvfb_pid=$!
read -r display_number <"$work/displayfd"
display=:$display_number

# Prints "<microseconds> <window> <override>" for every MapNotify that xev reports.
stamp_maps() {
  local line stamp="" window
  while IFS= read -r line; do
    case $line in
      "MapNotify event"*) stamp=${EPOCHREALTIME/./} ;;
      *"event 0x"*", window 0x"*", override "*)
        if [ -n "$stamp" ]; then
          window=${line#*, window }
          echo "$stamp ${window%%,*} ${line##*override }"
          stamp=""
        fi
        ;;
    esac
  done
}

mkfifo "$work/xev"
stdbuf -oL xev -display "$display" -root -event substructure >"$work/xev" 2>"$work/xev.log" &
xev_pid=$!
exec 4< <(stamp_maps <"$work/xev")
sleep 1  # lets xev select the root window's events before the first program starts

# --- One start -------------------------------------------------------------------------------

# Value of a "Key: value kB" line of a /proc file. The file is read whole, at once: the kernel
# renders it anew for every read, and a line-by-line read can mix two renderings.
proc_kib() {
  local text value
  { text=$'\n'$(<"$1"); } 2>/dev/null || text=""
  case $text in
    *$'\n'"$2:"*) ;;
    *) echo "-"; return ;;
  esac
  value=${text#*$'\n'"$2:"}
  value=${value%%$'\n'*}
  value=${value//[!0-9]/}
  echo "${value:--}"
}

# CPU time and run-queue wait of all threads of a process so far, in microseconds: "cpu wait".
# The wait is time the program was ready to run but another process had the core.
thread_times() {
  local task run wait _ cpu_ns=0 wait_ns=0
  for task in /proc/"$1"/task/*/schedstat; do
    read -r run wait _ 2>/dev/null <"$task" || continue
    cpu_ns=$((cpu_ns + run))
    wait_ns=$((wait_ns + wait))
  done
  echo "$((cpu_ns / 1000)) $((wait_ns / 1000))"
}

# Starts $1 in a fresh home; sets started_pid, started_home and launch_stamp (microseconds,
# before the fork; the exact exec stamp is left in the home's exec-stamp file).
start_program() {
  local home
  home=$(mktemp -d "$work/home.XXXXXX")
  mkdir -p "$home/.config" "$home/.cache" "$home/.local/share" "$home/runtime"
  chmod 700 "$home/runtime"
  launch_stamp=${EPOCHREALTIME/./}
  (
    exec 4<&-
    printf '%s\n' "${EPOCHREALTIME/./}" >"$home/exec-stamp"
    exec env -i HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
      XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/runtime" \
      DISPLAY="$display" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 PATH=/usr/bin:/bin "$1"
  ) >"$home/output.log" 2>&1 &
  started_pid=$!
  started_home=$home
}

# Waits for the first top-level map after the start; sets map_stamp and map_window.
wait_for_map() {
  local stamp window override
  map_stamp=""
  map_window=""
  while read -r -t 20 -u 4 stamp window override; do
    if [ "$override" = "NO" ] && [ "$stamp" -ge "$1" ]; then
      map_stamp=$stamp
      map_window=$window
      return 0
    fi
  done
  return 1
}

stop_program() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  rm -rf "$started_home"
}

# Prints: startup_ms cpu_ms wait_ms rss_at_map_kib pss_at_map_kib rss_after_1s_kib check title
measure_one() {
  local pid exec_stamp times rss pss rss_later properties window_pid title check
  start_program "$1"
  pid=$started_pid
  if ! wait_for_map "$launch_stamp"; then
    stop_program "$pid"
    echo "no-window - - - - - - -"
    return
  fi
  times=$(thread_times "$pid")
  rss=$(proc_kib "/proc/$pid/status" VmRSS)
  pss=$(proc_kib "/proc/$pid/smaps_rollup" Pss)
  read -r exec_stamp <"$started_home/exec-stamp"
  properties=$(xprop -display "$display" -id "$map_window" _NET_WM_PID _NET_WM_NAME)
  window_pid=$(sed -n 's/^_NET_WM_PID.* = //p' <<<"$properties")
  title=$(sed -n 's/^_NET_WM_NAME.* = "\(.*\)"$/\1/p' <<<"$properties" | tr -s ' \t' '__')
  check=ok
  if [ "$window_pid" != "$pid" ]; then check="window-pid=$window_pid"; fi
  if [ "$map_stamp" -lt "$exec_stamp" ]; then check="map-before-exec"; fi
  sleep 1
  rss_later=$(proc_kib "/proc/$pid/status" VmRSS)
  stop_program "$pid"
  awk -v m="$map_stamp" -v e="$exec_stamp" -v t="$times" \
    'BEGIN { split(t, u, " "); printf "%.1f %.1f %.1f", (m - e) / 1000, u[1] / 1000, u[2] / 1000 }'
  echo " $rss $pss $rss_later $check ${title:-untitled}"
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

path_of[chiffrel]=$chiffrel
path_of[bare]=$bare
path_of[peer]=$peer

echo
echo "Machine: $(nproc) cores; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Chiffrel: $chiffrel_origin"
if [ "$measure_peer" = 1 ]; then
  echo "Peer: $(dpkg-query -W -f='${Package} ${Version}' speedcrunch 2>/dev/null || echo none)"
fi

# --- 1. Start-up and memory ------------------------------------------------------------------

if [ "$measure_startup" = 1 ]; then
  raw=$results/startup-$stamp_name.tsv
  printf 'run\tprogram\tstartup_ms\tcpu_ms\twait_ms\tvmrss_at_map_kib\tpss_at_map_kib\tvmrss_after_1s_kib\tcheck\ttitle\n' >"$raw"
  for name in "${programs[@]}"; do measure_one "${path_of[$name]}" >/dev/null; done
  for ((run = 1; run <= runs; run++)); do
    for ((k = 0; k < ${#programs[@]}; k++)); do
      name=${programs[$(((run + k) % ${#programs[@]}))]}
      printf '%d\t%s\t%s\n' "$run" "$name" "$(measure_one "${path_of[$name]}" | tr ' ' '\t')" >>"$raw"
    done
  done

  echo
  echo "== Start-up to first mapped window, and memory (raw: $raw)"
  awk -F'\t' '{ printf "%-4s %-9s %10s %7s %7s %16s %14s %18s %6s %s\n", $1, $2, $3, $4, $5, $6, $7, $8, $9, $10 }' "$raw"
  echo
  declare -A med_ms med_rss
  column_median() {  # program column
    awk -F'\t' -v p="$1" -v c="$2" '$2 == p && $9 == "ok" { print $c }' "$raw" | median
  }
  printf '%-9s %10s %8s %9s %14s %12s %14s\n' program "start ms" "CPU ms" "wait ms" "VmRSS@map KiB" \
    "Pss@map KiB" "VmRSS@+1s KiB"
  for name in "${programs[@]}"; do
    med_ms[$name]=$(column_median "$name" 3)
    med_rss[$name]=$(column_median "$name" 6)
    printf '%-9s %10s %8s %9s %14s %12s %14s\n' "$name" "${med_ms[$name]}" "$(column_median "$name" 4)" \
      "$(column_median "$name" 5)" "${med_rss[$name]}" "$(column_median "$name" 7)" "$(column_median "$name" 8)"
  done
  echo "(medians; CPU and wait: all threads' time on a core and waiting for one, exec to map)"
  echo
  verdict() {  # label value limit
    awk -v l="$1" -v v="$2" -v t="$3" 'BEGIN { printf "%-34s %5.2fx  (target <= %.2fx)  %s\n", l, v, t, (v <= t ? "met" : "MISSED") }'
  }
  verdict "start-up vs bare Qt window" "$(awk -v a="${med_ms[chiffrel]}" -v b="${med_ms[bare]}" 'BEGIN { print a / b }')" 1.3
  verdict "VmRSS at map vs bare Qt window" "$(awk -v a="${med_rss[chiffrel]}" -v b="${med_rss[bare]}" 'BEGIN { print a / b }')" 1.15
  if [ "$measure_peer" = 1 ]; then
    verdict "start-up vs SpeedCrunch" "$(awk -v a="${med_ms[chiffrel]}" -v b="${med_ms[peer]}" 'BEGIN { print a / b }')" 0.6
    verdict "VmRSS at map vs SpeedCrunch" "$(awk -v a="${med_rss[chiffrel]}" -v b="${med_rss[peer]}" 'BEGIN { print a / b }')" 0.5
  fi
fi

# --- 2. Idle cost ----------------------------------------------------------------------------

# utime+stime of a process, in clock ticks (fields 14 and 15; the name in field 2 may hold spaces).
cpu_ticks() {
  local stat fields
  read -r stat <"/proc/$1/stat"
  read -r -a fields <<<"${stat##*) }"
  echo $((fields[11] + fields[12]))
}

if [ "$measure_idle" = 1 ]; then
  start_program "$chiffrel"
  pid=$started_pid
  wait_for_map "$launch_stamp" || { echo "Chiffrel showed no window" >&2; exit 1; }
  sleep 2  # past the first paint and the start-up work
  ticks_per_second=$(getconf CLK_TCK)
  begin=${EPOCHREALTIME/./}
  program_before=$(cpu_ticks "$pid")
  server_before=$(cpu_ticks "$xvfb_pid")
  switches_before=$(proc_kib "/proc/$pid/status" voluntary_ctxt_switches)
  sleep "$idle_seconds"
  program_after=$(cpu_ticks "$pid")
  server_after=$(cpu_ticks "$xvfb_pid")
  switches_after=$(proc_kib "/proc/$pid/status" voluntary_ctxt_switches)
  end=${EPOCHREALTIME/./}
  rss_idle=$(proc_kib "/proc/$pid/status" VmRSS)
  stop_program "$pid"

  raw=$results/idle-$stamp_name.txt
  awk -v pb="$program_before" -v pa="$program_after" -v sb="$server_before" -v sa="$server_after" \
    -v cb="$switches_before" -v ca="$switches_after" -v us="$((end - begin))" -v hz="$ticks_per_second" \
    -v rss="$rss_idle" 'BEGIN {
      s = us / 1e6
      cpu = (pa - pb) / (s * hz) * 100
      printf "== Idle cost of the shown Chiffrel window over %.1f s\n", s
      printf "program: %d ticks (%d Hz) = %.3f %% of one core  (target < 0.5 %%)  %s\n", pa - pb, hz, cpu, (cpu < 0.5 ? "met" : "MISSED")
      printf "X server: %d ticks = %.3f %% of one core\n", sa - sb, (sa - sb) / (s * hz) * 100
      printf "program wake-ups (voluntary context switches): %.1f per second\n", (ca - cb) / s
      printf "program VmRSS after the idle time: %s KiB\n", rss
    }' | tee "$raw"
fi

echo
echo "Load after: $(cut -d' ' -f1-3 /proc/loadavg)"
