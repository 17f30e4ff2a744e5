#!/usr/bin/env bash
# The graphics window's close box ends the events example with status 0, through the quit event.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

start_events close
client_geometry "$GRAPHICS"
# The close box is the rightmost button of the title bar.
close_x=$((CLIENT_X + CLIENT_W + FRAME_RIGHT - 11))
close_y=$((CLIENT_Y - FRAME_TOP / 2))
((FRAME_TOP > 0)) || fail "the graphics window has no title bar"
click_at "$close_x" "$close_y"
wait_for_exit "$EVENTS_PID"
((EXIT_STATUS == 0)) || fail "the program ended with status $EXIT_STATUS after the close box, not 0"
has_line "QUIT" || fail "the close box did not arrive as a quit event"
note "ok"
