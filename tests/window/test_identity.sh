#!/usr/bin/env bash
# The game's windows carry its identity: both windows' class is the one its desktop entry names
# (StartupWMClass), so a desktop shows the running game under that entry, and both carry the
# game's own icon (the fly's red eyes, not a window manager's stand-in): run from the build tree,
# the icon beside the program; installed into a prefix, the icon from that prefix's icon theme.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
VELDO_SOURCE=${VELDO_SOURCE:?VELDO_SOURCE must name the source directory}

entry="$VELDO_SOURCE/data/dovuvezuvir.desktop"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$wm_class" ] || fail "the desktop entry names no StartupWMClass"
prefix=$(mktemp -d)
trap 'stop_started_programs; rm -rf "$prefix"' EXIT

# red_icon_permille <window>: the share, in thousandths, of pure red, opaque pixels in the reddest
# image of the window's icon (_NET_WM_ICON: width, height, then ARGB pixels, for each image). The
# game's icon has about 14 to 20 at any size, for the fly's eyes.
red_icon_permille() {
  xprop -id "$1" -notype 32c _NET_WM_ICON 2>/dev/null | sed 's/^[^=]*=//' | tr ',' '\n' |
    tr -d ' ' | awk '
      NF { value[n++] = $1 }
      END {
        best = 0
        for (i = 0; i + 1 < n; i += 2 + size) {
          size = value[i] * value[i + 1]
          red = 0
          for (p = i + 2; p < i + 2 + size && p < n; p++)
            if (value[p] == "4294901760") red++
          if (size > 0 && int(1000 * red / size) > best) best = int(1000 * red / size)
        }
        print best
      }'
}

# check_identity <run name> <program> [environment...]: starts the program, checks both windows
# and quits it.
check_identity() {
  local run=$1 program=$2
  shift 2
  EVENTS_OUT="$ARTIFACTS/$TEST_NAME.$run.out"
  EVENTS_ERR="$ARTIFACTS/$TEST_NAME.$run.err"
  (cd "$ARTIFACTS" && exec env "$@" "$program") >"$EVENTS_OUT" 2>"$EVENTS_ERR" &
  local pid=$!
  started_pids+=("$pid")
  wait_until "the window \"VELDO Graphics\"" find_window "VELDO Graphics"
  local graphics=$FOUND_WINDOW
  wait_until "the window \"VELDO Text\"" find_window "VELDO Text"
  local window title class red
  for window in "$graphics" "$FOUND_WINDOW"; do
    title=$(xdotool getwindowname "$window")
    # WM_CLASS holds the instance name, then the class.
    class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*= "[^"]*", "\([^"]*\)"$/\1/p')
    [ "$class" = "$wm_class" ] ||
      fail "$run: the window \"$title\" has the class \"$class\", not \"$wm_class\""
    red=$(red_icon_permille "$window")
    ((red >= 8)) || fail "$run: the window \"$title\" does not show the game's icon" \
      "(its _NET_WM_ICON is $red/1000 red)"
    note "$run: \"$title\" is of class $class, with the game's icon ($red/1000 red)"
  done
  press_keys "$graphics" ctrl+q
  wait_for_exit "$pid"
  ((EXIT_STATUS == 0)) || fail "$run: the game ended with status $EXIT_STATUS"
}

[ -f "$VELDO_BUILD/dovuvezuvir.svg" ] || fail "the build tree has no icon beside the game"
check_identity build-tree "$VELDO_BUILD/dovuvezuvir"

cmake --install "$VELDO_BUILD" --prefix "$prefix" >"$ARTIFACTS/$TEST_NAME.install.log" 2>&1 ||
  fail "cmake --install into $prefix failed"
[ ! -e "$prefix/bin/dovuvezuvir.svg" ] || fail "the icon is installed beside the program"
# The desktop finds icons under each of XDG_DATA_DIRS, the installed prefix's among them.
check_identity installed "$prefix/bin/dovuvezuvir" XDG_DATA_DIRS="$prefix/share:/usr/share"
