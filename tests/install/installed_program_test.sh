#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then starts the installed program the way a user
# does, by its name on the PATH. The launcher is a link, so the program must still see its own
# directory, with the files it reads, and keep running with its window shown until stopped.
# Usage: installed_program_test.sh <cmake> <build directory> <source directory>
set -euo pipefail
cmake_command=$1
build_dir=$2
source_dir=$3

work=$(mktemp -d)
program_pid=""
cleanup() {
  if [ -n "$program_pid" ]; then kill -KILL "$program_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

prefix=$work/prefix
"$cmake_command" --install "$build_dir" --prefix "$prefix" >/dev/null

program_dir=$prefix/lib/chiffrel
[ -x "$program_dir/chiffrel" ] || fail "no executable in $program_dir"
cmp "$source_dir/infowin/history.txt" "$program_dir/history.txt" ||
  fail "history.txt is not installed beside the executable"
cmp "$source_dir/help/chiffrel.hlp" "$program_dir/chiffrel.hlp" ||
  fail "chiffrel.hlp is not installed beside the executable"
[ "$(readlink "$prefix/bin/chiffrel")" = "../lib/chiffrel/chiffrel" ] ||
  fail "bin/chiffrel is not a relative link to the program"
for installed in share/applications/chiffrel.desktop \
  share/metainfo/invalid.chiffrel.Chiffrel.metainfo.xml \
  share/icons/hicolor/scalable/apps/chiffrel.svg \
  share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/chiffrel.png \
  share/man/man1/chiffrel.1.gz share/doc/chiffrel/copyright share/doc/chiffrel/changelog.gz; do
  [ -s "$prefix/$installed" ] || fail "$installed is not installed"
done

# A user's start: another working directory, an empty configuration, a UTF-8 locale. Where none is
# set (a new system without LANG), the character type is C.UTF-8's, which Qt otherwise chooses
# itself with a notice.
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cd "$work/home"
utf8=()
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || utf8=(LC_CTYPE=C.UTF-8)
env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
  "${utf8[@]}" PATH="$prefix/bin:$PATH" chiffrel >"$work/output" 2>&1 &
program_pid=$!

# The program takes its directory from /proc/self/exe; read the same link from outside once env
# has been replaced by the program.
program_exe=""
for _ in $(seq 100); do
  program_exe=$(readlink "/proc/$program_pid/exe" || true)
  [ "$program_exe" = "$program_dir/chiffrel" ] && break
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
[ "$program_exe" = "$program_dir/chiffrel" ] ||
  fail "the launcher did not start $program_dir/chiffrel (saw '${program_exe}')"

# A failed start (a sanitizer report, an exception, a missing file it cannot do without) ends the
# program; one with its window shown waits for the user.
sleep 3
kill -0 "$program_pid" 2>/dev/null || {
  cat "$work/output" >&2
  fail "the installed program stopped by itself"
}
kill -TERM "$program_pid"
status=0
wait "$program_pid" || status=$?
program_pid=""
[ "$status" -eq 143 ] || fail "the program ended with status $status instead of by the stop signal"

# Anything it said, besides the offscreen platform's notice about size hints, is a complaint.
if grep -v -x 'This plugin does not support propagateSizeHints()' "$work/output" >&2; then
  fail "the installed program printed the messages above"
fi
echo "The installed program ran from $program_dir until stopped."
