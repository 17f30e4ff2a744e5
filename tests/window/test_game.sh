#!/usr/bin/env bash
# The game in a real window: the title, the play frame after a click, flies arriving, the spawn
# button adding a fly, and the two ways out that the player has at hand (Ctrl+Q and the close box),
# each ending the program with status 0. Run under Xvfb with a window manager by run_under_xvfb.sh;
# the screenshots are kept in $VELDO_BUILD/window-shots for a person to look at.
set -euo pipefail

build=${VELDO_BUILD:?VELDO_BUILD must name the build directory}
game=$build/dovuvezuvir
shots=$build/window-shots
mkdir -p "$shots"
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Starts the game and waits for its graphics window; sets pid and wid.
start_game() {
  "$game" &
  pid=$!
  wid=$(timeout 15 xdotool search --sync --onlyvisible --name '^VELDO Graphics$' | head -n 1) ||
    fail "the graphics window did not appear"
  xdotool windowactivate --sync "$wid" >/dev/null 2>&1 || true
  sleep 0.5
}

# Waits up to five seconds for the game to end; prints its exit status.
wait_exit() {
  for _ in $(seq 50); do
    if ! kill -0 "$pid" 2>/dev/null; then
      local status=0
      wait "$pid" || status=$?
      echo "$status"
      return
    fi
    sleep 0.1
  done
  echo "still running"
}

shot() {
  import -window "$wid" "$shots/$1.png"
}

# Pixels of one colour inside a rectangle of the client area (x, y, width, height in client
# pixels), in the screenshot.
count() {
  local file=$1 colour=$2 x=$3 y=$4 w=$5 h=$6
  convert "$shots/$file.png" -crop "${w}x${h}+$((x + ox))+$((y + oy))" +repage \
    -fill black +opaque "$colour" -fill white -opaque "$colour" \
    -format '%[fx:round(mean*w*h)]' info:
}

# A left click at a client-area pixel; canvas point (x, y) is pixel (300 + x, 250 - y).
click_client() {
  xdotool mousemove --window "$wid" $(($1 + ox)) $(($2 + oy)) click 1
}

RED='#FF0000'
BLACK='#000000'
WHITE='#FFFFFF'
GRAY50='#808080'
GRAY20='#CCCCCC'

# ---- The title ---------------------------------------------------------------------------------
start_game
shot game-title
# The red disc (centre (0, 100), radius 70) lies at client pixels 230..370 x 80..220; where its
# box is found in the screenshot tells where the client area starts below the menu bar.
box=$(convert "$shots/game-title.png" -fill black +opaque "$RED" -format '%@' info:)
[[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "no red disc on the title ($box)"
[[ ${BASH_REMATCH[1]} == 141 && ${BASH_REMATCH[2]} == 141 ]] ||
  fail "the title's disc is ${BASH_REMATCH[1]}x${BASH_REMATCH[2]}, not 141x141"
ox=$((BASH_REMATCH[3] - 230))
oy=$((BASH_REMATCH[4] - 80))
echo "client area at +$ox+$oy in the window's picture"
# White title text over black: "D O V U V E Z U V I R" sits on rows 260..300.
white=$(count game-title "$WHITE" 40 255 520 50)
((white > 1000)) || fail "too little white title text ($white pixels)"
black=$(count game-title "$BLACK" 0 0 601 501)
((black > 200000)) || fail "the title is not on black ($black black pixels)"

# ---- A click starts play -----------------------------------------------------------------------
click_client 300 400
sleep 0.5
shot game-play
# The top bar is black between the button and the score.
bar=$(count game-play "$BLACK" 80 1 100 23)
((bar == 2300)) || fail "the top bar is not black ($bar of 2300 pixels)"
# The spawn button's red outline, client pixels 1..67 x 3..23: 172 pixels.
outline=$(count game-play "$RED" 0 0 70 26)
((outline >= 160)) || fail "no red outline of the spawn button ($outline pixels)"
tiles=$(count game-play "$GRAY20" 0 26 601 475)
((tiles > 4000)) || fail "no tiles on the field ($tiles pixels)"
field=$(count game-play "$WHITE" 0 26 601 475)
((field > 200000)) || fail "no white field ($field pixels)"

# ---- Flies arrive ------------------------------------------------------------------------------
sleep 3
shot game-flies
flies=$(count game-flies "$GRAY50" 0 26 601 475)
((flies > 100)) || fail "no flies drawn after three seconds ($flies gray pixels)"

# ---- The spawn button adds a fly ---------------------------------------------------------------
# Halted, the flies stay put, so a new pair of red eyes is what changes.
xdotool key ctrl+h
sleep 0.5
shot game-before-spawn
click_client 34 13
sleep 0.5
shot game-after-spawn
before=$(count game-before-spawn "$RED" 0 26 601 475)
after=$(count game-after-spawn "$RED" 0 26 601 475)
((after >= before + 20)) || fail "the spawn button added no fly (red eye pixels $before -> $after)"

# ---- Ctrl+Q ends the game with status 0 --------------------------------------------------------
xdotool key ctrl+q
status=$(wait_exit)
[[ $status == 0 ]] || fail "Ctrl+Q: exit status $status"

# ---- So does the close box, on the title and in play -------------------------------------------
start_game
click_client 300 400
sleep 0.3
# The window manager's close command sends the same request as the title bar's close box.
xdotool key alt+F4
status=$(wait_exit)
[[ $status == 0 ]] || fail "close box: exit status $status"

echo "PASS: title, play frame, flies, spawn button, Ctrl+Q and the close box"
