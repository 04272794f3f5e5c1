#!/usr/bin/env bash
# Remakes the manual's pictures in data/manual/ from the real program: its
# windows run on the offscreen platform with simulated sticks and are saved
# as PNG files.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target screenshots data_files
build/bin/screenshots data/manual
