#!/usr/bin/env bash
# The game in a real window: the title, the play frame after a click, flies arriving, the spawn
# button adding a fly, and the three ways out during play, Ctrl+Q, the Run menu's Quit and the
# close box, each ending the program with status 0. The screenshots stay in $ARTIFACTS for a person to look at.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

RED='#FF0000'
BLACK='#000000'
WHITE='#FFFFFF'
GRAY_50='#808080'
GRAY_20='#CCCCCC'

# start_game <run name>: starts the game (in $ARTIFACTS, its working directory), waits for its
# graphics window and finds its drawing area (AREA_X, AREA_Y).
start_game() {
  EVENTS_OUT="$ARTIFACTS/$TEST_NAME.$1.out"
  EVENTS_ERR="$ARTIFACTS/$TEST_NAME.$1.err"
  [ -x "$VELDO_BUILD/dovuvezuvir" ] || fail "$VELDO_BUILD/dovuvezuvir is not built"
  (cd "$ARTIFACTS" && exec "$VELDO_BUILD/dovuvezuvir") >"$EVENTS_OUT" 2>"$EVENTS_ERR" &
  GAME_PID=$!
  started_pids+=("$GAME_PID")
  wait_until "the window \"VELDO Graphics\"" find_window "VELDO Graphics"
  GRAPHICS=$FOUND_WINDOW
  graphics_area
}

# The screen pixel of drawing-area pixel (x, y); canvas point (x, y) is area pixel
# (300 + x, 250 - y).
click_area() { click_at $((AREA_X + $1)) $((AREA_Y + $2)); }

# count <colour> <x> <y> <w> <h>: pixels of exactly that colour in a rectangle of the drawing
# area, in the latest screenshot.
count() {
  convert "$SHOT" -crop "${4}x${5}+$((AREA_X + $2))+$((AREA_Y + $3))" +repage \
    -fill black +opaque "$1" -fill white -opaque "$1" -format '%[fx:round(mean*w*h)]' info:
}

# area_pixel_is <name> <x> <y> <colour>: takes a screenshot and tells whether the area pixel has
# the colour.
area_pixel_is() {
  screenshot "$1"
  [ "$(pixel "$SHOT" $((AREA_X + $2)) $((AREA_Y + $3)))" = "$4" ]
}
flies_drawn() {
  screenshot flies
  (($(count "$GRAY_50" 0 26 601 475) > 100))
}

# ---- The title: a red disc, the logo letter and white text on black -----------------------------
start_game play
# The disc's left part, beside the black logo letter: canvas (-55, 100).
wait_until "the title's red disc" area_pixel_is title 245 150 "$RED"
box=$(convert "$SHOT" -crop "601x501+$AREA_X+$AREA_Y" +repage -fill black +opaque "$RED" \
  -format '%@' info:)
[ "$box" = "141x141+230+80" ] || fail "the title's disc covers $box, not 141x141+230+80"
white=$(count "$WHITE" 40 255 520 50) # "D O V U V E Z U V I R", rows 260..300
((white > 1000)) || fail "too little white title text ($white pixels)"
black=$(count "$BLACK" 0 0 601 501)
((black > 200000)) || fail "the title is not on black ($black black pixels)"
note "title ok ($SHOT)"

# ---- A click starts play: the tiled field, the black top bar, the spawn button -------------------
click_area 300 400
# The button's left edge, canvas (-299, 237), is black on the title and red in play.
wait_until "the play frame" area_pixel_is play 1 13 "$RED"
bar=$(count "$BLACK" 80 1 100 23) # between the button and the score
((bar == 2300)) || fail "the top bar is not black ($bar of 2300 pixels)"
outline=$(count "$RED" 0 0 70 26) # the outline: 67 x 21 pixels around, 172 in all
((outline >= 160)) || fail "no red outline around the spawn button ($outline pixels)"
tiles=$(count "$GRAY_20" 0 26 601 475)
((tiles > 4000)) || fail "no tiles on the field ($tiles pixels)"
field=$(count "$WHITE" 0 26 601 475)
((field > 200000)) || fail "no white field ($field pixels)"
note "play frame ok ($SHOT)"

# ---- Flies arrive ----------------------------------------------------------------------------------
wait_until "flies on the field" flies_drawn
note "flies ok ($SHOT)"

# ---- The spawn button adds a fly -----------------------------------------------------------------
# Halted, the flies stay put; the new fly's red eyes are what changes on the field.
press_keys "$GRAPHICS" ctrl+h
sleep 0.5
screenshot before-spawn
before=$(count "$RED" 0 26 601 475)
click_area 34 13
sleep 0.5
screenshot after-spawn
after=$(count "$RED" 0 26 601 475)
((after >= before + 20)) || fail "the spawn button added no fly (red pixels $before -> $after)"
note "spawn button ok ($SHOT)"

# ---- Ctrl+Q ends the game with status 0 ----------------------------------------------------------
press_keys "$GRAPHICS" ctrl+q
wait_for_exit "$GAME_PID"
((EXIT_STATUS == 0)) || fail "the game ended with status $EXIT_STATUS after Ctrl+Q, not 0"
note "Ctrl+Q ok"

# ---- So does the Run menu's Quit, chosen with the mouse during play ------------------------------
start_game menu
wait_until "the title's red disc" area_pixel_is menu-title 245 150 "$RED"
click_area 300 400
wait_until "the play frame" area_pixel_is menu-play 1 13 "$RED"
menu_open() {
  click_at $((CLIENT_X + 20)) $((CLIENT_Y + (AREA_Y - CLIENT_Y) / 2))
  local tries
  for tries in $(seq 20); do
    find_popup dovuvezuvir && return 0
    sleep 0.1
  done
  return 1
}
# Its entries appear as rows of text; Quit is the eighth.
entries_drawn() {
  screenshot menu-open
  mapfile -t BANDS < <(text_bands "$SHOT" $((POPUP_X + 3)) $((POPUP_Y + 3)) $((POPUP_W - 6)) \
    $((POPUP_H - 6)))
  ((${#BANDS[@]} >= 11))
}
wait_until "the Run menu to open" menu_open
wait_until "the Run menu's entries" entries_drawn
read -r quit_top quit_bottom _ <<<"${BANDS[7]}"
click_at $((POPUP_X + 60)) $(((quit_top + quit_bottom) / 2))
wait_for_exit "$GAME_PID"
((EXIT_STATUS == 0)) || fail "the game ended with status $EXIT_STATUS after the menu's Quit, not 0"
note "the Run menu's Quit ok"

# ---- So does the close box, during play ----------------------------------------------------------
start_game close
wait_until "the title's red disc" area_pixel_is close-title 245 150 "$RED"
click_area 300 400
wait_until "the play frame" area_pixel_is close-play 1 13 "$RED"
client_geometry "$GRAPHICS"
((FRAME_TOP > 0)) || fail "the graphics window has no title bar"
# The close box is the rightmost button of the title bar.
click_at $((CLIENT_X + CLIENT_W + FRAME_RIGHT - 11)) $((CLIENT_Y - FRAME_TOP / 2))
wait_for_exit "$GAME_PID"
((EXIT_STATUS == 0)) || fail "the game ended with status $EXIT_STATUS after the close box, not 0"
note "close box ok"
