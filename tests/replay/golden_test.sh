#!/usr/bin/env bash
# The golden replays: each script in tests/data/golden replayed by the tool must give, byte for
# byte, the log that the independent model of the game's rules (tests/data/model.py) expects:
# NAME.log for the final frame, and NAME.trace.log, where there is one, for every frame. The
# expected logs are committed; the model is run too, to show that they are still its own. The
# final picture must be NAME.png's, pixel for pixel.
#   golden_test.sh <dovuvezuvir-replay> <tests/data>
set -uo pipefail
REPLAY=$(realpath "${1:?usage: golden_test.sh <dovuvezuvir-replay> <tests/data>}")
DATA=$(realpath "${2:?usage: golden_test.sh <dovuvezuvir-replay> <tests/data>}")
PNG_TOOL=$(realpath "$(dirname "$0")/png.py")

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The kit's end-of-script message names the script as given, so the replays run beside the
# scripts and name them by their file names alone, as the model does.
cd "$DATA/golden" || exit 1
checked=0
for script in *.scr; do
  name=${script%.scr}
  for mode in "" trace; do
    expected=$name${mode:+.$mode}.log
    [ -f "$expected" ] || continue
    actual=$WORK/$expected
    "$REPLAY" ${mode:+--trace} --log "$actual" "$script" || fail "$script: the replay failed"
    if ! cmp -s "$expected" "$actual"; then
      fail "$script${mode:+ (--trace)}: the replay's log differs from the model's:"
      diff -u "$expected" "$actual" | head -n 40 >&2
    fi
    if command -v python3 >/dev/null; then
      python3 ../model.py log "$script" ${mode:+--trace} | cmp -s - "$expected" ||
        fail "$expected is not what tests/data/model.py computes for $script"
    fi
    checked=$((checked + 1))
  done
done
((checked >= 4)) || fail "only $checked golden logs found in $DATA/golden"

# The final pictures: NAME.png, where there is one, pixel for pixel. The pictures pin the rasteriser
# (shapes and text) as the logs pin the game's rules; VELDO_UPDATE_GOLDEN=1 writes them anew.
pictures=0
for script in *.scr; do
  name=${script%.scr}
  [ -f "$name.png" ] || [ -n "${VELDO_UPDATE_GOLDEN:-}" ] || continue
  "$REPLAY" --png "$WORK/$name.png" "$script" 2>/dev/null || fail "$script: the replay failed"
  if [ -n "${VELDO_UPDATE_GOLDEN:-}" ]; then
    cp "$WORK/$name.png" "$name.png"
  else
    differing=$(python3 "$PNG_TOOL" differ "$name.png" "$WORK/$name.png")
    [ "$differing" = 0 ] || fail "$script: the final picture differs from $name.png in $differing pixels"
  fi
  pictures=$((pictures + 1))
done
((pictures >= 4)) || fail "only $pictures golden pictures found in $DATA/golden"

if ((failures > 0)); then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "PASS: $checked golden replays, $pictures golden pictures"
