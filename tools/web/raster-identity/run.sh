#!/usr/bin/env bash
# Shows that the raster libraries built by tools/web/build-deps.sh draw exactly what Debian's
# native ones draw: raster_identity.cpp is built natively (against libcairo2-dev, libfreetype-dev,
# libharfbuzz-dev) and to WebAssembly (against the cached prefix), both builds draw every scene,
# and the pixels (as drawn, and as decoded from each build's PNG) must be identical. The PNG
# files' bytes are compared and reported too.
#
#   bash tools/web/raster-identity/run.sh [-O2|-Os] [OUTDIR]
#
# OUTDIR (default: build-web-identity at the top of the repository) receives both programs, their
# pictures and the sizes of the WebAssembly program. Exit status 0 when every scene is identical.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../../.." && pwd)
opt=-O2
case "${1:-}" in -O2 | -Os | -O3 | -Oz) opt=$1 && shift ;; esac
out=$(mkdir -p "${1:-$repo/build-web-identity}" && cd "${1:-$repo/build-web-identity}" && pwd)
font=/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf

fail() {
  echo "raster-identity: error: $*" >&2
  exit 1
}

prefix=$(bash "$repo/tools/web/build-deps.sh" | tail -1)
[ -f "$prefix/.complete" ] || fail "tools/web/build-deps.sh gave no complete prefix"
bash "$repo/tools/install-packages.sh" g++ pkg-config libcairo2-dev libfreetype-dev \
  libharfbuzz-dev fonts-liberation2
[ -f "$font" ] || fail "$font is missing"

export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
node_flags=()
if node --no-experimental-fetch -e 0 2>/dev/null; then
  # Emscripten 3.1.6's loader would take node's fetch() for a browser's and fail to load the file.
  node_flags=(--no-experimental-fetch)
fi

modules=(cairo cairo-ft cairo-png freetype2 harfbuzz)
mkdir -p "$out/native" "$out/wasm"
echo "== building natively (Debian's libraries)"
# shellcheck disable=SC2046 # pkg-config prints several words on purpose
g++ -std=c++20 -O2 -Wall -Wextra -Werror "$here/raster_identity.cpp" -o "$out/raster_identity" \
  $(pkg-config --cflags --libs "${modules[@]}")
echo "== building to WebAssembly ($opt, libraries from $prefix)"
# Only the cached prefix is searched: Emscripten must never see the native libraries' headers.
# NODERAWFS lets the program under node read the font and write its pictures where they are.
# shellcheck disable=SC2046
em++ -std=c++20 "$opt" -Wall -Wextra -Werror "$here/raster_identity.cpp" \
  -o "$out/raster_identity.js" \
  $(PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" pkg-config --static --cflags \
    --libs "${modules[@]}") \
  -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1
wasm_bytes=$(stat -c %s "$out/raster_identity.wasm")
js_bytes=$(stat -c %s "$out/raster_identity.js")
echo "WebAssembly program ($opt): raster_identity.wasm $wasm_bytes bytes, raster_identity.js" \
  "$js_bytes bytes" | tee "$out/sizes$opt.txt"

rm -f "$out"/native/* "$out"/wasm/*
echo "== drawing"
"$out/raster_identity" render "$font" "$out/native" >/dev/null
node "${node_flags[@]}" "$out/raster_identity.js" render "$font" "$out/wasm" >"$out/scenes.txt"
mapfile -t scenes < <(cut -d' ' -f1 "$out/scenes.txt")
[ ${#scenes[@]} -gt 0 ] || fail "the WebAssembly program drew no scene"

# The comparison must see a difference where there is one: one channel of one pixel of a copy
# of a native scene is changed by one, and exactly that must be reported.
mkdir -p "$out/changed"
cp "$out/native/${scenes[0]}".* "$out/changed/"
offset=$((12 + 4 * 12345))
byte=$(od -An -tu1 -j "$offset" -N1 "$out/changed/${scenes[0]}.raw" | tr -d ' ')
# shellcheck disable=SC2059 # the format is the one byte to write, as an octal escape
printf "\\$(printf '%03o' $((byte ^ 1)))" |
  dd of="$out/changed/${scenes[0]}.raw" bs=1 seek="$offset" conv=notrunc status=none
if report=$("$out/raster_identity" compare "$out/native" "$out/changed" "${scenes[0]}"); then
  fail "the comparison missed a changed pixel"
fi
grep -q "drawn: 1 pixels differ, largest channel difference 1;" <<<"$report" ||
  fail "the comparison misreported a changed pixel: $report"

echo "== native against WebAssembly"
"$out/raster_identity" compare "$out/native" "$out/wasm" "${scenes[@]}"
