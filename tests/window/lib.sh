# Helpers for the real-window tests, sourced by each tests/window/test_*.sh. They run under
# run_under_xvfb.sh, which provides DISPLAY; VELDO_BUILD names the build directory.
#
# Every wait is a poll with a generous limit, so a loaded machine makes a test slower, not red.
# A failure says what was expected, keeps a screenshot and the program's output next to each
# other in $ARTIFACTS, and ends the test.

VELDO_BUILD=${VELDO_BUILD:?VELDO_BUILD must name the build directory}
TEST_NAME=$(basename "$0" .sh)
ARTIFACTS=${VELDO_ARTIFACTS:-$VELDO_BUILD/window-tests}
WAIT_LIMIT=${VELDO_WAIT_LIMIT:-30}
mkdir -p "$ARTIFACTS"

EVENTS_PID=""
EVENTS_OUT=""
EVENTS_ERR=""
started_pids=()

stop_started_programs() {
  local pid
  for pid in "${started_pids[@]}"; do
    kill "$pid" 2>/dev/null
  done
}
trap stop_started_programs EXIT

note() { echo "$TEST_NAME: $*"; }

fail() {
  echo "FAIL $TEST_NAME: $*" >&2
  import -window root "$ARTIFACTS/$TEST_NAME.failure.png" 2>/dev/null &&
    echo "  screenshot: $ARTIFACTS/$TEST_NAME.failure.png" >&2
  if [ -n "$EVENTS_OUT" ] && [ -f "$EVENTS_OUT" ]; then
    echo "  last lines of the program's output ($EVENTS_OUT):" >&2
    tail -n 8 "$EVENTS_OUT" | sed 's/^/    /' >&2
  fi
  if [ -n "$EVENTS_ERR" ] && [ -s "$EVENTS_ERR" ]; then
    echo "  its standard error:" >&2
    tail -n 8 "$EVENTS_ERR" | sed 's/^/    /' >&2
  fi
  exit 1
}

# wait_until <what> <command...>: runs the command every tenth of a second until it succeeds;
# fails the test after WAIT_LIMIT seconds.
wait_until() {
  local what=$1
  shift
  local deadline=$((SECONDS + WAIT_LIMIT))
  until "$@"; do
    ((SECONDS < deadline)) || fail "timed out after ${WAIT_LIMIT}s waiting for $what"
    sleep 0.1
  done
}

# ---- The events example -------------------------------------------------------------------------

# start_events <run name> [argument...]: starts examples/events (in $ARTIFACTS, its working
# directory) with the arguments and its output in $EVENTS_OUT, and waits for both windows.
start_events() {
  EVENTS_OUT="$ARTIFACTS/$TEST_NAME.$1.out"
  EVENTS_ERR="$ARTIFACTS/$TEST_NAME.$1.err"
  shift
  [ -x "$VELDO_BUILD/examples/events" ] || fail "$VELDO_BUILD/examples/events is not built"
  (cd "$ARTIFACTS" && exec "$VELDO_BUILD/examples/events" "$@") >"$EVENTS_OUT" 2>"$EVENTS_ERR" &
  EVENTS_PID=$!
  started_pids+=("$EVENTS_PID")
  wait_until "the window \"VELDO Graphics\"" find_window "VELDO Graphics"
  GRAPHICS=$FOUND_WINDOW
  wait_until "the window \"VELDO Text\"" find_window "VELDO Text"
  LOG=$FOUND_WINDOW
  # The program is taking events once the first tick has been reported.
  wait_for_line "PERIODIC"
}

# The number of output lines that are exactly <line>.
count_lines() { grep -c -x -- "$1" "$EVENTS_OUT"; }
has_line() { grep -q -x -- "$1" "$EVENTS_OUT"; }
wait_for_line() { wait_until "the line \"$1\" from the program" has_line "$1"; }

# wait_for_exit <pid>: waits for the program to end and sets EXIT_STATUS.
wait_for_exit() {
  wait_until "the program (pid $1) to end" program_ended "$1"
  wait "$1"
  EXIT_STATUS=$?
}
program_ended() { ! kill -0 "$1" 2>/dev/null; }

# ---- Windows ------------------------------------------------------------------------------------

# find_window <title>: sets FOUND_WINDOW to the id of the visible window with exactly that title.
find_window() {
  FOUND_WINDOW=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
  [ -n "$FOUND_WINDOW" ]
}

# client_geometry <window>: CLIENT_X, CLIENT_Y (absolute), CLIENT_W, CLIENT_H of its client area,
# and FRAME_LEFT, FRAME_RIGHT, FRAME_TOP, FRAME_BOTTOM, the window manager's frame around it.
client_geometry() {
  local info
  info=$(xwininfo -id "$1") || fail "no window $1"
  CLIENT_X=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  CLIENT_Y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  CLIENT_W=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
  CLIENT_H=$(awk '/^ *Height:/ {print $NF}' <<<"$info")
  local extents
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')
  IFS=, read -r FRAME_LEFT FRAME_RIGHT FRAME_TOP FRAME_BOTTOM <<<"${extents:-0,0,0,0}"
}

screen_size() {
  local info
  info=$(xwininfo -root)
  SCREEN_W=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
  SCREEN_H=$(awk '/^ *Height:/ {print $NF}' <<<"$info")
}

# The graphics window's drawing area is the bottom 601 x 501 of its client, below the menu bar:
# AREA_X, AREA_Y is its top-left pixel on the screen.
graphics_area() {
  client_geometry "$GRAPHICS"
  AREA_X=$CLIENT_X
  AREA_Y=$((CLIENT_Y + CLIENT_H - 501))
}

# focus_window <window>: makes it the active window, so that it gets the keys.
# (xdotool's own waits have no limit, hence the timeouts around them.)
focus_window() {
  timeout 10 xdotool windowactivate --sync "$1" >/dev/null 2>&1 ||
    timeout 10 xdotool windowfocus --sync "$1" >/dev/null 2>&1
  wait_until "window $1 to have the focus" window_has_focus "$1"
}
window_has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# ---- Mouse and keys -----------------------------------------------------------------------------

# click_at <x> <y>: a left click at a screen pixel. The pointer first comes from elsewhere, so
# the toolkit sees it enter what it clicks.
click_at() {
  timeout 10 xdotool mousemove --sync $(($1 > 40 ? $1 - 40 : $1 + 40)) $(($2 > 40 ? $2 - 40 : $2 + 40)) &&
    timeout 10 xdotool mousemove --sync "$1" "$2" || fail "cannot move the pointer to ($1, $2)"
  xdotool click 1
}

# press_keys <window> <key>...: xdotool key names ("a", "ctrl+h") typed into the window.
press_keys() {
  local window=$1
  shift
  focus_window "$window"
  xdotool key "$@"
}

# ---- Pictures -----------------------------------------------------------------------------------

# screenshot <name>: the whole screen as $ARTIFACTS/<test>.<name>.png; sets SHOT.
screenshot() {
  SHOT="$ARTIFACTS/$TEST_NAME.$1.png"
  import -window root "$SHOT" || fail "cannot take a screenshot"
}

# pixel <png> <x> <y>: prints the pixel's colour as #RRGGBB.
pixel() {
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- | grep -o '#[0-9A-Fa-f]\{6\}' | head -n1
}

# find_popup <program>: sets POPUP_X, POPUP_Y, POPUP_W, POPUP_H to the geometry of the program's
# open popup menu (a viewable unframed window of its class, larger than GTK's 10 x 10 leader).
find_popup() {
  local line id size
  while read -r line; do
    id=$(awk '{print $1}' <<<"$line")
    size=$(grep -o '[0-9]\+x[0-9]\++-\?[0-9]\++-\?[0-9]\+' <<<"$line" | head -n1)
    [ -n "$size" ] || continue
    xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable" || continue
    IFS='x+' read -r POPUP_W POPUP_H POPUP_X POPUP_Y <<<"$size"
    ((POPUP_W > 10 && POPUP_H > 10)) && return 0
  done < <(xwininfo -root -children | grep "(\"$1\" ")
  return 1
}

# text_bands <png> <x> <y> <w> <h>: reads a region of a screenshot row by row and prints one line
# "top bottom darkest" for each band of at least 5 consecutive rows holding text (a pixel darker
# than 200 of 255), top to bottom, in screen rows; darkest is the band's darkest grey level.
# Menu entries are such bands; separators and borders are lighter or thinner.
text_bands() {
  convert "$1" -crop "${4}x${5}+$2+$3" +repage -colorspace gray -depth 8 txt:- |
    awk -v top="$3" -v rows="$5" '
      NR > 1 {
        split($1, at, /[,:]/); y = at[2] + 0
        level = $2; gsub(/[()]/, "", level); split(level, channel, ","); v = channel[1] + 0
        if (!(y in darkest) || v < darkest[y]) darkest[y] = v
      }
      END {
        start = -1
        for (y = 0; y <= rows; y++) {
          inside = (y < rows && darkest[y] < 200)
          if (inside && start < 0) { start = y; low = 255 }
          if (inside && darkest[y] < low) low = darkest[y]
          if (!inside && start >= 0) {
            if (y - start >= 5) print top + start, top + y - 1, low
            start = -1
          }
        }
      }'
}
