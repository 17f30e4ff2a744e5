#!/usr/bin/env bash
# The game's command line: --help and --version (and their short forms) print on standard output
# and exit 0 without opening a window; an unknown option or a stray argument gets the usage on
# standard error and status 2, with nothing on standard output; without arguments the game starts
# as always, which with no display to open ends in its one-line message and status 1.
# Usage: game_options_test.sh GAME VERSION
set -uo pipefail
game=$1
version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}

# run ARGS...: runs the game with no display reachable; sets STATUS, OUT and ERR.
run() {
  env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$game" "$@" >"$tmp/out" 2>"$tmp/err"
  STATUS=$?
  OUT=$(cat "$tmp/out")
  ERR=$(cat "$tmp/err")
}

for help in --help -h --he; do
  run "$help"
  ((STATUS == 0)) || fail "$help exits $STATUS, not 0"
  grep -q '^Usage: dovuvezuvir ' <<<"$OUT" || fail "$help prints no usage on standard output"
  grep -qe '--version' <<<"$OUT" || fail "$help does not mention --version"
  [ -z "$ERR" ] || fail "$help writes on standard error: $ERR"
done

for option in --version -V; do
  run "$option"
  ((STATUS == 0)) || fail "$option exits $STATUS, not 0"
  [ "$OUT" = "dovuvezuvir $version" ] || fail "$option prints '$OUT', not 'dovuvezuvir $version'"
  [ -z "$ERR" ] || fail "$option writes on standard error: $ERR"
done

# The first option decides: help before a bad option still helps.
run --help --no-such-option
((STATUS == 0)) || fail "--help --no-such-option exits $STATUS, not 0"

for bad in --no-such-option -x --help=yes stray "stray words"; do
  # shellcheck disable=SC2086 # "stray words" is two arguments
  run $bad
  ((STATUS == 2)) || fail "'$bad' exits $STATUS, not 2"
  [ -z "$OUT" ] || fail "'$bad' writes on standard output: $OUT"
  grep -q '^Usage: dovuvezuvir ' <<<"$ERR" || fail "'$bad' gives no usage on standard error"
done
run --no-such-option
grep -qe "--no-such-option" <<<"$ERR" || fail "the unknown option is not named: $ERR"

# Without arguments the game itself runs: here it finds no display.
run
((STATUS == 1)) || fail "without arguments and without a display the game exits $STATUS, not 1"
grep -q 'cannot open display' <<<"$ERR" || fail "without a display the game says: $ERR"
grep -q 'Usage' <<<"$OUT$ERR" && fail "without arguments the game prints its usage"

[ "$failed" -eq 0 ] && echo "the game's options follow the conventions"
exit "$failed"
