#!/usr/bin/env bash
# Recording and replaying a script on the desktop. With the events example running, Ctrl+R, a
# click, typing "a", a pause and Ctrl+R again write VELDO.SCR in the working directory: a
# periodic run, the click, the key and the periodic run of the pause, one line each. Started
# again, the example replays the script after Ctrl+P and reports exactly the recorded events;
# when the script has ended the Run menu's check marks show neither recording nor playback.
# SIGTERM during a recording ends the program as Ctrl+Q does, with the recording complete.
set -uo pipefail
# The program runs in a fresh directory of its own, where it writes and reads its script.
export VELDO_ARTIFACTS=${VELDO_BUILD:?VELDO_BUILD must name the build directory}/window-tests/script
rm -rf "$VELDO_ARTIFACTS"
source "$(dirname "$0")/lib.sh"
SCRIPT_FILE=$ARTIFACTS/VELDO.SCR

# ---- Helpers ------------------------------------------------------------------------------------

# open_run_menu: clicks "Run" on the menu bar until the popup opens; sets POPUP_*.
open_run_menu() {
  local attempt tries
  for attempt in 1 2 3 4 5; do
    click_at $((CLIENT_X + 20)) $((CLIENT_Y + (AREA_Y - CLIENT_Y) / 2))
    for tries in $(seq 20); do
      find_popup events && return 0
      sleep 0.1
    done
  done
  fail "clicking \"Run\" opened no menu"
}

# menu_drawn: the open menu's entries are drawn; sets BANDS (one per entry) and SHOT.
menu_drawn() {
  screenshot "$1"
  mapfile -t BANDS < <(text_bands "$SHOT" $((POPUP_X + 3)) $((POPUP_Y + 3)) $((POPUP_W - 6)) \
    $((POPUP_H - 6)))
  ((${#BANDS[@]} >= 11))
}

# check_only_logging_marked_and_quit <name>: opens the Run menu and requires exactly one check
# mark, at Logging (the fourth entry): Record Script and Playback Script are unchecked. Then
# chooses Quit, which must end the program with status 0.
check_only_logging_marked_and_quit() {
  graphics_area
  open_run_menu
  wait_until "the menu's entries to be drawn" menu_drawn "$1-screen"
  convert "$SHOT" -crop "${POPUP_W}x${POPUP_H}+$POPUP_X+$POPUP_Y" +repage \
    "$ARTIFACTS/$TEST_NAME.$1.png"
  local marks mark_top mark_bottom logging_top logging_bottom quit_top quit_bottom
  mapfile -t marks < <(text_bands "$SHOT" $((POPUP_X + 3)) $((POPUP_Y + 3)) 22 $((POPUP_H - 6)))
  ((${#marks[@]} == 1)) ||
    fail "$1: the menu shows ${#marks[@]} check marks, not Logging's alone (${marks[*]})"
  read -r mark_top mark_bottom _ <<<"${marks[0]}"
  read -r logging_top logging_bottom _ <<<"${BANDS[3]}"
  ((mark_bottom >= logging_top && mark_top <= logging_bottom)) ||
    fail "$1: the check mark (rows $mark_top..$mark_bottom) is not at Logging"
  read -r quit_top quit_bottom _ <<<"${BANDS[7]}"
  click_at $((POPUP_X + 60)) $(((quit_top + quit_bottom) / 2))
  wait_for_exit "$EVENTS_PID"
  ((EXIT_STATUS == 0)) || fail "$1: the program ended with status $EXIT_STATUS after Quit"
}

# The events the script stands for, as the example reports them: one PERIODIC line per periodic
# event of a run, "MOUSE x y" and "KBD code" with the code as an unsigned byte.
expand_script() {
  sed -n -e 's/^VELDO_MOUSE(\(-\{0,1\}[0-9]*\), \(-\{0,1\}[0-9]*\));$/MOUSE \1 \2/p' \
    -e 's/^VELDO_KBD(\(-\{0,1\}[0-9]*\));$/KBD \1/p' \
    -e 's/^VELDO_PERIODIC(\([0-9]*\));$/PERIODIC \1/p' "$SCRIPT_FILE" |
    awk '$1 == "PERIODIC" { for (i = 0; i < $2; i++) print "PERIODIC"; next }
         $1 == "KBD" { print "KBD", ($2 + 256) % 256; next }
         { print }'
}

# ---- Recording ----------------------------------------------------------------------------------

start_events record
graphics_area
press_keys "$GRAPHICS" ctrl+r
sleep 0.5
click_at $((AREA_X + 350)) $((AREA_Y + 230))
wait_for_line "MOUSE 50 20"
press_keys "$GRAPHICS" a
wait_for_line "KBD 97"
sleep 1
press_keys "$GRAPHICS" ctrl+r
# The recording has stopped once its last periodic run is on disk.
last_line_is_periodic() { tail -n1 "$SCRIPT_FILE" 2>/dev/null | grep -q '^VELDO_PERIODIC('; }
wait_until "the recording's last periodic run in $SCRIPT_FILE" last_line_is_periodic

# The lines' kinds in order (P a periodic run of at least one event, M the click, K the key) and
# the count of the last periodic run, which holds the pause's ticks.
shape=$(awk '/^VELDO_PERIODIC\([1-9][0-9]*\);$/ { printf "P"; next }
             $0 == "VELDO_MOUSE(50, 20);" { printf "M"; next }
             $0 == "VELDO_KBD(97);" { printf "K"; next }
             { printf "?" }' "$SCRIPT_FILE")
last_run=$(tail -n1 "$SCRIPT_FILE" | tr -cd '0-9')
[[ $shape =~ ^P?MP?KP$ ]] && [ "$(tail -c1 "$SCRIPT_FILE" | od -An -c | tr -d ' ')" = '\n' ] &&
  ((last_run >= 3)) ||
  fail "VELDO.SCR is not the expected recording: $(cat -A "$SCRIPT_FILE" | tr '\n' ' ')"
note "recorded: $(tr '\n' ' ' <"$SCRIPT_FILE")"
check_only_logging_marked_and_quit after-recording

# ---- Playback -----------------------------------------------------------------------------------

start_events replay
graphics_area
# Halt the ticks, so that everything reported after a marker key comes from the script.
press_keys "$GRAPHICS" ctrl+h
sleep 0.5
press_keys "$GRAPHICS" z
wait_for_line "KBD 122"
press_keys "$GRAPHICS" ctrl+p

expand_script >"$ARTIFACTS/$TEST_NAME.expected"
expected_count=$(wc -l <"$ARTIFACTS/$TEST_NAME.expected")
replayed() { sed -n '/^KBD 122$/,$p' "$EVENTS_OUT" | tail -n +2 >"$ARTIFACTS/$TEST_NAME.replayed"; }
replay_complete() {
  replayed
  (($(wc -l <"$ARTIFACTS/$TEST_NAME.replayed") >= expected_count))
}
wait_until "the $expected_count replayed events" replay_complete
# Nothing follows the script's end: the playback halted the ticks.
sleep 1
replayed
diff -u "$ARTIFACTS/$TEST_NAME.expected" "$ARTIFACTS/$TEST_NAME.replayed" >&2 ||
  fail "the replayed events differ from the script's"
note "replayed the script's $expected_count events"
check_only_logging_marked_and_quit after-playback

# ---- Ended by a signal while recording ----------------------------------------------------------

start_events terminated
graphics_area
press_keys "$GRAPHICS" ctrl+r
click_at $((AREA_X + 290)) $((AREA_Y + 260))
wait_for_line "MOUSE -10 -10"
sleep 0.5
kill -TERM "$EVENTS_PID"
wait_for_exit "$EVENTS_PID"
((EXIT_STATUS == 0)) || fail "SIGTERM ended the program with status $EXIT_STATUS, not through a quit"
has_line "QUIT" || fail "SIGTERM did not arrive as a quit event"
shape=$(awk '/^VELDO_PERIODIC\([1-9][0-9]*\);$/ { printf "P"; next }
             $0 == "VELDO_MOUSE(-10, -10);" { printf "M"; next }
             { printf "?" }' "$SCRIPT_FILE")
[[ $shape =~ ^P?MP$ ]] ||
  fail "the recording ended by SIGTERM is not complete: $(cat -A "$SCRIPT_FILE" | tr '\n' ' ')"
note "SIGTERM while recording: $(tr '\n' ' ' <"$SCRIPT_FILE")"
note "ok"
