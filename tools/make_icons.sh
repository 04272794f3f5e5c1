#!/usr/bin/env bash
# Makes the program's PNG icons for the hicolor theme from the one SVG
# (needs rsvg-convert from librsvg2-bin): data/desktop/icons/<n>x<n>/ventiscope.png.
set -euo pipefail
cd "$(dirname "$0")/../data/desktop"
for n in 16 32 48 64 128 256; do
    mkdir -p "icons/${n}x${n}"
    rsvg-convert -w "$n" -h "$n" ventiscope.svg -o "icons/${n}x${n}/ventiscope.png"
done
