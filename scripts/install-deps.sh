#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Chiffrel needs.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev qt6-translations-l10n
  adwaita-qt6  # the Adwaita styles, which the appearance tests show the windows in
  libglib2.0-dev libcups2-dev libxcb1-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-dev clang-format git  # git lists the files the format check reads
  fonts-liberation2 fonts-dejavu-core fonts-comic-neue
  poppler-utils xvfb xdotool x11-utils imagemagick openbox
  dbus-daemon dbus-bin at-spi2-core python3-pyatspi
  desktop-file-utils appstream dpkg-dev file
)

# The installed packages with the names they provide: a name may be a package of its own in one
# release and only provided by another in the next (libqt6opengl6-dev by qt6-base-dev in Debian 13).
present=$(dpkg-query -W -f='${db:Status-Abbrev}|${Package}|${Provides}\n' |
  awk -F'|' '$1 ~ /^ii/ {
    print $2
    n = split($3, names, /, */)
    for (i = 1; i <= n; i++) { sub(/ .*/, "", names[i]); print names[i] }
  }')

missing=()
for p in "${packages[@]}"; do
  if ! grep -qxF "$p" <<<"$present"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=""
if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# Another apt at work (an automatic upgrade) is waited for rather than taken for a failure.
wait_for_lock=(-o DPkg::Lock::Timeout=600)
$sudo_cmd apt-get "${wait_for_lock[@]}" update -qq
$sudo_cmd apt-get "${wait_for_lock[@]}" install -y -qq --no-install-recommends "${missing[@]}"
