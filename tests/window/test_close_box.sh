#!/usr/bin/env bash
# The close boxes. The log window's closes that window alone: the program goes on, logging into
# nothing. The graphics window's ends the program with status 0, through the quit event.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

# click_close_box <window>: the rightmost button of the window's title bar.
click_close_box() {
  client_geometry "$1"
  ((FRAME_TOP > 0)) || fail "window $1 has no title bar"
  click_at $((CLIENT_X + CLIENT_W + FRAME_RIGHT - 11)) $((CLIENT_Y - FRAME_TOP / 2))
}
log_window_gone() { ! find_window "VELDO Text"; }
ticks_go_on() {
  local before
  before=$(count_lines "PERIODIC")
  sleep 1
  (($(count_lines "PERIODIC") >= before + 3))
}

start_events close
click_close_box "$LOG"
wait_until "the log window to close" log_window_gone
wait_until "more ticks after the log window closed" ticks_go_on
program_ended "$EVENTS_PID" && fail "closing the log window ended the program"
note "the log window closed and the program goes on"

click_close_box "$GRAPHICS"
wait_for_exit "$EVENTS_PID"
((EXIT_STATUS == 0)) || fail "the program ended with status $EXIT_STATUS after the close box, not 0"
has_line "QUIT" || fail "the close box did not arrive as a quit event"
note "ok"
