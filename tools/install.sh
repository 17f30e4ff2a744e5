#!/usr/bin/env bash
# Installs a build into PREFIX (under $DESTDIR when that is set) and writes the list of what it
# installed for tools/uninstall.sh: every file, one absolute path a line, then every directory
# that did not exist before, with a trailing slash, so that an uninstall removes exactly those.
# The directories are found by installing into a scratch directory first.
# Usage: install.sh BUILD_DIR PREFIX INSTALLED_FILES
set -euo pipefail
build=${1:?usage: install.sh BUILD_DIR PREFIX INSTALLED_FILES}
prefix=${2:?usage: install.sh BUILD_DIR PREFIX INSTALLED_FILES}
list=${3:?usage: install.sh BUILD_DIR PREFIX INSTALLED_FILES}
destdir=${DESTDIR:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

DESTDIR="$scratch" cmake --install "$build" --prefix "$prefix" >/dev/null
declare -A created=()
while IFS= read -r file || [ -n "$file" ]; do
  directory=$(dirname -- "$file")
  while [ "$directory" != / ] && [ ! -d "$destdir$directory" ]; do
    created["$directory"]=1
    directory=$(dirname -- "$directory")
  done
done <"$build/install_manifest.txt"

cmake --install "$build" --prefix "$prefix"
{
  cat "$build/install_manifest.txt"
  echo
  for directory in "${!created[@]}"; do echo "$directory/"; done
} | grep -v '^$' >"$list"
