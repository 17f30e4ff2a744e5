#!/usr/bin/env bash
# Installs this build into a temporary prefix and builds programs against the installed kit the
# two ways a newcomer would: the installed examples and a headless replay test with CMake's
# find_package(Veldo), the paint example and a C program with pkg-config. The headless programs
# then run, on the shared library and on the static one, from an empty directory.
# Usage: consumer_test.sh BUILD_DIR SOURCE_DIR C_COMPILER CXX_COMPILER
set -euo pipefail
build=$1
source=$2
cc=$3
cxx=$4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix"
strict="-Wall -Wextra -Wpedantic -Werror"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

echo "== cmake --install into $prefix"
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" ||
  { cat "$tmp/install.log"; fail "cmake --install failed"; }

export PKG_CONFIG_PATH="$(dirname "$(find "$prefix" -name veldo.pc -print -quit)")"
[ -f "$PKG_CONFIG_PATH/veldo.pc" ] || fail "veldo.pc is not installed"
pkg-config --exists 'veldo >= 1' || fail "pkg-config does not find veldo >= 1"
libdir=$(pkg-config --variable=libdir veldo)
includedir=$(pkg-config --variable=includedir veldo)

echo "== what is installed"
for file in "$includedir/veldo/kit.h" "$includedir/veldo/headless.h" "$libdir/libveldo.a" \
  "$libdir/libveldo.so" "$libdir/libveldo.so.1" "$libdir/cmake/Veldo/VeldoConfig.cmake" \
  "$libdir/cmake/Veldo/VeldoConfigVersion.cmake" "$prefix/share/man/man6/dovuvezuvir.6" \
  "$prefix/share/man/man6/dovuvezuvir-replay.6" "$prefix/share/applications/dovuvezuvir.desktop" \
  "$prefix/share/icons/hicolor/scalable/apps/dovuvezuvir.svg"; do
  [ -e "$file" ] || fail "$file is not installed"
done
for program in dovuvezuvir dovuvezuvir-replay; do
  if [ -x "$build/$program" ]; then
    [ -x "$prefix/bin/$program" ] || fail "$program is built but not installed"
  fi
done
readelf -d "$libdir/libveldo.so" | grep -q 'SONAME.*\[libveldo\.so\.1\]' ||
  fail "libveldo.so does not carry the SONAME libveldo.so.1"
readelf -d "$libdir/libveldo.so" | grep -q 'NEEDED.*libgtk-3' ||
  fail "libveldo.so does not name the GTK library it needs"
# The shared library exports exactly the public interface: every kit_ operation the header
# declares, and nothing but the kit_ operations and the headless platform's interface.
nm -DC --defined-only "$libdir/libveldo.so" | awk '$2 ~ /^[TWDBRV]$/ {$1 = $2 = ""; print}' |
  sed 's/^ *//' | grep -v '^VELDO_1$' >"$tmp/exported"
for operation in $(grep -o 'kit_[a-z_]*(' "$includedir/veldo/kit.h" | tr -d '(' | sort -u); do
  grep -qx "$operation" "$tmp/exported" || fail "libveldo.so does not export $operation"
done
if grep -v -e '^kit_' -e '^veldo::headless::' "$tmp/exported" >"$tmp/unexpected"; then
  fail "libveldo.so exports more than the kit's interface:"$'\n'"$(head "$tmp/unexpected")"
fi

echo "== examples with find_package(Veldo)"
examples="$prefix/share/doc/veldo/examples"
[ -f "$examples/paint/main.cpp" ] || fail "the paint example is not installed"
for example in "$examples"/*/; do
  name=$(basename "$example")
  [ -f "$example/main.cpp" ] || continue
  cmake -S "$example" -B "$tmp/build-$name" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$strict" >"$tmp/$name.log" 2>&1 &&
    cmake --build "$tmp/build-$name" >>"$tmp/$name.log" 2>&1 ||
    { cat "$tmp/$name.log"; fail "the $name example does not build with find_package(Veldo)"; }
  [ -x "$tmp/build-$name/$name" ] || fail "the $name example built no program $name"
  echo "built $name"
done

echo "== a headless replay test with find_package(Veldo), shared and static"
cmake -S "$source/tests/install/replay_check" -B "$tmp/build-replay" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$strict" >"$tmp/replay.log" 2>&1 &&
  cmake --build "$tmp/build-replay" >>"$tmp/replay.log" 2>&1 ||
  { cat "$tmp/replay.log"; fail "the replay test does not build with find_package(Veldo)"; }
readelf -d "$tmp/build-replay/replay_check_static" | grep -q 'NEEDED.*libveldo' &&
  fail "the program built on Veldo::veldo_static still needs libveldo.so"
for program in replay_check replay_check_static; do
  mkdir "$tmp/run-$program"
  (cd "$tmp/run-$program" && "$tmp/build-replay/$program") || fail "$program failed"
  [ -s "$tmp/run-$program/final.png" ] || fail "$program saved no final.png"
done

echo "== programs with pkg-config --cflags --libs veldo"
# shellcheck disable=SC2046,SC2086 # the flags are meant to split into words
"$cxx" -std=c++20 $strict "$examples/paint/main.cpp" -o "$tmp/paint" \
  $(pkg-config --cflags --libs veldo) || fail "the paint example does not build with pkg-config"
# shellcheck disable=SC2046,SC2086
"$cc" -std=c11 $strict "$source/tests/install/headless_check.c" -o "$tmp/headless_check" \
  $(pkg-config --cflags --libs veldo) || fail "a C program does not build with pkg-config"
mkdir "$tmp/run-c"
(cd "$tmp/run-c" && LD_LIBRARY_PATH="$libdir" "$tmp/headless_check") ||
  fail "the C program failed on the shared library"
# Linking the static library needs the private requirements pkg-config --static lists.
# shellcheck disable=SC2046,SC2086
"$cc" -std=c11 $strict "$source/tests/install/headless_check.c" -o "$tmp/headless_check_static" \
  $(pkg-config --cflags veldo) "$libdir/libveldo.a" \
  $(pkg-config --static --libs veldo | sed 's/ -lveldo\b//') ||
  fail "a C program does not link the static library with pkg-config --static"
(cd "$tmp/run-c" && "$tmp/headless_check_static") || fail "the C program failed statically linked"

echo "the installed kit builds and runs programs with find_package(Veldo) and with pkg-config"
