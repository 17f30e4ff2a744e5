#!/usr/bin/env bash
# The events example opens "VELDO Graphics" at the top-left with a 601 x 501 drawing area below
# its menu bar, and "VELDO Text" along the bottom third of the screen, full width. SIGTERM ends
# it with status 0. Made larger, the log window repaints its lines.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

start_events windows
screen_size

# The graphics window: its frame at (0, 0), its client 601 wide, a menu bar and then 501 rows.
client_geometry "$GRAPHICS"
note "graphics client ${CLIENT_W}x${CLIENT_H} at ($CLIENT_X, $CLIENT_Y), frame $FRAME_LEFT,$FRAME_RIGHT,$FRAME_TOP,$FRAME_BOTTOM"
((CLIENT_X - FRAME_LEFT == 0 && CLIENT_Y - FRAME_TOP == 0)) ||
  fail "the graphics window's frame is at ($((CLIENT_X - FRAME_LEFT)), $((CLIENT_Y - FRAME_TOP))), not (0, 0)"
((CLIENT_W == 601)) || fail "the graphics window's client is $CLIENT_W wide, not 601"
menu_bar_height=$((CLIENT_H - 501))
((menu_bar_height >= 15 && menu_bar_height <= 60)) ||
  fail "the graphics window's client is $CLIENT_H high: 501 plus a menu bar of $menu_bar_height rows?"

# The log window: frame at x 0, y 2H/3 + 1, W wide and H/3 high (a pixel or two of slack for
# the window manager's rounding). The frame is fitted once the window manager has framed the
# window, so this waits for it.
near() { (($1 - $2 <= 2 && $2 - $1 <= 2)); }
log_frame_fitted() {
  client_geometry "$LOG"
  frame_x=$((CLIENT_X - FRAME_LEFT))
  frame_y=$((CLIENT_Y - FRAME_TOP))
  frame_w=$((CLIENT_W + FRAME_LEFT + FRAME_RIGHT))
  frame_h=$((CLIENT_H + FRAME_TOP + FRAME_BOTTOM))
  near "$frame_x" 0 && near "$frame_y" $((2 * SCREEN_H / 3 + 1)) && near "$frame_w" "$SCREEN_W" &&
    near "$frame_h" $((SCREEN_H / 3))
}
deadline=$((SECONDS + 10))
until log_frame_fitted; do
  ((SECONDS < deadline)) || fail "the log window's frame is ${frame_w}x${frame_h} at" \
    "($frame_x, $frame_y), not ${SCREEN_W}x$((SCREEN_H / 3)) at (0, $((2 * SCREEN_H / 3 + 1)))"
  sleep 0.1
done
note "screen ${SCREEN_W}x${SCREEN_H}; log frame ${frame_w}x${frame_h} at ($frame_x, $frame_y)"

# The log window shows the program's report lines: dark text on white near its bottom-left. A
# line comes with every tick, so within a few ticks there are three.
log_shows_lines() {
  screenshot windows
  bands=$(text_bands "$SHOT" "$CLIENT_X" "$CLIENT_Y" 200 "$CLIENT_H" | wc -l)
  ((bands >= 3))
}
wait_until "the log window to show three lines of text" log_shows_lines

# Made taller, the log window repaints from its ring: its newest line is at the new bottom. The
# ticks are halted first, so no new line arrives to put one there.
tick_count() { count_lines "PERIODIC"; }
ticks_stopped() {
  local before
  before=$(tick_count)
  sleep 2
  (($(tick_count) == before))
}
press_keys "$GRAPHICS" ctrl+h
wait_until "the ticks to stop after Ctrl+H" ticks_stopped
# Beside the graphics window, so that nothing covers it.
xdotool windowmove "$LOG" 620 200
xdotool windowsize "$LOG" 600 500
resized_and_repainted() {
  client_geometry "$LOG"
  ((CLIENT_H >= 450 && CLIENT_Y + CLIENT_H <= SCREEN_H)) || return 1
  screenshot log-resized
  local last_band
  last_band=$(text_bands "$SHOT" "$CLIENT_X" "$CLIENT_Y" 200 "$CLIENT_H" | tail -n1)
  read -r _ LAST_TEXT_ROW _ <<<"$last_band"
  [ -n "$LAST_TEXT_ROW" ] && ((CLIENT_Y + CLIENT_H - LAST_TEXT_ROW <= 25))
}
wait_until "the resized log window to show its newest line at the bottom" resized_and_repainted
# Every report line was logged too, and the ring keeps the last 25.
lines_logged=$(wc -l <"$EVENTS_OUT")
lines_kept=$((lines_logged < 25 ? lines_logged : 25))
lines_shown=$(text_bands "$SHOT" "$CLIENT_X" "$CLIENT_Y" 200 "$CLIENT_H" | wc -l)
((lines_shown == lines_kept)) ||
  fail "the resized log window shows $lines_shown lines, not the ring's $lines_kept"
note "the resized log window shows $lines_shown lines, the newest at the bottom"

# SIGTERM is a quit, as the Run menu's Quit is.
kill -TERM "$EVENTS_PID"
wait_for_exit "$EVENTS_PID"
((EXIT_STATUS == 0)) || fail "the program ended with status $EXIT_STATUS after SIGTERM, not 0"
has_line "QUIT" || fail "SIGTERM did not arrive as a quit event"
note "ok"
