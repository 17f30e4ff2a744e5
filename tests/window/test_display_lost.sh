#!/usr/bin/env bash
# The display goes away under a recording program: the X server ends. The program says so in one
# line on stderr and ends with status 1 through the kit's close, so the recording keeps its last
# run of ticks as a closing PERIODIC line.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

[ -n "${VELDO_XVFB_PID:-}" ] || fail "VELDO_XVFB_PID is not set (run under run_under_xvfb.sh)"
rm -f "$ARTIFACTS/VELDO.SCR"
start_events display-lost
press_keys "$GRAPHICS" ctrl+r
# Recording from here on; the ticks of the open run are counted, not yet written.
ticks_at_start=$(count_lines PERIODIC)
five_more_ticks() { (($(count_lines PERIODIC) >= ticks_at_start + 5)); }
wait_until "five ticks while recording" five_more_ticks

kill -TERM "$VELDO_XVFB_PID"
wait_for_exit "$EVENTS_PID"
((EXIT_STATUS == 1)) || fail "the program ended with status $EXIT_STATUS, not 1"
lines=$(grep -c . "$EVENTS_ERR")
((lines == 1)) || fail "the program wrote $lines lines on stderr, not 1"
grep -q "lost the connection to the display" "$EVENTS_ERR" ||
  fail "stderr does not say that the display was lost: $(cat "$EVENTS_ERR")"
[ -f "$ARTIFACTS/VELDO.SCR" ] || fail "no script was written"
last=$(tail -n 1 "$ARTIFACTS/VELDO.SCR")
count=$(sed -n 's/^VELDO_PERIODIC(\([0-9]*\));$/\1/p' <<<"$last")
[ -n "$count" ] || fail "the script does not end with the run of ticks: \"$last\""
((count >= 5)) || fail "the closing run holds $count ticks, not at least 5"
note "one line on stderr, status 1, and the script ends with VELDO_PERIODIC($count);"
note "ok"
