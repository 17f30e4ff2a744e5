#!/usr/bin/env bash
# The Run menu, opened with the mouse, shows its entries: eight that can be chosen, each with its
# shortcut at the right, the greyed information entries below them, and a check mark at
# "Logging" alone. Choosing "Quit" with the mouse ends the program with status 0.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

start_events menu
graphics_area
run_x=$((CLIENT_X + 20))
run_y=$((CLIENT_Y + (AREA_Y - CLIENT_Y) / 2))

# The first click may land while the toolkit is still settling the window; try a few times.
menu_opened() {
  local tries
  for tries in $(seq 20); do
    find_popup events && return 0
    sleep 0.1
  done
  return 1
}
opened=no
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

# Wait for the menu to be drawn: its entries appear as rows of text.
entries_drawn() {
  screenshot run-menu-screen
  mapfile -t BANDS < <(text_bands "$SHOT" $((POPUP_X + 3)) $((POPUP_Y + 3)) $((POPUP_W - 6)) \
    $((POPUP_H - 6)))
  ((${#BANDS[@]} >= 11))
}
wait_until "the menu's entries to be drawn" entries_drawn
convert "$SHOT" -crop "${POPUP_W}x${POPUP_H}+$POPUP_X+$POPUP_Y" +repage \
  "$ARTIFACTS/$TEST_NAME.run-menu.png"
note "saved the open menu as $ARTIFACTS/$TEST_NAME.run-menu.png"

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
mapfile -t marks < <(text_bands "$SHOT" $((POPUP_X + 3)) $((POPUP_Y + 3)) 22 $((POPUP_H - 6)))
((${#marks[@]} == 1)) || fail "the menu shows ${#marks[@]} check marks, not 1 (${marks[*]})"
read -r mark_top mark_bottom _ <<<"${marks[0]}"
read -r logging_top logging_bottom _ <<<"${BANDS[3]}"
((mark_bottom >= logging_top && mark_top <= logging_bottom)) ||
  fail "the check mark (rows $mark_top..$mark_bottom) is not at Logging ($logging_top..$logging_bottom)"
note "eight entries with shortcuts, $greyed greyed entries, Logging checked"

# Choose Quit, the eighth entry, with the mouse.
read -r quit_top quit_bottom _ <<<"${BANDS[7]}"
click_at $((POPUP_X + 60)) $(((quit_top + quit_bottom) / 2))
wait_for_exit "$EVENTS_PID"
((EXIT_STATUS == 0)) || fail "the program ended with status $EXIT_STATUS after Quit, not 0"
has_line "QUIT" || fail "the menu's Quit did not arrive as a quit event"
note "ok"
