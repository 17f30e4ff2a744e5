#!/usr/bin/env bash
# Builds the web pages (`make web`): the WebAssembly raster libraries first (tools/web/build-deps.sh,
# cached outside the repository), then the kit, the game and the examples with Emscripten's CMake
# wrapper into BUILD_DIR (default build-web).
#
#   bash tools/web/build-web.sh [BUILD_DIR]
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${1:-build-web}
jobs=${VELDO_WEB_JOBS:-2}

prefix=$(bash "$here/build-deps.sh" | tail -1)
[ -f "$prefix/.complete" ] || {
  echo "build-web: tools/web/build-deps.sh gave no complete prefix" >&2
  exit 1
}

# Emscripten's tools run on node and find their modules only through NODE_PATH here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
cd "$repo"
emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELDO_WEB_DEPS="$prefix"
cmake --build "$build" -j "$jobs"
echo "build-web: the pages are in $build (open them through a web server: make serve)"
