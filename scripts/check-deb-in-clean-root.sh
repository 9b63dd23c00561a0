#!/usr/bin/env bash
# Checks the README's commands and the Debian package on a bare Debian release, as a newcomer
# meets them: makes a minimal root of that release with debootstrap, puts a fresh clone of this
# checkout's HEAD in it, and there runs the run command (its build, then a start offscreen that must
# still be running when stopped a few seconds later) and the test command, then builds the package
# with cpack, installs it with apt-get (which must find every dependency on its own) and starts the
# installed program offscreen the same way.
#
# Not part of the test suites: it downloads a base system and a few hundred packages, needs root
# and reaches the Debian mirror named in this machine's apt sources (/etc/apt/sources.list and
# sources.list.d), which serves every release.
#
# Usage: scripts/check-deb-in-clean-root.sh [--release NAME] [--cache DIR] [--tests-only]
#   --release NAME  bookworm (Debian 12, the default) or trixie (Debian 13)
#   --cache DIR     keeps the base system, apt's package lists and its downloads in DIR/NAME between
#                   runs (the base system is made anew once a week). Every run still starts from a
#                   fresh copy of the base system, where scripts/install-deps.sh installs everything.
#                   Without it, everything is made in a temporary directory and removed.
#   --tests-only    runs only the test command (what CI does)
# Needs: debootstrap and git, run as root.
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

release=bookworm
cache=""
tests_only=false
while [ $# -gt 0 ]; do
  case $1 in
    --release) release=${2:?--release needs a name}; shift 2 ;;
    --cache) cache=$(realpath -m "${2:?--cache needs a directory}"); shift 2 ;;
    --tests-only) tests_only=true; shift ;;
    *) fail "unknown argument $1 (see the usage at the top of $0)" ;;
  esac
done

[ "$(id -u)" -eq 0 ] || fail "run as root (debootstrap and chroot need it)"
command -v debootstrap >/dev/null || fail "debootstrap is missing: apt-get install debootstrap"
command -v git >/dev/null || fail "git is missing: apt-get install git"
cd "$(dirname "$0")/.."

# The first mirror that serves this machine's own release, from either format of apt sources.
debian_mirror() {
  local own
  own=$(. /etc/os-release && echo "$VERSION_CODENAME")
  local sources=()
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && sources+=("$file")
  done
  if [ ${#sources[@]} -gt 0 ]; then
    awk -v own="$own" '$1 == "deb" {
           i = 2
           if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
           if ($(i + 1) == own) { print $i; exit }
         }' "${sources[@]}"
  fi
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    # One stanza per blank-line separated paragraph.
    awk -v own="$own" 'BEGIN { RS = ""; FS = "\n" }
         {
           types = uris = suites = ""
           for (n = 1; n <= NF; n++) {
             if ($n ~ /^Types:/) types = $n
             if ($n ~ /^URIs:/) uris = $n
             if ($n ~ /^Suites:/) suites = $n
           }
           if (types ~ /[ \t]deb([ \t]|$)/ && suites ~ ("[ \t]" own "([ \t]|$)")) {
             split(uris, words, /[ \t]+/); print words[2]; exit
           }
         }' "$file"
  done
}

mirror=$(debian_mirror | head -n 1)
[ -n "$mirror" ] || fail "no source of this machine's release in /etc/apt/sources.list(.d)"

started=$SECONDS
step_started=$SECONDS
step_done() {
  echo "== $1: $((SECONDS - step_started)) s"
  step_started=$SECONDS
}

if [ -n "$cache" ]; then
  dir=$cache/$release
  mkdir -p "$dir"
  # One run at a time uses a cache.
  exec 9>"$dir/lock"
  flock 9
  [ "$SECONDS" -eq "$step_started" ] || step_done "waiting for another run with this cache"
else
  dir=$(mktemp -d /var/tmp/chiffrel-clean-root.XXXXXX)
fi
base=$dir/base
root=$dir/root
mkdir -p "$dir/archives/partial" "$dir/lists/partial"

# Stops whatever still runs inside the root (a program of the tests left behind), so that its
# mounts can go.
stop_processes_in_root() {
  local link pid
  for link in /proc/[0-9]*/root; do
    pid=${link#/proc/}
    pid=${pid%/root}
    [ "$(readlink "$link" 2>/dev/null)" = "$root" ] && kill -KILL "$pid" 2>/dev/null
  done
  return 0
}

unmount_root() {
  [ -d "$root" ] || return 0
  stop_processes_in_root
  local mount_point
  # The deepest first.
  for mount_point in $(findmnt -rn -o TARGET | grep -F "$root/" | sort -r); do
    umount "$mount_point" 2>/dev/null || umount -l "$mount_point"
  done
}

cleanup() {
  local status=$?
  unmount_root
  rm -rf --one-file-system "$root"
  [ -n "$cache" ] || rm -rf --one-file-system "$dir"
  echo "== $release root, all: $((SECONDS - started)) s"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# A root left behind by a run that was killed.
unmount_root
rm -rf --one-file-system "$root"

if [ ! -f "$base/.made" ] || [ -n "$(find "$base/.made" -mtime +6)" ]; then
  echo "Making a minimal $release system in $base from $mirror"
  rm -rf --one-file-system "$base" "$base.new"
  debootstrap --variant=minbase "$release" "$base.new" "$mirror" >"$dir/debootstrap.log" 2>&1 ||
    fail "debootstrap failed, see $dir/debootstrap.log"
  # Packages pulled in as dependencies must not start their services from inside the root.
  printf '#!/bin/sh\nexit 101\n' >"$base.new/usr/sbin/policy-rc.d"
  chmod 755 "$base.new/usr/sbin/policy-rc.d"
  # apt in the root downloads as its own unprivileged user.
  chmod 755 "$base.new"
  touch "$base.new/.made"
  mv "$base.new" "$base"
  step_done "base system made with debootstrap"
fi

cp -a "$base" "$root"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# The program finds its own directory through /proc/self/exe; the tests use pseudo-terminals,
# shared memory and the kernel's view of the machine.
mount -t proc proc "$root/proc"
mount -t sysfs -o ro sysfs "$root/sys"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
mount --bind "$dir/archives" "$root/var/cache/apt/archives"
mount --bind "$dir/lists" "$root/var/lib/apt/lists"
chroot "$root" chown _apt:root /var/cache/apt/archives/partial /var/lib/apt/lists/partial
git clone -q "$PWD" "$root/src/chiffrel"
step_done "fresh root of $release with a clone of $(git rev-parse --short HEAD)"

# As a new system: no locale set, nothing from this machine's environment.
in_root() {
  chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TERM=dumb \
    DEBIAN_FRONTEND=noninteractive bash -c "cd /src/chiffrel && $1" </dev/null
}

# The run command, stopped once the program has been up for a few seconds: scripts/run.sh ends by
# replacing itself with the program, whose process is still the one started here.
check_run_command() {
  local log=$dir/run.log
  chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TERM=dumb \
    DEBIAN_FRONTEND=noninteractive QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/runtime \
    bash -c 'mkdir -m 700 -p /tmp/runtime && cd /src/chiffrel && exec ./scripts/run.sh' \
    </dev/null >"$log" 2>&1 &
  local pid=$!
  local program=$root/src/chiffrel/build/release/mainwin/chiffrel
  until [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$program" ]; do
    kill -0 "$pid" 2>/dev/null || { tail -n 40 "$log" >&2; fail "the run command ended before starting the program"; }
    sleep 1
  done
  step_done "run command: dependencies and build"
  sleep 5
  kill -0 "$pid" 2>/dev/null || { tail -n 40 "$log" >&2; fail "the program started by the run command stopped by itself"; }
  kill -TERM "$pid"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 143 ] || fail "the program ended with status $status instead of by the stop signal"
  if grep -F 'which is not UTF-8' "$log" >&2; then
    fail "the run command started the program in a locale Qt complains of"
  fi
  step_done "run command: the program ran until stopped"
}

check_package() {
  in_root 'cmake --build --preset release >/dev/null && cd build/release && cpack -G DEB >/dev/null'
  in_root 'apt-get install -y -qq ./build/release/chiffrel_*.deb >/dev/null && dpkg -L chiffrel >/dev/null'
  local status=0
  in_root 'mkdir -m 700 -p /tmp/runtime && cd /tmp &&
    HOME=/tmp XDG_RUNTIME_DIR=/tmp/runtime QT_QPA_PLATFORM=offscreen timeout 10 chiffrel' || status=$?
  [ "$status" -eq 124 ] || fail "the installed chiffrel ended by itself with status $status"
  step_done "package built with cpack, installed with apt-get, started until stopped"
}

# The commands install what they need themselves; done first here, it is timed on its own. Their
# own calls then only check, as a second run here must.
in_root ./scripts/install-deps.sh
[ -z "$(in_root ./scripts/install-deps.sh)" ] ||
  fail "a second run of scripts/install-deps.sh installed packages again"
step_done "packages installed by scripts/install-deps.sh"
if ! $tests_only; then
  check_run_command
fi
in_root ./scripts/test.sh
step_done "test command"
if ! $tests_only; then
  check_package
fi
echo "The README's commands worked in a fresh $release root."
