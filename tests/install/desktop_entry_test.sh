#!/usr/bin/env bash
# The desktop entry passes desktop-file-validate without a single error, warning or hint, starts
# the program that gets installed, and names an icon that is installed beside it and that the
# desktop's own image loader (gdk-pixbuf with its SVG loader) can render at menu size.
# Usage: desktop_entry_test.sh DATA_DIR
set -euo pipefail
data=$1
entry="$data/dovuvezuvir.desktop"
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

report=$(desktop-file-validate "$entry" 2>&1) || true
if [ -n "$report" ]; then
  echo "FAIL: desktop-file-validate reports:"$'\n'"$report" >&2
  failed=1
fi
grep -qx 'Exec=dovuvezuvir' "$entry" || { echo "FAIL: Exec is not dovuvezuvir" >&2; failed=1; }
icon=$(sed -n 's/^Icon=//p' "$entry")
if [ ! -f "$data/$icon.svg" ]; then
  echo "FAIL: the icon $icon.svg named by the entry is not in $data" >&2
  failed=1
elif ! gdk-pixbuf-thumbnailer -s 48 "$data/$icon.svg" "$tmp/icon.png" ||
  [ ! -s "$tmp/icon.png" ]; then
  echo "FAIL: $icon.svg cannot be rendered as an icon" >&2
  failed=1
fi

[ "$failed" -eq 0 ] && echo "desktop entry and icon are valid"
exit "$failed"
