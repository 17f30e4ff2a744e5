#!/usr/bin/env bash
# The manual pages render without a single warning, both through groff with every warning on and
# through man(1) as a reader would see them, their NAME lines are what whatis(1) indexes, and they
# document what each program offers: every Run menu shortcut and script line for the game, every
# option for the replay program.
# Usage: manual_pages_test.sh DATA_DIR
set -euo pipefail
data=$1
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
  echo "FAIL: $*" >&2
  failed=1
}

for page in "$data/dovuvezuvir.6" "$data/dovuvezuvir-replay.6"; do
  warnings=$(groff -ww -man -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff -ww warns about $page:"$'\n'"$warnings"
  name=$(basename "$page" .6)
  LC_ALL=C MANWIDTH=80 man --warnings -l "$page" >"$tmp/$name.txt" 2>"$tmp/$name.warnings" ||
    fail "man -l cannot render $page"
  warnings=$(cat "$tmp/$name.warnings")
  [ -z "$warnings" ] || fail "man --warnings warns about $page:"$'\n'"$warnings"
  lexgrog "$page" | grep -q "\"$name - " || fail "$page has no NAME line that whatis can index"
done

game="$tmp/dovuvezuvir.txt"
replay="$tmp/dovuvezuvir-replay.txt"

for entry in "Animate  (Ctrl+A)" "Halt animation  (Ctrl+H)" "Advance one frame  (Ctrl+F)" \
  "Logging  (Ctrl+L)" "Record Script  (Ctrl+R)" "Playback Script  (Ctrl+P)" \
  "Play One Script  (Ctrl+O)" "Quit  (Ctrl+Q)" "VELDO_MOUSE(x, y);" "VELDO_KBD(c);" \
  "VELDO_PERIODIC(n);" "EOF encountered in script file VELDO.SCR"; do
  grep -qF -- "$entry" "$game" || fail "dovuvezuvir(6) does not document \"$entry\""
done
for option in "--png file" "--log file" "--trace" "--frames dir" "--every n" "--max-events n" \
  "--help" "--version"; do
  grep -qF -- "$option" "$replay" || fail "dovuvezuvir-replay(6) does not document $option"
done

[ "$failed" -eq 0 ] && echo "manual pages render cleanly and document the programs"
exit "$failed"
