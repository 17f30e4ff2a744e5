#!/usr/bin/env bash
# Record live, replay headless: a game recorded in a real window and replayed by
# dovuvezuvir-replay ends on the very picture the window showed. The game runs in an empty
# directory; Ctrl+R on the title starts the recording, a click starts play, and a few seconds of
# play follow with clicks on the field, one aimed at a fly while the game is halted, and on the
# spawn button. Then Ctrl+H, and once no tick can be pending a screenshot; Ctrl+R ends the
# recording and Ctrl+Q the game. The replay's final canvas, in its visible 601 x 501 part, must
# equal the screenshot's drawing area pixel for pixel.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

RED='#FF0000'
REPLAY=$VELDO_BUILD/dovuvezuvir-replay
[ -x "$VELDO_BUILD/dovuvezuvir" ] || fail "$VELDO_BUILD/dovuvezuvir is not built"
[ -x "$REPLAY" ] || fail "$REPLAY is not built"

WORK=$(mktemp -d)
trap 'stop_started_programs; rm -rf "$WORK"' EXIT
SCRIPT_FILE=$WORK/VELDO.SCR

click_area() { click_at $((AREA_X + $1)) $((AREA_Y + $2)); }
area_pixel_is() {
  screenshot "$1"
  [ "$(pixel "$SHOT" $((AREA_X + $2)) $((AREA_Y + $3)))" = "$4" ]
}
# area_shot <name>: the drawing area (601 x 501) of a new screenshot, as $ARTIFACTS/<test>.<name>.png;
# sets AREA_SHOT.
area_shot() {
  screenshot "$1-screen"
  AREA_SHOT="$ARTIFACTS/$TEST_NAME.$1.png"
  convert "$SHOT" -crop "601x501+$AREA_X+$AREA_Y" +repage "$AREA_SHOT" ||
    fail "cannot crop the drawing area from $SHOT"
}
# differing <a> <b>: the number of pixels in which two pictures differ.
differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{print $1}'; }
# settled <name>: two screenshots a while apart show the same picture; sets AREA_SHOT to the
# second. After a halt one tick may still come (the wait already armed ends with it), so the
# picture can change once more.
settled() {
  area_shot "$1-a"
  local first=$AREA_SHOT
  sleep 0.3
  area_shot "$1"
  [ "$(differing "$first" "$AREA_SHOT")" = 0 ]
}
# The first red pixel of the field (a fly's eye), in area pixels: sets EYE_X, EYE_Y.
find_fly_eye() {
  local at
  at=$(convert "$AREA_SHOT" -crop "601x470+0+30" +repage -depth 8 txt:- |
    grep -m1 -i "$RED" | cut -d: -f1)
  [ -n "$at" ] || return 1
  EYE_X=${at%,*}
  EYE_Y=$((${at#*,} + 30))
}

# ---- Recording a game in a real window -------------------------------------------------------------
EVENTS_OUT="$ARTIFACTS/$TEST_NAME.game.out"
EVENTS_ERR="$ARTIFACTS/$TEST_NAME.game.err"
(cd "$WORK" && exec "$VELDO_BUILD/dovuvezuvir") >"$EVENTS_OUT" 2>"$EVENTS_ERR" &
GAME_PID=$!
started_pids+=("$GAME_PID")
wait_until "the window \"VELDO Graphics\"" find_window "VELDO Graphics"
GRAPHICS=$FOUND_WINDOW
graphics_area
wait_until "the title's red disc" area_pixel_is title 245 150 "$RED"

press_keys "$GRAPHICS" ctrl+r
sleep 0.3
click_area 300 400
wait_until "the play frame" area_pixel_is play 1 13 "$RED"
sleep 1
click_area 150 300 # a swing at canvas (-150, -50)
sleep 0.4
click_area 34 13 # the spawn button, canvas (-266, 237)
sleep 0.4
click_area 450 200 # during the cooldown: ignored, but still an event and a frame
sleep 0.5

# Halted, the flies stand still: a swing at a fly's eye hits it.
press_keys "$GRAPHICS" ctrl+h
wait_until "the halted picture to settle" settled halted
find_fly_eye || fail "no fly on the field to aim at ($AREA_SHOT)"
note "aiming at a fly's eye at area pixel ($EYE_X, $EYE_Y)"
click_area "$EYE_X" "$EYE_Y"
sleep 0.3
press_keys "$GRAPHICS" ctrl+a
sleep 1.5 # the swatted fly falls and sheds debris
click_area 34 13
sleep 0.3
click_area 400 350
sleep 0.7

press_keys "$GRAPHICS" ctrl+h
wait_until "the final picture to settle" settled live
LIVE=$AREA_SHOT
note "live picture: $LIVE"

press_keys "$GRAPHICS" ctrl+r
sleep 0.3
press_keys "$GRAPHICS" ctrl+q
wait_for_exit "$GAME_PID"
((EXIT_STATUS == 0)) || fail "the game ended with status $EXIT_STATUS after Ctrl+Q"

[ -s "$SCRIPT_FILE" ] || fail "no VELDO.SCR was recorded in $WORK"
cp "$SCRIPT_FILE" "$ARTIFACTS/$TEST_NAME.VELDO.SCR"
mouse_lines=$(grep -c '^VELDO_MOUSE(' "$SCRIPT_FILE")
((mouse_lines == 7)) ||
  fail "the recording holds $mouse_lines clicks, not 7 ($ARTIFACTS/$TEST_NAME.VELDO.SCR)"
ticks=$(awk -F'[()]' '/^VELDO_PERIODIC/ { sum += $2 } END { print sum + 0 }' "$SCRIPT_FILE")
note "recorded $(wc -l <"$SCRIPT_FILE") lines: $mouse_lines clicks and $ticks ticks"

# ---- Replaying it headless ---------------------------------------------------------------------------
REPLAYED="$ARTIFACTS/$TEST_NAME.replayed.png"
rm -f "$REPLAYED"
(cd "$ARTIFACTS" && "$REPLAY" --png "$REPLAYED" --log "$ARTIFACTS/$TEST_NAME.replayed.log" \
  "$SCRIPT_FILE") || fail "dovuvezuvir-replay failed on the recorded script"
[ "$(identify -format '%wx%h' "$REPLAYED")" = 601x540 ] || fail "the replayed canvas is not 601x540"
VISIBLE="$ARTIFACTS/$TEST_NAME.replayed-visible.png"
convert "$REPLAYED" -crop "601x501+0+0" +repage "$VISIBLE"
grep -q '^white text at (-100,231), "Score: [1-9]' "$ARTIFACTS/$TEST_NAME.replayed.log" ||
  fail "the replayed game scored nothing, though a swing was aimed at a fly"

difference=$(differing "$LIVE" "$VISIBLE")
if [ "$difference" != 0 ]; then
  compare "$LIVE" "$VISIBLE" "$ARTIFACTS/$TEST_NAME.difference.png" 2>/dev/null
  fail "the replay differs from the live picture in $difference pixels" \
    "(live $LIVE, replayed $VISIBLE, difference $ARTIFACTS/$TEST_NAME.difference.png)"
fi
note "the replay equals the live picture, pixel for pixel"
