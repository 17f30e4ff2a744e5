#!/usr/bin/env bash
# Runs one real-window test script on a private X server (Xvfb, 1280 x 1024, 24 bits) with a
# window manager (openbox), then stops both whatever the script did.
#   run_under_xvfb.sh <test script>
# VELDO_BUILD names the build directory (the test scripts find the programs there).
set -uo pipefail

script=${1:?usage: run_under_xvfb.sh <test script>}
for tool in Xvfb openbox xdotool xwininfo xprop import convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "run_under_xvfb: $tool is not installed ('make test-deps' installs it)" >&2
    exit 1
  fi
done

workdir=$(mktemp -d)
xvfb_pid=""
openbox_pid=""
stop_servers() {
  [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null && wait "$openbox_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$workdir"
}
trap stop_servers EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display itself and writes its number once it accepts connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$workdir/display" \
  >"$workdir/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 300); do
  [ -s "$workdir/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if ! [ -s "$workdir/display" ]; then
  echo "run_under_xvfb: Xvfb did not start:" >&2
  cat "$workdir/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$workdir/display" | tr -d '[:space:]')"
# A test that needs to take the display away (the server ending under a program) stops this one.
export VELDO_XVFB_PID=$xvfb_pid

openbox --sm-disable >"$workdir/openbox.log" 2>&1 &
openbox_pid=$!
# The window manager is ready once it has announced itself on the root window.
for _ in $(seq 300); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  echo "run_under_xvfb: openbox did not start:" >&2
  cat "$workdir/openbox.log" >&2
  exit 1
fi

# No accessibility bus runs here; keep GTK from complaining about it.
export NO_AT_BRIDGE=1
bash "$script"
exit $?
