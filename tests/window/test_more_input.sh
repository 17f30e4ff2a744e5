#!/usr/bin/env bash
# The input a program asks for reaches it from a real window: the events example, run with
# --all-input, reports the mouse's motion in canvas coordinates, right and middle clicks, and
# special keys with their releases (Enter also types its character, between the two); a burst of
# moves makes no more motion events than the ticks allow; Ctrl+Q still quits. The same program
# without the option (tests/window/test_input.sh) reports none of this.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

start_events more --all-input
graphics_area

# The pointer comes to the centre of the drawing area, then one pixel right of and above it.
timeout 10 xdotool mousemove --sync $((AREA_X + 300)) $((AREA_Y + 250)) ||
  fail "cannot move the pointer"
wait_for_line "MOTION 0 0"
timeout 10 xdotool mousemove --sync $((AREA_X + 301)) $((AREA_Y + 249)) ||
  fail "cannot move the pointer"
wait_for_line "MOTION 1 1"
note "motion arrives in canvas coordinates"

# 200 moves over two seconds, a hundred a second: the kit returns at most one motion a tick (the
# example runs at ten ticks a second), and the last one is where the pointer stopped.
motions_before=$(grep -c '^MOTION ' "$EVENTS_OUT")
ticks_before=$(count_lines "PERIODIC")
moves=()
for i in $(seq 1 200); do
  moves+=(mousemove $((AREA_X + 100 + i)) $((AREA_Y + 100 + i / 2)) sleep 0.01)
done
timeout 20 xdotool "${moves[@]}" || fail "cannot move the pointer 200 times"
last_x=$((100 + 200 - 300))
last_y=$((250 - 100 - 200 / 2))
wait_for_line "MOTION $last_x $last_y"
sleep 1
motions=$(($(grep -c '^MOTION ' "$EVENTS_OUT") - motions_before))
ticks=$(($(count_lines "PERIODIC") - ticks_before))
note "200 moves made $motions motion events over $ticks ticks"
((motions <= 2 * ticks + 2)) || fail "$motions motion events for $ticks ticks: the moves flooded in"

# Right and middle clicks, at one pixel left of and below the centre.
click_button() {
  timeout 10 xdotool mousemove --sync "$1" "$2" || fail "cannot move the pointer to ($1, $2)"
  xdotool click "$3"
}
click_button $((AREA_X + 299)) $((AREA_Y + 251)) 3
wait_for_line "RIGHT_CLICK -1 -1"
click_button $((AREA_X + 320)) $((AREA_Y + 230)) 2
wait_for_line "MIDDLE_CLICK 20 20"
has_line "MOUSE -1 -1" && fail "the right click was taken for a left one"
note "right and middle clicks arrive"

# Special keys, each pressed and released: Left (1), F5 (18), Escape (9), Enter (10).
press_keys "$GRAPHICS" Left
wait_for_line "KEY_RELEASE 1"
has_line "KEY_PRESS 1" || fail "Left came up without going down"
press_keys "$GRAPHICS" F5 Escape
wait_for_line "KEY_RELEASE 9"
for line in "KEY_PRESS 18" "KEY_RELEASE 18" "KEY_PRESS 9" "KBD 27"; do
  has_line "$line" || fail "no line \"$line\""
done
press_keys "$GRAPHICS" Return
wait_for_line "KEY_RELEASE 10"
# Enter's press, its character and its release, in that order.
order=$(grep -n -x -e "KEY_PRESS 10" -e "KBD 13" -e "KEY_RELEASE 10" "$EVENTS_OUT" | cut -d: -f2 |
  tr '\n' ,)
[ "$order" = "KEY_PRESS 10,KBD 13,KEY_RELEASE 10," ] || fail "Enter came as $order"
# The log window hands its keys on: Down (4) typed there arrives too.
press_keys "$LOG" Down
wait_for_line "KEY_RELEASE 4"
note "special keys arrive with their releases, from either window"

press_keys "$GRAPHICS" ctrl+q
wait_for_exit "$EVENTS_PID"
((EXIT_STATUS == 0)) || fail "the program ended with status $EXIT_STATUS, not 0"
note "ok"
