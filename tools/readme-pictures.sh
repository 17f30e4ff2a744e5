#!/usr/bin/env bash
# Makes the README's pictures again: each doc/NAME.scr, a recorded game, is replayed headless by
# the replay tool and its final canvas, cut to the 601 x 501 the window shows, becomes
# doc/NAME.png; likewise each tests/data/examples/NAME.scr, replayed by the example game NAME,
# becomes tests/data/examples/NAME.png, the picture the example's test expects. Builds the
# replay tool and those examples first (only them) in BUILD_DIR (default: build). The pictures
# depend only on the scripts and the programs, so two runs give the same files.
# Usage: tools/readme-pictures.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
command -v convert >/dev/null || { echo "readme-pictures: convert (imagemagick) is needed" >&2; exit 1; }

[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
examples=()
for script in tests/data/examples/*.scr; do
  examples+=("$(basename "$script" .scr)")
done
cmake --build "$build" -j "$(nproc)" --target dovuvezuvir-replay "${examples[@]/#/example_}" \
  >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for script in doc/*.scr; do
  name=$(basename "$script" .scr)
  "$build/dovuvezuvir-replay" --png "$tmp/$name.png" "$script"
  # -strip leaves out the time stamps that would make every run's file differ.
  convert "$tmp/$name.png" -crop 601x501+0+0 +repage -strip "doc/$name.png"
  echo "doc/$name.png"
done
for name in "${examples[@]}"; do
  "$build/examples/$name" --png "$tmp/$name.png" "tests/data/examples/$name.scr"
  convert "$tmp/$name.png" -crop 601x501+0+0 +repage -strip "tests/data/examples/$name.png"
  echo "tests/data/examples/$name.png"
done
