#!/usr/bin/env bash
# Hostile scripts through the replay tool: clicks at and around the 32-bit limits in every phase of
# a swing, numbers the reader saturates, a full table of flies, keys of every value, malformed
# lines, a script that asks for two billion ticks, and a seeded set of random scripts made of all
# of these. In the sanitizer build any undefined behaviour or bad memory access aborts the tool,
# so each must replay clean: its expected status, nothing on standard error but the tool's own
# messages, and a final frame that counts every swing the script makes.
#   hostile_test.sh <dovuvezuvir-replay> <tests/data>
set -uo pipefail
REPLAY=$(realpath "${1:?usage: hostile_test.sh <dovuvezuvir-replay> <tests/data>}")
DATA=$(realpath "${2:?usage: hostile_test.sh <dovuvezuvir-replay> <tests/data>}")

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# replay_clean <expected status> <script> [option]...: replays the script with a log and a picture;
# the status must be the expected one and standard error hold only the tool's own messages.
replay_clean() {
  local expected=$1 script=$2
  shift 2
  timeout 300 "$REPLAY" --log "$WORK/out.log" --png "$WORK/out.png" "$@" "$script" \
    >/dev/null 2>"$WORK/err.txt"
  local status=$?
  local others
  others=$(grep -v -e '^dovuvezuvir-replay: warning: no event could be replayed from ' \
    -e '^dovuvezuvir-replay: the script .* holds more than [0-9]* events' "$WORK/err.txt")
  if ((status != expected)) || [ -n "$others" ]; then
    fail "$(basename "$script"): status $status, not $expected; stderr:"$'\n'"$(head -n 20 "$WORK/err.txt")"
    return 1
  fi
}

# The value of a heads-up counter in the final frame.
final() { sed -n "s/^white text at ([-0-9]*,231), \"$1: \([0-9]*\)\"$/\1/p" "$WORK/out.log"; }

# ---- The committed corpus: each file, its status, and the swings its final frame counts --------
while read -r name status swings options; do
  replay_clean "$status" "$DATA/hostile/$name" $options || continue
  [ "$(final Swings)" = "$swings" ] ||
    fail "$name: the final frame counts $(final Swings) swings, not $swings"
done <<'EOF'
limits.scr 0 49
overlong.scr 0 2
full-table.scr 0 6
keys.scr 0 0
garbage.scr 0 3
endless.scr 3 0 --max-events 2000
EOF
(($(ls "$DATA/hostile" | wc -l) == 6)) || fail "tests/data/hostile holds files this test does not run"
# The endless script was cut after its click and 1,999 ticks: 49 seconds of play.
[ "$(final Time)" = 49 ] || fail "endless.scr was not cut after 2000 events: Time $(final Time)"

# ---- Random scripts: every kind of line, with positions from the limits, anywhere in 32 bits,
# and on the field. Seeded, so a failure can be made again; its script is printed. ---------------
python3 - "$WORK" <<'EOF'
import random, sys
LIMITS = [-2**31, -2**31 + 1, -2**31 + 15, -1000001, 1000001, 2**31 - 16, 2**31 - 1]
def position(r):
    pick = r.random()
    if pick < 0.4:
        return r.choice(LIMITS)
    if pick < 0.7:
        return r.randint(-2**31, 2**31 - 1)
    return r.randint(-320, 320)
for n in range(40):
    r = random.Random(2898 + n)
    lines = ["VELDO_MOUSE(%d, %d);" % (position(r), position(r))]
    for _ in range(r.randint(5, 40)):
        kind = r.random()
        if kind < 0.45:
            lines.append("VELDO_MOUSE(%d, %d);" % (position(r), position(r)))
        elif kind < 0.55:
            lines.append("VELDO_MOUSE(-266, 237);")  # the spawn button
        elif kind < 0.65:
            lines.append("VELDO_KBD(%d);" % r.choice([-2**31, -128, 0, 97, 255, 2**31 - 1]))
        else:
            lines.append("VELDO_PERIODIC(%d);" % r.randint(1, 30))
    with open("%s/random-%02d.scr" % (sys.argv[1], n), "w") as f:
        f.write("\n".join(lines) + "\n")
EOF
scripts=0
for script in "$WORK"/random-*.scr; do
  scripts=$((scripts + 1))
  replay_clean 0 "$script" || { echo "the script:" >&2; cat "$script" >&2; }
  [ -n "$(final Swings)" ] || fail "$(basename "$script"): no final play frame"
done
((scripts == 40)) || fail "only $scripts random scripts were made"

if ((failures > 0)); then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "PASS: 6 hostile scripts and $scripts random ones replayed clean"
