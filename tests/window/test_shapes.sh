#!/usr/bin/env bash
# The shapes example on a real display: every colour's disc, square, oval and thick line show in
# that colour, outlines keep the gray behind them, the canvas's black frame and a text appear,
# and Ctrl+Q ends the program.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

# The colour table, 0xRRGGBB by index, as the screen shows it.
COLOURS=(000000 FFFFFF FF0000 00FF00 0000FF FFFF00 FF00FF 00FFFF 9900CC 003399 996699 99FFFF
  99FFCC FF6600 996633 FF99CC FFFF99 CC9933 FF9966 006633 33CC99 999933 808080 CCCCCC)
# The example's grid: column i centred on x = -276 + 24 i, row k on y = 196 - 24 k.
column_x() { echo $((-276 + 24 * $1)); }
row_y() { echo $((196 - 24 * $1)); }

# shoot: a screenshot, and the drawing area cut from it as $AREA_PNG (canvas pixels from (0, 0)).
shoot() {
  screenshot shapes
  AREA_PNG="$ARTIFACTS/$TEST_NAME.area.png"
  convert "$SHOT" -crop "601x501+$AREA_X+$AREA_Y" +repage "$AREA_PNG" || fail "cannot cut $SHOT"
}

# canvas_pixel <x> <y>: the colour (RRGGBB) of canvas point (x, y) in $AREA_PNG.
canvas_pixel() {
  pixel "$AREA_PNG" $((300 + $1)) $((250 - $2)) | tr -d '#' | tr a-f A-F
}

# expect <what> <x> <y> <RRGGBB>: notes what canvas point (x, y) must show; check_expectations
# then reads all of them from $AREA_PNG in one pass.
EXPECTATIONS=()
expect() { EXPECTATIONS+=("$((300 + $2)) $((250 - $3)) $4 $1 at canvas point ($2, $3)"); }
check_expectations() {
  local report
  report=$(convert "$AREA_PNG" -depth 8 txt:- | awk '
    NR == FNR {
      key = $1 "," $2; want[key] = $3; order[++n] = key
      sub(/^[^ ]+ [^ ]+ [^ ]+ /, ""); what[key] = $0; next
    }
    FNR > 1 {
      split($1, at, /[,:]/); key = at[1] "," at[2]
      if (key in want && match($0, /#[0-9A-Fa-f]+/)) got[key] = toupper(substr($0, RSTART + 1, 6))
    }
    END {
      for (i = 1; i <= n; i++) {
        key = order[i]
        if (got[key] != want[key]) print what[key] " is #" got[key] ", not #" want[key]
      }
    }' <(printf '%s\n' "${EXPECTATIONS[@]}") -)
  [ -z "$report" ] || fail "$(head -n 5 <<<"$report") (see $SHOT)"
}

# The picture is there once the red disc is.
drawn() {
  shoot
  [ "$(canvas_pixel "$(column_x 2)" "$(row_y 0)")" = "FF0000" ]
}

EVENTS_OUT="$ARTIFACTS/$TEST_NAME.out"
EVENTS_ERR="$ARTIFACTS/$TEST_NAME.err"
[ -x "$VELDO_BUILD/examples/shapes" ] || fail "$VELDO_BUILD/examples/shapes is not built"
(cd "$ARTIFACTS" && exec "$VELDO_BUILD/examples/shapes") >"$EVENTS_OUT" 2>"$EVENTS_ERR" &
EVENTS_PID=$!
started_pids+=("$EVENTS_PID")
wait_until "the window \"VELDO Graphics\"" find_window "VELDO Graphics"
GRAPHICS=$FOUND_WINDOW
graphics_area
wait_until "the shapes to be drawn" drawn

for colour in "${!COLOURS[@]}"; do
  x=$(column_x "$colour")
  want=${COLOURS[$colour]}
  expect "the disc of colour $colour" "$x" "$(row_y 0)" "$want"
  expect "the filled triangle of colour $colour" "$x" "$(($(row_y 1) - 4))" "$want"
  expect "the square of colour $colour" "$x" "$(row_y 2)" "$want"
  expect "the oval of colour $colour" "$((x + 6))" "$(row_y 3)" "$want"
  expect "the thick line of colour $colour" "$((x + 1))" "$(row_y 8)" "$want"
  # Outlines leave the cell's background inside them: gray, or white in the gray's own column.
  behind=808080
  ((colour == 22)) && behind=FFFFFF
  expect "the inside of the triangle outline of colour $colour" "$x" "$(($(row_y 4) - 3))" \
    "$behind"
  expect "the inside of the square outline of colour $colour" "$x" "$(row_y 5)" "$behind"
  expect "the inside of the oval outline of colour $colour" "$x" "$(row_y 6)" "$behind"
  expect "the gap right of the disc of colour $colour" "$((x + 11))" "$(row_y 0)" "$behind"
done

# The clear's frame shows along the top-left edge of the drawing area; inside it, white.
expect "the canvas's frame" -300 250 000000
expect "the canvas's frame" 0 250 000000
expect "the cleared canvas" -299 249 FFFFFF
# The wide outlines over fills: the chalk square inside its orange frame.
expect "the chalk square" 90 -140 FFFF99
expect "the orange frame" 70 -140 FF6600
expect "the gold disc" 160 -160 CC9933

# "Size 48" in red: pure red glyph pixels in its line's cell, and nothing else but white and the
# antialiased edges between the two.
check_expectations

# Its glyphs (rows 350 to 399 of the canvas hold its capitals and nothing of the line above).
convert "$AREA_PNG" -crop "220x50+10+350" +repage \
  -format %c histogram:info:- >"$ARTIFACTS/$TEST_NAME.size48.txt"
red_pixels=$(grep -i '#FF0000' "$ARTIFACTS/$TEST_NAME.size48.txt" | awk '{print $1+0}')
((${red_pixels:-0} > 500)) || fail "the red text \"Size 48\" shows ${red_pixels:-0} red pixels (see $SHOT)"
if grep -o '#[0-9A-Fa-f]\{6\}' "$ARTIFACTS/$TEST_NAME.size48.txt" | grep -qiv '#FF[0-9A-F]\{2\}[0-9A-F]\{2\}'; then
  fail "the text \"Size 48\" holds colours other than red, white and their blends (see $SHOT)"
fi

press_keys "$GRAPHICS" ctrl+q
wait_for_exit "$EVENTS_PID"
((EXIT_STATUS == 0)) || fail "the program ended with status $EXIT_STATUS after Ctrl+Q, not 0"
note "ok"
