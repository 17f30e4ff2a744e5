#!/usr/bin/env bash
# CPU use of the running game in a real window under Xvfb, at full load.
#
# 1. The play-loop benchmark in a real window (bench/play --window): exactly 50 flies, 200 debris
#    particles and both announcements, for ten seconds of 25 ms ticks; it measures its own CPU.
# 2. The game itself, as a player drives it: started, clicked into play, filled to 50 flies with
#    the spawn button, then sampled from /proc for ten seconds.
# Goal: under 10% of one core. Usage: bench/game_cpu.sh [BUILD_DIR] (default: build).
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi
command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & wm=$!; }
work=$(mktemp -d)
trap 'kill ${game:-} ${wm:-} 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
sleep 0.5

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { # utime + stime of a process, in clock ticks
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}

echo "== the play loop at full load in a real window"
"$build/bench/play" --window 10

echo "== the game, 50 flies from the spawn button"
"$build/dovuvezuvir" &
game=$!
wid=$(timeout 15 xdotool search --sync --onlyvisible --name '^VELDO Graphics$' | head -n 1)
sleep 1
# The client area lies below the menu bar. The title's red disc, at client pixels 230..370 x
# 80..220, tells where; canvas (x, y) is client pixel (300 + x, 250 - y).
import -window "$wid" "$work/title.png"
box=$(convert "$work/title.png" -fill black +opaque '#FF0000' -format '%@' info:)
xy=${box#*+}
ox=$((${xy%+*} - 230))
oy=$((${xy#*+} - 80))
click() { xdotool mousemove --window "$wid" $(($1 + ox)) $(($2 + oy)) click 1; }
click 300 400
sleep 0.2
for _ in $(seq 48); do
  click 34 13
  sleep 0.05
done
sleep 2
xserver=$(pgrep -n Xvfb || true)
start_game=$(cpu_ticks "$game")
start_x=$([[ -n $xserver ]] && cpu_ticks "$xserver" || echo 0)
start_time=$(date +%s.%N)
sleep 10
end_game=$(cpu_ticks "$game")
end_x=$([[ -n $xserver ]] && cpu_ticks "$xserver" || echo 0)
end_time=$(date +%s.%N)
awk -v g=$((end_game - start_game)) -v x=$((end_x - start_x)) -v hz="$ticks_per_second" \
  -v t0="$start_time" -v t1="$end_time" 'BEGIN {
    wall = t1 - t0
    share = 100 * g / hz / wall
    printf "  game: %.1f%% of one core over %.1f s (goal: under 10%%, %s); Xvfb: %.1f%%\n",
      share, wall, share < 10 ? "met" : "MISSED", 100 * x / hz / wall
  }'
xdotool key --window "$wid" ctrl+q >/dev/null 2>&1 || true
wait "$game" || true
