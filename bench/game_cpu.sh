#!/usr/bin/env bash
# CPU use of the running game in a real window under Xvfb, at full load. Goal: at most 5% of one
# core.
#
# 1. The play-loop benchmark in a real window (bench/play --window): exactly 50 flies, 200 debris
#    particles and both announcements, for ten seconds of 25 ms ticks; it measures its own CPU.
# 2. The game itself, as a player drives it: clicked into play and filled to 50 flies with the
#    spawn button, then sampled from /proc for ten seconds.
#
# Usage: bench/game_cpu.sh [BUILD_DIR]   (default: build; starts its own Xvfb and window manager)
set -uo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
export VELDO_BUILD=${VELDO_BUILD:-$(cd "${1:-build}" && pwd)}
if [ -z "${GAME_CPU_UNDER_XVFB:-}" ]; then
  GAME_CPU_UNDER_XVFB=1 exec bash "$source_dir/tests/window/run_under_xvfb.sh" "$0"
fi
source "$source_dir/tests/window/lib.sh"

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
ticks_per_second=$(getconf CLK_TCK)

echo "== the play loop at full load in a real window"
"$VELDO_BUILD/bench/play" --window 10

echo "== the game, filled to 50 flies with the spawn button"
(cd "$ARTIFACTS" && exec "$VELDO_BUILD/dovuvezuvir") >/dev/null 2>&1 &
game=$!
started_pids+=("$game")
wait_until "the window \"VELDO Graphics\"" find_window "VELDO Graphics"
GRAPHICS=$FOUND_WINDOW
graphics_area
sleep 1
# Canvas (x, y) is drawing-area pixel (300 + x, 250 - y): a click on the field starts play, and
# the spawn button at (-266, 237) adds a fly per click on top of the two that ticks bring.
click_at $((AREA_X + 300)) $((AREA_Y + 400))
sleep 0.5
for _ in $(seq 48); do
  click_at $((AREA_X + 34)) $((AREA_Y + 13))
done
sleep 2
screenshot full-load
# Our own X server: the one run_under_xvfb.sh started beside this script (other programs on the
# machine may run X servers of their own).
xserver=$(pgrep -P "$PPID" Xvfb || true)
game_start=$(cpu_ticks "$game")
x_start=$([ -n "$xserver" ] && cpu_ticks "$xserver" || echo 0)
time_start=$(date +%s.%N)
sleep 10
game_end=$(cpu_ticks "$game")
x_end=$([ -n "$xserver" ] && cpu_ticks "$xserver" || echo 0)
time_end=$(date +%s.%N)
awk -v g=$((game_end - game_start)) -v x=$((x_end - x_start)) -v hz="$ticks_per_second" \
  -v t0="$time_start" -v t1="$time_end" 'BEGIN {
    wall = t1 - t0
    share = 100 * g / hz / wall
    printf "  game: %.1f%% of one core over %.1f s (goal: at most 5%%, %s); Xvfb: %.1f%%\n",
      share, wall, share <= 5 ? "met" : "MISSED", 100 * x / hz / wall
  }'
echo "  screenshot: $SHOT"
press_keys "$GRAPHICS" ctrl+q
wait_for_exit "$game"
