#!/usr/bin/env bash
# Makes Debian's source packages reachable for `apt-get source`: every enabled binary source of
# this release (deb822 stanzas in /etc/apt/sources.list.d/*.sources, one-line entries in
# /etc/apt/sources.list and *.list) gets a matching deb-src entry, written to files of the
# project's own. The machine's own files are never changed. Prints "changed" when it wrote
# something (the caller then runs apt-get update), nothing otherwise.
set -euo pipefail

# The tests point these at folders of their own.
apt_etc=${VELDO_APT_ETC:-/etc/apt}
os_release=${VELDO_OS_RELEASE:-/etc/os-release}

dir=$apt_etc/sources.list.d
own_sources=$dir/veldo-deb-src.sources
own_list=$dir/veldo-deb-src.list
# shellcheck source=/dev/null
codename=$(. "$os_release" && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || { echo "enable-deb-src: no VERSION_CODENAME in $os_release" >&2; exit 1; }

# deb822: a stanza of Types "deb" for this release (Suites "bookworm", "bookworm-updates"...) is
# copied with Types "deb-src"; a stanza that already lists deb-src needs nothing, and one marked
# "Enabled: no" stays off.
new_sources=$(
  for f in "$dir"/*.sources; do
    if [ -f "$f" ] && [ "$f" != "$own_sources" ]; then cat "$f" && printf '\n\n'; fi
  done | awk -v codename="$codename" '
    BEGIN { RS = ""; FS = "\n" }
    {
      types = ""; suites = ""; enabled = "yes"; body = ""
      for (i = 1; i <= NF; i++) {
        line = $i
        if (line ~ /^#/) continue
        if (tolower(line) ~ /^types:/) { types = substr(line, 7); continue }
        if (tolower(line) ~ /^suites:/) suites = substr(line, 8)
        if (tolower(line) ~ /^enabled:/) enabled = tolower(substr(line, 9))
        body = body line "\n"
      }
      gsub(/^[ \t]+|[ \t]+$/, "", enabled)
      if (enabled == "no") next
      if (types !~ /(^|[ \t])deb([ \t]|$)/ || types ~ /deb-src/) next
      if (suites !~ ("(^|[ \t])" codename "([ \t-]|$)")) next
      printf "Types: deb-src\n%s\n", body
    }')

# One-line format: "deb [options] URI SUITE COMPONENTS" for this release becomes "deb-src ...",
# unless the same line already exists as deb-src.
new_list=$(
  for f in "$apt_etc/sources.list" "$dir"/*.list; do
    if [ -f "$f" ] && [ "$f" != "$own_list" ]; then cat "$f"; fi
  done | awk -v codename="$codename" '
    $1 == "deb-src" { seen[substr($0, 9)] = 1; next }
    $1 == "deb" {
      rest = substr($0, 5)
      n = split(rest, w, /[ \t]+/)
      suite = (w[1] ~ /^\[/) ? "" : w[2]
      for (i = 1; i <= n; i++) if (w[i] ~ /\]$/) { suite = w[i + 2]; break }
      if (suite == codename || index(suite, codename "-") == 1) want[rest] = 1
    }
    END { for (r in want) if (!(r in seen)) print "deb-src " r }' | sort)

[ -n "$new_sources$new_list" ] || {
  echo "enable-deb-src: no Debian $codename package source found under $apt_etc" >&2
  exit 1
}

changed=""
write_if_changed() { # FILE CONTENT
  if [ -z "$2" ]; then
    [ -f "$1" ] && rm -f "$1" && changed=1
    return 0
  fi
  local text
  text="# Written by the project's tools/web/enable-deb-src.sh, for \`apt-get source\`."
  text+=$'\n'"$2"
  if [ "$(cat "$1" 2>/dev/null)" != "$text" ]; then
    printf '%s\n' "$text" >"$1"
    changed=1
  fi
}
write_if_changed "$own_sources" "$new_sources"
write_if_changed "$own_list" "$new_list"
[ -z "$changed" ] || echo changed
