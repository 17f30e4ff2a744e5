#!/usr/bin/env bash
# Installs this build into a temporary prefix and builds programs against the installed kit the
# two ways a newcomer would: the installed examples and a headless replay test with CMake's
# find_package(Veldo), the paint example and a C program with pkg-config. The headless programs
# then run from empty directories, on the shared library and (through CMake) on the static one.
# Last, the README's own code is built and run as the README says: its program with its
# CMakeLists.txt and its pkg-config command, its headless test, and its replay tool.
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
# The shared library exports exactly the public interface: every kit_ operation the public headers
# declare, and nothing but the kit_ operations and the headless platform's interface.
nm -DC --defined-only "$libdir/libveldo.so" | awk '$2 ~ /^[TWDBRV]$/ {$1 = $2 = ""; print}' |
  sed -e 's/^ *//' -e 's/@@*VELDO_1$//' >"$tmp/exported"
for operation in $(cat "$includedir"/veldo/*.h | grep -o 'kit_[a-z_]*(' | tr -d '(' | sort -u); do
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

echo "== the README's program, its CMakeLists.txt and its headless test"
# readme_block SECTION LANG N: the N-th block of that language in that section of the README.
readme_block() {
  awk -v heading="## $1" -v lang="$2" -v wanted="$3" '/^## / { section = ($0 == heading) }
    section && $0 == "```" lang { if (++count == wanted) { inside = 1; next } }
    inside && $0 == "```" { inside = 0 }
    inside' "$source/README.md"
}
own="Writing your own program with VELDO"
mkdir "$tmp/hello"
readme_block "$own" cpp 1 >"$tmp/hello/hello.cpp"
readme_block "$own" cmake 1 >"$tmp/hello/CMakeLists.txt"
[ -s "$tmp/hello/hello.cpp" ] && [ -s "$tmp/hello/CMakeLists.txt" ] ||
  fail "the README has no program or no CMakeLists.txt to build it"
cmake -S "$tmp/hello" -B "$tmp/build-hello" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$strict" >"$tmp/hello.log" 2>&1 &&
  cmake --build "$tmp/build-hello" >>"$tmp/hello.log" 2>&1 ||
  { cat "$tmp/hello.log"; fail "the README's program does not build with its CMakeLists.txt"; }
# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++20 $strict "$tmp/hello/hello.cpp" -o "$tmp/hello/hello" \
  $(pkg-config --cflags --libs veldo) -Wl,-rpath,"$(pkg-config --variable=libdir veldo)" ||
  fail "the README's program does not build with its pkg-config command"
# The README's test, on the README's program turned into run_program(), replaying a recorded click
# in the middle of the window.
sed 's/^int main() {/int run_program() {/' "$tmp/hello/hello.cpp" >"$tmp/hello/program.cpp"
readme_block "$own" cpp 2 >"$tmp/hello/replay_test.cpp"
grep -q 'TEST(' "$tmp/hello/replay_test.cpp" || fail "the README has no headless test"
# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++20 $strict "$tmp/hello/program.cpp" "$tmp/hello/replay_test.cpp" \
  -o "$tmp/hello/replay_test" $(pkg-config --cflags --libs veldo gtest_main) \
  -Wl,-rpath,"$libdir" || fail "the README's headless test does not build"
printf 'VELDO_PERIODIC(3);\nVELDO_MOUSE(0, 0);\nVELDO_PERIODIC(2);\n' >"$tmp/hello/VELDO.SCR"
(cd "$tmp/hello" && ./replay_test >"$tmp/hello/replay_test.log" 2>&1) ||
  { cat "$tmp/hello/replay_test.log"; fail "the README's headless test fails"; }
[ -s "$tmp/hello/replay.png" ] || fail "the README's headless test saved no replay.png"

echo "== the README's replay tool for your own program, on the README's program"
readme_block "Replaying a game" cpp 1 >"$tmp/hello/replay_tool.cpp"
grep -q 'kit_replay_main' "$tmp/hello/replay_tool.cpp" || fail "the README has no replay tool"
# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++20 $strict "$tmp/hello/program.cpp" "$tmp/hello/replay_tool.cpp" \
  -o "$tmp/hello/replay_tool" $(pkg-config --cflags --libs veldo) -Wl,-rpath,"$libdir" ||
  fail "the README's replay tool does not build"
mkdir "$tmp/run-tool"
(cd "$tmp/run-tool" && "$tmp/hello/replay_tool" --png final.png --log final.log \
  ../hello/VELDO.SCR) || fail "the README's replay tool fails on a recorded click"
# The program ends on the quit without drawing, so the log holds the end of the script alone.
[ "$(cat "$tmp/run-tool/final.log")" = "EOF encountered in script file ../hello/VELDO.SCR" ] ||
  fail "the replay tool's log is not the end of the script:"$'\n'"$(cat "$tmp/run-tool/final.log")"
channel() { echo "%[fx:int(255 * p{300,250}.$1)]"; }
pixel=$(convert "$tmp/run-tool/final.png" -format "$(channel r),$(channel g),$(channel b)" info:)
[ "$pixel" = "255,0,0" ] || fail "the replay tool's picture has $pixel, not red, at the click"
[ ! -e "$tmp/run-tool/VELDO.SCR" ] || fail "the replay tool made a VELDO.SCR where it ran"

echo "the installed kit builds and runs programs with find_package(Veldo) and with pkg-config"
