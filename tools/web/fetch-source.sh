#!/usr/bin/env bash
# Fetches and unpacks the Debian source package SRC at VERSION into the current folder:
#
#   bash tools/web/fetch-source.sh SRC VERSION LOG
#
# and prints what it fetched as one line ("SRC VERSION", with a note when it is not exactly that).
# Warnings go to standard error, apt's output to LOG. Exit status 1 when nothing fitting could be
# fetched.
#
# Where the archive no longer serves the Debian revision asked for (a later security update
# replaced it), the newest served revision of the same upstream release is taken instead.
# Where a package's Debian part cannot be fetched at all, only the packages named in
# upstream_only_ok may be unpacked from their upstream tarball alone, checked against the Debian
# source's own checksum: their Debian revision changes nothing in the library's code.
set -euo pipefail

#   pixman 0.42.2-1: its changelog lists no patch ("Removed, fixed upstream").
upstream_only_ok="pixman=0.42.2-1"
apt_helper=${VELDO_APT_HELPER:-/usr/lib/apt/apt-helper}

[ $# -eq 3 ] || {
  echo "usage: fetch-source.sh SRC VERSION LOG" >&2
  exit 2
}
src=$1 want=$2 log=$3

# The upstream part of a Debian version: no epoch, no Debian revision.
upstream_of() {
  local v=${1#*:}
  echo "${v%-*}"
}

apt_source() { # VERSION
  apt-get source -qq --only-source "$src=$1" >>"$log" 2>&1
}

if apt_source "$want"; then
  echo "$src $want"
  exit 0
fi

for v in $(apt-cache showsrc "$src" 2>/dev/null | awk '/^Version:/ { print $2 }' | sort -u |
  sort -r -V); do
  if [ "$v" = "$want" ] || [ "$(upstream_of "$v")" != "$(upstream_of "$want")" ]; then
    continue
  fi
  if apt_source "$v"; then
    echo "fetch-source: warning: $src $want is not served any more; using $v" \
      "(the same upstream release)" >&2
    echo "$src $v (installed: $want)"
    exit 0
  fi
done

if [[ " $upstream_only_ok " == *" $src=$want "* ]]; then
  # apt lists each file as: 'URI' NAME SIZE HASH. It lists nothing already present, so it is
  # asked from an empty folder.
  empty=$(mktemp -d)
  orig=$(cd "$empty" && apt-get source --print-uris --only-source "$src=$want" 2>>"$log" |
    tr -d "'" | awk '$2 ~ /\.orig\.tar\.[a-z0-9]+$/ { print $1, $2, $4; exit }')
  rmdir "$empty"
  if [ -n "$orig" ]; then
    read -r uri file hash <<<"$orig"
    if "$apt_helper" download-file "$uri" "$file" "$hash" >>"$log" 2>&1 && tar -xf "$file"; then
      echo "fetch-source: warning: the Debian part of $src $want cannot be fetched;" \
        "unpacked its upstream tarball only" >&2
      echo "$src $want (upstream tarball only)"
      exit 0
    fi
  fi
fi

tail -5 "$log" >&2
echo "fetch-source: error: cannot fetch the source of $src $want" \
  "(is a deb-src entry for it enabled?)" >&2
exit 1
