#!/usr/bin/env bash
# Records the example games' scripts again, for real: runs tools/record-example-games.py on a
# private X server (tests/window/run_under_xvfb.sh), where it plays pong and snake in their real
# windows while the kit records them, and copies each recording to tests/data/examples/NAME.scr.
# Then `tools/readme-pictures.sh` makes their pictures again. A recording depends on the clock, so
# two runs need not give the same script; the tests replay whichever script is committed.
# Usage: tools/record-example-games.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
cmake --build "$build" -j 2 --target example_pong example_snake >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cat >"$out/run.sh" <<RUN
python3 "$PWD/tools/record-example-games.py" "$build" "$out" pong snake
RUN
bash tests/window/run_under_xvfb.sh "$out/run.sh"
for name in pong snake; do
  cp "$out/$name/VELDO.SCR" "tests/data/examples/$name.scr"
  echo "tests/data/examples/$name.scr"
done
