#!/usr/bin/env bash
# Checks that the Debian package installs and starts on a bare Debian 12: makes a minimal bookworm
# root with debootstrap in a temporary directory, installs the package there with apt-get (which
# must find every dependency on its own), then starts the program offscreen and expects it still
# running when stopped after a few seconds.
#
# Not part of the test suites: it downloads a base system, needs root and reaches the Debian
# mirror named in this machine's apt sources (/etc/apt/sources.list and sources.list.d).
#
# Usage: scripts/check-deb-in-clean-root.sh [chiffrel_<version>_<arch>.deb]
#   Without a package, builds one with the release preset and cpack.
# Needs: debootstrap (apt-get install debootstrap), run as root.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || fail "run as root (debootstrap and chroot need it)"
command -v debootstrap >/dev/null || fail "debootstrap is missing: apt-get install debootstrap"

# The first mirror that serves bookworm's main component, from either format of apt sources.
bookworm_mirror() {
  local sources=()
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && sources+=("$file")
  done
  if [ ${#sources[@]} -gt 0 ]; then
    awk '$1 == "deb" {
           i = 2
           if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
           if ($(i + 1) == "bookworm") { print $i; exit }
         }' "${sources[@]}"
  fi
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    # One stanza per blank-line separated paragraph.
    awk 'BEGIN { RS = ""; FS = "\n" }
         {
           types = uris = suites = ""
           for (n = 1; n <= NF; n++) {
             if ($n ~ /^Types:/) types = $n
             if ($n ~ /^URIs:/) uris = $n
             if ($n ~ /^Suites:/) suites = $n
           }
           if (types ~ /[ \t]deb([ \t]|$)/ && suites ~ /[ \t]bookworm([ \t]|$)/) {
             split(uris, words, /[ \t]+/); print words[2]; exit
           }
         }' "$file"
  done
}

mirror=$(bookworm_mirror | head -n 1)
[ -n "$mirror" ] || fail "no bookworm source in /etc/apt/sources.list or /etc/apt/sources.list.d"

package=${1:-}
if [ -z "$package" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target chiffrel
  (cd build/release && cpack -G DEB >/dev/null)
  built=(build/release/chiffrel_*.deb)
  package=${built[-1]}
fi
[ -f "$package" ] || fail "no package at $package"

root=$(mktemp -d /var/tmp/chiffrel-clean-root.XXXXXX)
# apt in the root downloads as its own unprivileged user.
chmod 755 "$root"
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT

echo "Making a minimal bookworm root in $root from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 ||
  fail "debootstrap failed, see $root.log"
rm -f "$root.log"
# Packages pulled in as dependencies must not start their services from inside the root.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
# The program finds its own directory through /proc/self/exe.
mount -t proc proc "$root/proc"

cp "$package" "$root/tmp/chiffrel.deb"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -qq
in_root apt-get install -y -qq /tmp/chiffrel.deb >/dev/null
in_root dpkg -L chiffrel

mkdir -p "$root/tmp/home" "$root/tmp/runtime"
chmod 700 "$root/tmp/runtime"
status=0
in_root HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/runtime QT_QPA_PLATFORM=offscreen \
  timeout 10 chiffrel || status=$?
[ "$status" -eq 124 ] || fail "chiffrel ended by itself with status $status in the clean root"
echo "The package installed with its dependencies and chiffrel ran until stopped in a clean bookworm root."
