#!/usr/bin/env bash
# `make uninstall` removes exactly what `make install` installed: into a prefix that already
# holds other software's files and directories, and into a staging directory (DESTDIR), the tree
# after install then uninstall is the tree before, file for file, directory for directory. A
# second uninstall has nothing to remove and says so.
# Usage: uninstall_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The build is already made: -o build keeps make from configuring and building it again. The list
# of installed files is the test's own, so a real install's list in the build stays as it is.
installed="$tmp/installed-files.txt"
make_in_source() {
  make --no-print-directory -C "$source" -o build -o deps BUILD="$build" INSTALLED="$installed" "$@"
}

# snapshot DIR: every path under DIR with its kind and, for a file, its checksum.
snapshot() {
  (cd "$1" && find . -printf '%y %p\n' | sort | while read -r kind path; do
    if [ "$kind" = f ]; then
      echo "$kind $path $(md5sum <"$path" | cut -c1-32)"
    else
      echo "$kind $path"
    fi
  done)
}

# round_trip NAME ROOT INSTALL-ARGUMENTS...: install, check, uninstall, compare with before.
round_trip() {
  local name=$1 root=$2
  shift 2
  snapshot "$root" >"$tmp/$name.before"
  make_in_source install "$@" >"$tmp/$name.install.log" 2>&1 ||
    { cat "$tmp/$name.install.log"; fail "$name: make install failed"; }
  [ -s "$installed" ] || fail "$name: make install kept no list of its files"
  local count
  count=$(wc -l <"$installed")
  ((count >= 20)) || fail "$name: only $count files installed"
  find "$root" -name dovuvezuvir -type f | grep -q . || fail "$name: the game is not installed"
  make_in_source uninstall "$@" >"$tmp/$name.uninstall.log" 2>&1 ||
    { cat "$tmp/$name.uninstall.log"; fail "$name: make uninstall failed"; }
  snapshot "$root" >"$tmp/$name.after"
  diff "$tmp/$name.before" "$tmp/$name.after" >"$tmp/$name.diff" ||
    { cat "$tmp/$name.diff"; fail "$name: the tree after make uninstall is not the tree before"; }
  echo "$name: $count files and directories installed and removed, the rest untouched"
}

# A prefix already in use: shared directories, some empty, some with other files.
prefix="$tmp/prefix"
mkdir -p "$prefix/bin" "$prefix/lib/cmake/Other" "$prefix/include" "$prefix/share/man/man6" \
  "$prefix/share/applications" "$prefix/share/icons/hicolor/scalable/apps" "$prefix/share/doc"
echo other >"$prefix/bin/other-game"
echo other >"$prefix/lib/cmake/Other/OtherConfig.cmake"
echo other >"$prefix/share/applications/other.desktop"
echo other >"$prefix/share/icons/hicolor/scalable/apps/other.svg"
round_trip prefix "$prefix" PREFIX="$prefix"

# Staged: the paths are the prefix's, the files under DESTDIR.
mkdir -p "$tmp/stage"
round_trip staged "$tmp/stage" PREFIX=/usr DESTDIR="$tmp/stage"

if make_in_source uninstall >"$tmp/again.log" 2>&1; then
  fail "a second make uninstall succeeds with nothing installed"
fi
grep -q 'nothing was installed' "$tmp/again.log" || fail "a second make uninstall says: $(cat "$tmp/again.log")"
echo "make uninstall removes exactly what make install installed"
