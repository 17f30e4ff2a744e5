#!/usr/bin/env bash
# Clicks and keys reach the events example as the kit's events: a click at the drawing area's
# centre is (0, 0) and its corners are (-300, 250) and (300, -250); typing "a" is a key event 97;
# Ctrl+H stops the ticks and Ctrl+A resumes them, from either window (the log window hands its
# keys on), and no shortcut is reported as a typed character; Alt+R opens the Run menu; Ctrl+Q
# ends the program with status 0.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

start_events input
graphics_area

click_at $((AREA_X + 300)) $((AREA_Y + 250))
wait_for_line "MOUSE 0 0"
click_at "$AREA_X" "$AREA_Y"
wait_for_line "MOUSE -300 250"
click_at $((AREA_X + 600)) $((AREA_Y + 500))
wait_for_line "MOUSE 300 -250"
# One pixel right of and above the centre.
click_at $((AREA_X + 301)) $((AREA_Y + 249))
wait_for_line "MOUSE 1 1"
note "clicks arrive in canvas coordinates"

press_keys "$GRAPHICS" a
wait_for_line "KBD 97"
press_keys "$GRAPHICS" shift+a
wait_for_line "KBD 65"
note "typed characters arrive"

# tick_count: how many ticks the program has reported so far.
tick_count() { count_lines "PERIODIC"; }
# ticks_stopped: no tick for two seconds (the kit delivers ten a second while running).
ticks_stopped() {
  local before
  before=$(tick_count)
  sleep 2
  (($(tick_count) == before))
}
# ticks_running: a few more ticks have come.
ticks_running() {
  local before
  before=$(tick_count)
  sleep 1
  (($(tick_count) >= before + 3))
}

wait_until "ticks while running" ticks_running
press_keys "$GRAPHICS" ctrl+h
wait_until "the ticks to stop after Ctrl+H" ticks_stopped
press_keys "$GRAPHICS" ctrl+a
wait_until "the ticks to resume after Ctrl+A" ticks_running
note "Ctrl+H and Ctrl+A in the graphics window halt and resume"

# The log window hands its keys to the graphics window.
press_keys "$LOG" ctrl+h
wait_until "the ticks to stop after Ctrl+H in the log window" ticks_stopped
press_keys "$LOG" ctrl+a
wait_until "the ticks to resume after Ctrl+A in the log window" ticks_running
note "the Ctrl shortcuts work from the log window too"

# Alt and its keys stay GTK's: Alt+R opens the Run menu by its mnemonic and types nothing.
menu_open() { find_popup events; }
menu_closed() { ! find_popup events; }
press_keys "$GRAPHICS" alt+r
wait_until "Alt+R to open the Run menu" menu_open
xdotool key Escape
wait_until "Escape to close the Run menu" menu_closed
note "Alt+R opens the Run menu"

unexpected=$(grep '^KBD' "$EVENTS_OUT" | grep -v -x -e "KBD 97" -e "KBD 65")
[ -z "$unexpected" ] || fail "the Ctrl shortcuts were reported as characters: $unexpected"

press_keys "$GRAPHICS" ctrl+q
wait_for_exit "$EVENTS_PID"
((EXIT_STATUS == 0)) || fail "the program ended with status $EXIT_STATUS, not 0"
note "ok"
