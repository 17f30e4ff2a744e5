#!/usr/bin/env bash
# Removes what tools/install.sh installed, from the list it wrote: every file (under $DESTDIR
# when that is set), then every directory the install created, deepest first, if it is empty
# now. Directories that were there before the install stay, and so does anything else in them.
# Usage: uninstall.sh INSTALLED_FILES
set -euo pipefail
list=${1:?usage: uninstall.sh INSTALLED_FILES}
if [ ! -f "$list" ]; then
  echo "uninstall: nothing was installed from this build directory ($list does not exist;" \
    "\`make install\` writes it)" >&2
  exit 1
fi
destdir=${DESTDIR:-}

files=0
while IFS= read -r line; do
  case "$line" in
  "" | */) ;;
  *)
    if [ -e "$destdir$line" ] || [ -L "$destdir$line" ]; then
      rm -f -- "$destdir$line"
      files=$((files + 1))
    fi
    ;;
  esac
done <"$list"

directories=0
while IFS= read -r directory; do
  if rmdir -- "$destdir$directory" 2>/dev/null; then
    directories=$((directories + 1))
  elif [ -d "$destdir$directory" ]; then
    echo "uninstall: kept $destdir$directory, which holds other files" >&2
  fi
done < <(grep '/$' "$list" | awk '{ print length($0) "\t" $0 }' | sort -rn | cut -f2-)

rm -f -- "$list"
# The dynamic linker's cache forgets the removed library, as `make install` had it learn it.
if [ "$(id -u)" -eq 0 ] && [ -z "$destdir" ] && command -v ldconfig >/dev/null; then
  ldconfig
fi
echo "uninstall: removed $files files and $directories directories"
