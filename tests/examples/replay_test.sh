#!/usr/bin/env bash
# The example games, replayed: each tests/data/examples/NAME.scr, recorded in NAME's real window,
# is replayed by the example program itself (its `NAME [--png FILE] SCRIPT` form) and must end on
# the picture it ended on then, tests/data/examples/NAME.png, pixel for pixel over the 601 x 501
# the window shows. The scripts hold the input the games ask for (arrow keys, their releases, the
# mouse's motion), so this also shows that a script holds it and a replay reproduces it. The
# drawing calls' log names the games' own colours.
#   replay_test.sh <build>/examples <tests>
set -uo pipefail
PROGRAMS=$(realpath "${1:?usage: replay_test.sh <build>/examples <tests>}")
TESTS=$(realpath "${2:?usage: replay_test.sh <build>/examples <tests>}")
DATA=$TESTS/data/examples

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# check NAME COLOUR KIND...: replays NAME's script and compares; COLOUR is one of its own colours'
# names, which its drawing calls must log; each KIND is a line kind its script must hold.
check() {
  local name=$1 colour=$2
  shift 2
  local script=$DATA/$name.scr
  for kind in "$@"; do
    grep -q "^VELDO_$kind(" "$script" || fail "$name.scr holds no VELDO_$kind line"
  done
  "$PROGRAMS/$name" --png "$WORK/$name.png" --log "$WORK/$name.log" --trace "$script" ||
    { fail "$name: the replay failed"; return; }
  local difference
  difference=$(python3 "$TESTS/replay/png.py" same "$DATA/$name.png" "$WORK/$name.png" 601 501) ||
    fail "$name: the replay does not end on $name.png: $difference"
  grep -q "^$colour rectangle with bounding box" "$WORK/$name.log" ||
    fail "$name: the drawing calls' log names no \"$colour\" rectangle"
  # Two replays of one script give the same picture, byte for byte.
  if ! "$PROGRAMS/$name" --png "$WORK/$name.again.png" "$script" ||
    ! cmp -s "$WORK/$name.png" "$WORK/$name.again.png"; then
    fail "$name: a second replay differs"
  fi
  echo "$name: replayed to $name.png"
}

check pong night HOVER DOWN UP PERIODIC
check snake "dark grass" DOWN PERIODIC

if ((failures > 0)); then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "PASS: the example games replay to their pictures"
