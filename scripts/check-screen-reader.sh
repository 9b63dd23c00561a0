#!/usr/bin/env bash
# What a blind user hears of Chiffrel: the program driven from the keyboard alone with the Orca
# screen reader listening, on a virtual X server under openbox, with a private D-Bus session and
# its accessibility bus. Orca's debug log records every text it sends to the speech synthesiser;
# for each step of the table below the script prints what Orca said and whether it contains what
# the user must hear.
#
# Each row of the table: the keys (xdotool key names, "type:TEXT" types TEXT, "wait" waits a
# second), a tab, what Orca must say (a part of its speech after the keys, bars marking where an
# utterance begins or ends; "-": not checked), a tab, what the row is about. The rows run in order
# in one run of the program, so each starts where the one before left it. Orca's own keys are
# those of its desktop layout: KP_Prior (the keypad's 9 without Num Lock) moves its flat review to
# the next line, KP_Add reads all.
#
# Run by hand after a change of what the program tells screen readers (it takes about two
# minutes and needs Orca, so it is not part of the test suite):
#   ./scripts/check-screen-reader.sh [--program PATH] [--log FILE]
#   --program  the executable to check (default: the optimised build, built first)
#   --log      keeps Orca's whole debug log there
# Installs Orca and speech-dispatcher (Debian packages) when they are missing. Prints one block a
# row and a summary; exits 1 when Orca did not say what a row expects.
set -euo pipefail
cd "$(dirname "$0")/.."

read -r -d '' steps <<'TABLE' || true
type:100	Taxe = 20.60	a typed result is spoken with its unit and tax
F6 wait F5 wait	|100.|	a field is read whole when it gets the focus
shift+Tab shift+Tab shift+Tab Down	Taux libre	to the rate buttons, the free rate checked
Up	Taxe = 2.10	an arrow on a rate button speaks the new result
F5 Tab	T.T.C.|	the direction slider's value in words
Right	H.T.|	a move of the slider speaks its new value
F6 type:5 Return	Première valeur : 105	Enter moves the result up: the new first value is spoken
type:3	Résultat : 108	and the next result
Menu Escape type:1	Résultat : 1	results are still spoken after the context menu
F7 shift+Tab Up Up Up	FRANCS vers EURO	the conversion tab, to its checked direction
Down	francs	an arrow on a direction button speaks the new result
F5	-	back to the amount field
KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior	|Résultat|	flat review from the field reaches the result panel
alt+f	Menu Fichiers	a menu speaks its name
Down	Ctrl+R	and its items' shortcuts
Escape Escape alt+p	copi	the copy button says what it did
F6 Tab Tab	Mem+	to the memory keys
space	Mémoire	Mem+ says what it did
ctrl+i wait wait	Impression	the print command says what it did
Return	-	the print error box closes, if any
alt+question p wait wait	Fermer	the about box opens
Tab Return wait	Aucun navigateur	a link that finds no browser says so
Escape	-	the about box closes
F1 wait	Chiffrel	the help window opens
Down	Chiffrel est une	the help is read line by line
KP_Add wait wait	Onglet T.V.A.	the help is read all
Escape	-	the help closes
TABLE

program=""
log=""
while [ $# -gt 0 ]; do
  case "$1" in
    --program) program=$(realpath "$2"); shift 2 ;;
    --log) log=$(realpath -m "$2"); shift 2 ;;
    --inside) shift; break ;;
    *) echo "usage: $0 [--program PATH] [--log FILE]" >&2; exit 2 ;;
  esac
done

# One row: the keys, then every text Orca spoke since, then the verdict.
run_step() {
  local keys=$1 expected=$2 what=$3 orca_log=$4 before key said
  before=$(wc -l <"$orca_log")
  for key in $keys; do
    case "$key" in
      type:*) xdotool type --delay 150 "${key#type:}" ;;
      wait) sleep 1 ;;
      *) xdotool key --delay 150 "$key" ;;
    esac
    sleep 0.4
  done
  sleep 2.5
  # An utterance of several lines goes on in lines indented past the time stamp.
  said=$(tail -n +"$((before + 1))" "$orca_log" | tr -d '\r' |
    awk '/^ / { sub(/^ +/, " "); line = line $0; next } { print line; line = $0 } END { print line }' |
    sed -n -e "s/ *\[*{'established.*$//" -e "s/^.* - SPEECH OUTPUT: '\(.*\)'$/\1/p" |
    paste -sd '|' -)
  # Bars around each utterance: "|100.|" asks for an utterance that is exactly "100.".
  if [ "$expected" = "-" ] || [[ "|$said|" == *"$expected"* ]]; then
    echo "ok    $what [$keys]"
  else
    echo "FAIL  $what [$keys]: expected \"$expected\""
    failures=$((failures + 1))
  fi
  echo "      Orca: ${said:-(nothing)}"
}

# Inside the private session: the accessibility bus, the window manager, Orca, then the program.
if [ "${1:-}" = "inside" ]; then
  program=$2 orca_log=$3
  started=()
  trap 'kill "${started[@]}" 2>/dev/null' EXIT
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  started+=($!)
  openbox --sm-disable &
  started+=($!)
  sleep 1
  # Orca writes its log through a buffer, except to a terminal: it gets one, which copies the log
  # line by line, so that each row finds what was said before the next row starts.
  script --quiet --flush --command \
    "orca --replace --user-prefs '$HOME/orca' --debug-file /dev/tty" /dev/null >"$orca_log" 2>&1 &
  started+=($!)
  for _ in $(seq 100); do
    grep -q "SPEECH OUTPUT" "$orca_log" 2>/dev/null && break
    sleep 0.2
  done
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$program" 2>/dev/null &
  started+=($!)
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Chiffrel$' >/dev/null 2>&1 && break
    sleep 0.2
  done
  xdotool windowactivate --sync "$(xdotool search --onlyvisible --name '^Chiffrel$' | head -1)"
  sleep 3
  failures=0
  while IFS=$'\t' read -r keys expected what; do
    run_step "$keys" "$expected" "$what" "$orca_log"
  done <<<"$steps"
  echo "$failures of $(grep -c . <<<"$steps") rows failed"
  [ "$failures" -eq 0 ]
  exit
fi

need=()
command -v orca >/dev/null || need+=(orca)
[ -x /usr/bin/speech-dispatcher ] || need+=(speech-dispatcher)
if [ ${#need[@]} -gt 0 ]; then
  apt-get install -y --no-install-recommends "${need[@]}"
fi
for tool in Xvfb xdotool openbox dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh)" >&2; exit 2; }
done
if [ -z "$program" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target chiffrel >/dev/null
  program=$(realpath build/release/mainwin/chiffrel)
fi

work=$(mktemp -d)
server_pid=""
trap '[ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
server_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
mkdir -m 700 "$work/runtime"
orca_log=${log:-$work/orca.log}
: >"$orca_log"
status=0
DISPLAY=":$(cat "$work/display")" HOME="$work" XDG_CONFIG_HOME="$work/config" \
  XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/data" LANG=C.UTF-8 \
  dbus-run-session -- "$0" --inside inside "$program" "$orca_log" 2>/dev/null || status=$?
exit "$status"
