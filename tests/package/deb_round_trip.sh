#!/usr/bin/env bash
# The Debian package's round trip on the live system, as root: apt-get installs the .deb with its
# dependencies; the installed programs work from /usr (the game's --version, a headless replay
# that gives the golden log, a C program built with pkg-config against the installed kit); then
# apt-get purges the package and nothing of it is left. Any failure fails the run, and the
# package is purged in any case.
# Usage: deb_round_trip.sh PACKAGE.deb SOURCE_DIR
set -uo pipefail
deb=$(realpath "${1:?usage: deb_round_trip.sh PACKAGE.deb SOURCE_DIR}")
source=$(realpath "${2:?usage: deb_round_trip.sh PACKAGE.deb SOURCE_DIR}")
tmp=$(mktemp -d)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

package=$(dpkg-deb -f "$deb" Package)
version=$(dpkg-deb -f "$deb" Version)
installed=0
passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@" >"$tmp/check.log" 2>&1; then
    echo "ok: $what"
    passed=$((passed + 1))
  else
    echo "FAIL: $what" >&2
    sed 's/^/    /' "$tmp/check.log" >&2
    failed=$((failed + 1))
  fi
}
finish() {
  if ((installed)); then
    $sudo apt-get purge -y -qq "$package" >"$tmp/purge.log" 2>&1 ||
      { cat "$tmp/purge.log" >&2; echo "FAIL: apt-get purge $package" >&2; failed=$((failed + 1)); }
  fi
  rm -rf "$tmp"
  echo "deb round trip: $passed passed, $failed failed"
  ((failed == 0))
}
trap 'finish; exit $?' EXIT

# ---- apt-get install ./PACKAGE.deb ----------------------------------------------------------------
echo "== apt-get install $deb ($package $version)"
cp "$deb" "$tmp/" && chmod 644 "$tmp/$(basename "$deb")" # apt's sandbox user must read it
if ! $sudo apt-get install -y -qq "$tmp/$(basename "$deb")" >"$tmp/install.log" 2>&1; then
  # The dependencies may need the package lists first.
  $sudo apt-get update -qq >/dev/null 2>&1
  $sudo apt-get install -y -qq "$tmp/$(basename "$deb")" >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log" >&2; echo "FAIL: apt-get install" >&2; failed=1; exit 1; }
fi
installed=1

installed_version() { [ "$(dpkg-query -W -f='${Status} ${Version}' "$package")" = "install ok installed $version" ]; }
check "dpkg knows $package $version as installed" installed_version

version_line() {
  [ "$(command -v dovuvezuvir)" = /usr/bin/dovuvezuvir ] &&
    [ "$(dovuvezuvir --version)" = "dovuvezuvir ${version%%-*}" ]
}
check "/usr/bin/dovuvezuvir --version prints dovuvezuvir ${version%%-*}" version_line

# A headless replay of a recorded game, run away from the sources: the log is the golden one.
replay() {
  mkdir -p "$tmp/replay" && cd "$tmp/replay" && cp "$source/tests/data/golden/swat.scr" . &&
    /usr/bin/dovuvezuvir-replay --png final.png --log final.log swat.scr &&
    cmp final.log "$source/tests/data/golden/swat.log" &&
    [ "$(head -c 24 final.png | od -An -tx1 -j16 | tr -d ' \n')" = "000002590000021c" ]
}
check "dovuvezuvir-replay replays a golden script headless (log, 601 x 540 PNG)" replay

documents() {
  [ "$(man -w dovuvezuvir)" = /usr/share/man/man6/dovuvezuvir.6 ] &&
    [ -f /usr/share/applications/dovuvezuvir.desktop ] &&
    [ -f /usr/share/icons/hicolor/scalable/apps/dovuvezuvir.svg ] &&
    [ -f /usr/share/doc/veldo/LICENSE ]
}
check "the manual page, desktop entry, icon and licence are installed" documents

# The installed kit as a newcomer builds against it: pkg-config, the shared library found by the
# dynamic linker in /usr/lib, no rpath.
consumer() {
  mkdir -p "$tmp/consumer" && cd "$tmp/consumer" &&
    # shellcheck disable=SC2046 # the flags are meant to split into words
    cc -std=c11 "$source/tests/install/headless_check.c" -o headless_check \
      $(pkg-config --cflags --libs veldo) &&
    ldd headless_check | grep -Eq 'libveldo\.so\.1 => (/usr)?/lib/libveldo\.so\.1 ' &&
    ./headless_check
}
check "a C program builds with pkg-config against the installed kit and runs" consumer

# ---- apt-get purge ---------------------------------------------------------------------------------
echo "== apt-get purge $package"
files=$(dpkg-query -L "$package" | grep -v -e '^/\.$' -e '^/usr$' -e '^/usr/[a-z]*$')
$sudo apt-get purge -y -qq "$package" >"$tmp/purge.log" 2>&1
status=$?
installed=0
purged() { [ "$status" -eq 0 ] && ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q installed; }
check "apt-get purge $package removes it" purged
nothing_left() {
  local path left=0
  for path in $files; do
    if [ -f "$path" ] || [ -L "$path" ]; then
      echo "left behind: $path"
      left=1
    fi
  done
  ((left == 0)) && ! command -v dovuvezuvir && ! "$tmp/consumer/headless_check"
}
check "no file of $package is left: the program built on it no longer starts" nothing_left
