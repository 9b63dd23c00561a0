#!/usr/bin/env bash
# Renders the icon's PNG sizes from chiffrel.svg (the one drawing of the icon); run it after
# changing the SVG and commit the PNGs with it. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  mkdir -p "png/${size}x${size}"
  rsvg-convert --width "$size" --height "$size" chiffrel.svg --output "png/${size}x${size}/chiffrel.png"
done
