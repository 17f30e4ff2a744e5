#!/usr/bin/env bash
# The Run menu, opened with the mouse, shows its entries: eight that can be chosen, each with its
# shortcut at the right, the greyed information entries below them, and a check mark at
# "Logging" alone, which choosing "Logging" takes away. While the menu is open the program stands
# still. Choosing "Quit" with the mouse ends the program with status 0.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

start_events menu
graphics_area
run_x=$((CLIENT_X + 20))
run_y=$((CLIENT_Y + (AREA_Y - CLIENT_Y) / 2))

# open_run_menu <name>: clicks "Run" (again if the first click lands while the toolkit is still
# settling the window), waits for the entries to be drawn, saves the menu as
# $ARTIFACTS/test_menu.<name>.png and leaves its rows of text in BANDS (screen rows).
menu_opened() {
  local tries
  for tries in $(seq 20); do
    find_popup events && return 0
    sleep 0.1
  done
  return 1
}
entries_drawn() {
  screenshot "$1-screen"
  mapfile -t BANDS < <(text_bands "$SHOT" $((POPUP_X + 3)) $((POPUP_Y + 3)) $((POPUP_W - 6)) \
    $((POPUP_H - 6)))
  ((${#BANDS[@]} >= 11))
}
open_run_menu() {
  local attempt opened=no
  for attempt in 1 2 3 4 5; do
    click_at "$run_x" "$run_y"
    if menu_opened; then
      opened=yes
      break
    fi
  done
  [ "$opened" = yes ] || fail "clicking \"Run\" at ($run_x, $run_y) opened no menu"
  note "the Run menu is open: ${POPUP_W}x${POPUP_H} at ($POPUP_X, $POPUP_Y)"
  ((POPUP_Y >= AREA_Y - 5 && POPUP_X <= CLIENT_X + 10)) ||
    fail "the menu opened at ($POPUP_X, $POPUP_Y), not below \"Run\""
  ((POPUP_H >= 12 * 15 && POPUP_W >= 150)) || fail "the menu is only ${POPUP_W}x${POPUP_H}"
  wait_until "the menu's entries to be drawn" entries_drawn "$1"
  convert "$SHOT" -crop "${POPUP_W}x${POPUP_H}+$POPUP_X+$POPUP_Y" +repage \
    "$ARTIFACTS/$TEST_NAME.$1.png"
  note "saved the open menu as $ARTIFACTS/$TEST_NAME.$1.png"
}
# check_marks: the rows of the check marks in the menu's left margin, in MARKS.
check_marks() {
  mapfile -t MARKS < <(text_bands "$SHOT" $((POPUP_X + 3)) $((POPUP_Y + 3)) 22 $((POPUP_H - 6)))
}
# click_entry <n>: chooses the n-th entry with text (1 = Animate) with the mouse.
click_entry() {
  local top bottom
  read -r top bottom _ <<<"${BANDS[$(($1 - 1))]}"
  click_at $((POPUP_X + 60)) $(((top + bottom) / 2))
}
menu_closed() { ! find_popup events; }

open_run_menu run-menu

# Eight entries in full black come first (Animate ... Quit); greyed ones follow.
for i in 0 1 2 3 4 5 6 7; do
  read -r top bottom darkest <<<"${BANDS[$i]}"
  ((darkest < 100)) || fail "entry $((i + 1)) of the menu is not drawn as enabled text (${BANDS[$i]})"
done
greyed=0
for ((i = 8; i < ${#BANDS[@]}; i++)); do
  read -r top bottom darkest <<<"${BANDS[$i]}"
  ((darkest >= 100)) || fail "entry $((i + 1)) of the menu should be greyed (${BANDS[$i]})"
  greyed=$((greyed + 1))
done
((greyed >= 3)) || fail "the menu shows $greyed greyed entries, not at least 3"

# Every enabled entry shows its shortcut at the right (the theme draws them lighter than the
# entries' own text).
shortcuts=$(text_bands "$SHOT" $((POPUP_X + POPUP_W - 60)) $((POPUP_Y + 3)) 54 $((POPUP_H - 6)) |
  wc -l)
((shortcuts == 8)) || fail "the menu shows $shortcuts shortcut texts, not 8"

# The only check mark is Logging's (the fourth entry).
check_marks
((${#MARKS[@]} == 1)) || fail "the menu shows ${#MARKS[@]} check marks, not 1 (${MARKS[*]})"
read -r mark_top mark_bottom _ <<<"${MARKS[0]}"
read -r logging_top logging_bottom _ <<<"${BANDS[3]}"
((mark_bottom >= logging_top && mark_top <= logging_bottom)) ||
  fail "the check mark (rows $mark_top..$mark_bottom) is not at Logging ($logging_top..$logging_bottom)"
note "eight entries with shortcuts, $greyed greyed entries, Logging checked"

# Choosing Animate (an entry that never carries a mark) leaves the marks as they were: GTK's own
# toggling of the entry is undone.
click_entry 1
wait_until "the menu to close after choosing Animate" menu_closed
open_run_menu run-menu-after-animate
check_marks
((${#MARKS[@]} == 1)) || fail "after Animate was chosen the menu shows ${#MARKS[@]} marks, not 1 (${MARKS[*]})"
read -r mark_top mark_bottom _ <<<"${MARKS[0]}"
((mark_bottom >= logging_top && mark_top <= logging_bottom)) ||
  fail "after Animate was chosen the mark (rows $mark_top..$mark_bottom) is not at Logging"
note "choosing Animate put no mark on it"

# Choosing Logging turns logging off: the menu closes, and opened again it shows no mark (the
# mark follows the kit's state, not the toolkit's own toggling).
click_entry 4
wait_until "the menu to close after choosing Logging" menu_closed
open_run_menu run-menu-after-logging
check_marks
((${#MARKS[@]} == 0)) || fail "after Logging was chosen the menu still shows a mark (${MARKS[*]})"
note "choosing Logging took its check mark away"

# While the menu is open the program stands still, as in a modal menu loop: no tick reaches it,
# and a click on the canvas only closes the menu. Once it has closed, the ticks come at their
# normal rate again (10 a second).
ticks_before=$(count_lines PERIODIC)
sleep 3
ticks_held=$(($(count_lines PERIODIC) - ticks_before))
((ticks_held <= 1)) || fail "$ticks_held ticks reached the program while the menu was open"
click_at $((AREA_X + 500)) $((AREA_Y + 400))
wait_until "the menu to close after a click on the canvas" menu_closed
ticks_before=$(count_lines PERIODIC)
sleep 2
ticks_after=$(($(count_lines PERIODIC) - ticks_before))
((ticks_after >= 10)) || fail "only $ticks_after ticks came in the 2 s after the menu closed"
! grep -q "^MOUSE" "$EVENTS_OUT" || fail "the click that closed the menu reached the program"
note "$ticks_held ticks while the menu was open for 3 s, $ticks_after in the 2 s after"

# Choose Quit, the eighth entry, with the mouse.
open_run_menu run-menu-to-quit
click_entry 8
wait_for_exit "$EVENTS_PID"
((EXIT_STATUS == 0)) || fail "the program ended with status $EXIT_STATUS after Quit, not 0"
has_line "QUIT" || fail "the menu's Quit did not arrive as a quit event"
note "ok"
