#!/usr/bin/env bash
# Without a display the events example says so in one line on standard error and ends with
# status 1: with DISPLAY unset, and with DISPLAY naming a display that does not exist.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

# expect_refusal <name> <display or "">
expect_refusal() {
  local err="$ARTIFACTS/$TEST_NAME.$1.err" status
  if [ -n "$2" ]; then
    DISPLAY=$2 "$VELDO_BUILD/examples/events" >/dev/null 2>"$err"
  else
    env -u DISPLAY -u WAYLAND_DISPLAY "$VELDO_BUILD/examples/events" >/dev/null 2>"$err"
  fi
  status=$?
  ((status == 1)) || fail "$1: the program ended with status $status, not 1"
  (($(wc -l <"$err") == 1)) || fail "$1: standard error is not one line: $(cat "$err")"
  grep -q "cannot open display" "$err" || fail "$1: standard error does not name the problem: $(cat "$err")"
  note "$1: $(cat "$err")"
}

expect_refusal unset ""
# A display number nobody serves: one past the highest socket in use.
free=$(( $(ls /tmp/.X11-unix 2>/dev/null | tr -dc '0-9\n' | sort -n | tail -n1) + 100 ))
expect_refusal missing ":$free"
note "ok"
