#!/usr/bin/env bash
# Builds the C libraries of the kit's raster (zlib, libpng, FreeType, pixman, HarfBuzz, Cairo) as
# static WebAssembly libraries, from the Debian source packages of exactly the versions installed
# on this machine, so that the browser build draws the same pixels as the desktop build.
#
# The result is an install prefix (include/, lib/*.a, lib/pkgconfig/) in a cache outside the
# repository: ${VELDO_WEB_CACHE:-$HOME/.cache/veldo/web-deps}/<key>, where the key covers the
# source versions, this script and its helpers, and the compiler's version. A run that finds its
# prefix complete does nothing else. The last line of standard output is the prefix.
#
# Progress goes to standard error; each library's configure and make output to a log whose tail
# is shown when it fails. Needs root (or sudo) only to install packages and enable deb-src.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache_root=${VELDO_WEB_CACHE:-$HOME/.cache/veldo/web-deps}
jobs=${VELDO_WEB_JOBS:-2}
# The libraries' optimisation: Debian's -O2, or -Os for a smaller download.
opt=${VELDO_WEB_OPT:--O2}
started=$SECONDS

say() { echo "build-deps: $*" >&2; }
fail() {
  echo "build-deps: error: $*" >&2
  exit 1
}
case "$opt" in -O2 | -O3 | -Os | -Oz) ;; *) fail "VELDO_WEB_OPT must be -O2, -O3, -Os or -Oz" ;; esac

# The libraries, in build order, each as "source package:binary package whose version it must
# match".
libraries=(zlib:zlib1g libpng1.6:libpng16-16 freetype:libfreetype6 pixman:libpixman-1-0
  harfbuzz:libharfbuzz0b cairo:libcairo2)

# The compiler, the tools the configure scripts call, and the native libraries whose versions
# the WebAssembly ones must match (the desktop build links those).
bash "$repo/tools/install-packages.sh" emscripten gcc dpkg-dev make patch pkg-config xz-utils \
  file libcairo2 libpixman-1-0 libfreetype6 libharfbuzz0b zlib1g libpng16-16 >&2 ||
  fail "could not install the packages the build needs"
for tool in emcc emconfigure emmake emar apt-get dpkg-query pkg-config node; do
  command -v "$tool" >/dev/null || fail "$tool not found after installing the packages"
done

# Emscripten's tools run on node and find their modules (acorn...) only through NODE_PATH here.
# Node 18 and later have a fetch() that Emscripten 3.1.6's loader mistakes for a browser's, so
# programs that configure scripts run are started with it switched off.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
if node --no-experimental-fetch -e 0 2>/dev/null; then
  export NODE_OPTIONS="${NODE_OPTIONS:+$NODE_OPTIONS }--no-experimental-fetch"
fi

declare -A version
for entry in "${libraries[@]}"; do
  src=${entry%%:*} bin=${entry#*:}
  line=$(dpkg-query -W -f='${source:Package} ${source:Version}' "$bin" 2>/dev/null) ||
    fail "$bin is not installed"
  [ "${line%% *}" = "$src" ] || fail "$bin comes from source package ${line%% *}, not $src"
  version[$src]=${line#* }
done

key=$(
  {
    for entry in "${libraries[@]}"; do echo "${entry%%:*}=${version[${entry%%:*}]}"; done
    emcc --version 2>/dev/null | sed -n 1p
    echo "$opt"
    cat "$here/build-deps.sh" "$here/enable-deb-src.sh" "$here/fetch-source.sh" \
      "$here"/patches/*.patch
  } | sha256sum | cut -c1-16
)
prefix=$cache_root/$key
if [ -f "$prefix/.complete" ]; then
  say "cached: $prefix ($((SECONDS - started)) s)"
  echo "$prefix"
  exit 0
fi

# One build at a time per cache: a second run waits for the first and then finds its result.
mkdir -p "$cache_root"
exec 9>"$cache_root/.lock"
flock -w 3600 9 || fail "another build of $cache_root has held its lock for an hour"
if [ -f "$prefix/.complete" ]; then
  say "built meanwhile by another run: $prefix"
  echo "$prefix"
  exit 0
fi

# --- Sources ------------------------------------------------------------------------------------

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || fail "need root or sudo to enable deb-src entries"
  sudo=sudo
fi
# apt learns of new deb-src entries only through an update (also needed on a machine that has
# never run one).
if [ -n "$($sudo bash "$here/enable-deb-src.sh")" ] ||
  ! apt-cache showsrc zlib 2>/dev/null | grep -q .; then
  say "apt-get update (deb-src entries)"
  $sudo apt-get update -qq >&2 || fail "apt-get update failed"
fi

work=$cache_root/work-$key
rm -rf "$work" "$prefix"
mkdir -p "$work/src" "$work/logs" "$prefix"
manifest=$work/manifest

# The upstream part of a Debian version without epoch, Debian revision or repack suffix.
upstream_of() {
  local v=${1#*:}
  v=${v%-*}
  echo "${v%%[+~]*}"
}

cd "$work/src"
for entry in "${libraries[@]}"; do
  src=${entry%%:*}
  say "apt-get source $src=${version[$src]}"
  bash "$here/fetch-source.sh" "$src" "${version[$src]}" "$work/logs/fetch-$src.log" \
    >>"$manifest" || fail "cannot fetch the source of $src"
done
# Debian's patches can leave configure.ac or Makefile.am newer than the configure scripts and
# Makefile.in files shipped beside them, and make would then try to run autotools. The patches
# that do so only concern Debian's build (extra utilities, exported symbols); the generated files
# are marked up to date instead.
for dir in */; do
  find "$dir" \( -name aclocal.m4 -o -name configure -o -name Makefile.in -o -name config.h.in \
    -o -name '*.pc.in' \) -exec touch {} +
done
srcdir() { find "$work/src" -maxdepth 1 -type d -name "$1-*" | head -1; }

# The project's own patches, named SOURCE-UPSTREAMVERSION-WHAT.patch, each explained at its top.
# They only make the WebAssembly build compute what the desktop's build computes.
for patch_file in "$here"/patches/*.patch; do
  name=$(basename "$patch_file")
  src=${name%%-[0-9]*}
  upstream=${name#"$src"-}
  upstream=${upstream%%-[a-z]*}
  [ "$(upstream_of "${version[$src]}")" = "$upstream" ] ||
    fail "$name is for $src $upstream, but $src ${version[$src]} is installed"
  patch -p1 -s -d "$(srcdir "$src")" <"$patch_file" >>"$work/logs/patches.log" 2>&1 ||
    fail "$name does not apply (see $work/logs/patches.log)"
  say "applied $name"
done

# --- Builds -------------------------------------------------------------------------------------

# All libraries are built like Debian's at -O2 (zlib at -O3, as in its debian/rules), unless
# asked otherwise, and without threads (the browser build has none). WebAssembly has no x87, no fused multiply-add and no
# fast-math here, so floating point gives the same results as the desktop's SSE2 code.
export CFLAGS="$opt" CXXFLAGS="$opt"
export CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig" EM_PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig"
common=(--prefix="$prefix" --disable-shared --enable-static)

run_logged() { # NAME COMMAND...
  local name=$1
  shift
  if ! "$@" >>"$work/logs/$name.log" 2>&1; then
    tail -25 "$work/logs/$name.log" >&2
    fail "$name: '$*' failed (whole log: $work/logs/$name.log)"
  fi
}

build() { # NAME: runs build_NAME in the library's source folder
  local name=$1 t=$SECONDS
  say "building $name"
  (cd "$(srcdir "$name")" && "build_$name")
  say "built $name ($((SECONDS - t)) s)"
}

build_zlib() {
  # zlib's own configure (not autoconf); Debian's only patches concern minizip and the shared
  # library. -DUNALIGNED_OK, as Debian sets on amd64, changes only how matches are compared.
  local zlib_opt=$opt
  [ "$opt" != -O2 ] || zlib_opt=-O3
  run_logged zlib env CFLAGS="$zlib_opt -DUNALIGNED_OK" emconfigure ./configure --static \
    --prefix="$prefix"
  run_logged zlib emmake make -j"$jobs" libz.a
  run_logged zlib emmake make install
}

build_libpng1.6() {
  # Debian configures libpng with its defaults. The hardware optimisations only speed up reading
  # (filter undoing); there is no SIMD to use here.
  run_logged libpng emconfigure ./configure "${common[@]}" --disable-hardware-optimizations \
    --disable-unversioned-libpng-config
  run_logged libpng emmake make -j"$jobs"
  run_logged libpng emmake make install
}

build_freetype() {
  # As Debian: --without-bzip2 --without-harfbuzz, with zlib and libpng, and the patched
  # ftoption.h (subpixel rendering on, the default v40 TrueType interpreter, autofit without
  # HarfBuzz); all of these decide how glyphs are hinted and rendered. Brotli (WOFF2 fonts) is
  # left out: the kit loads TrueType files only.
  run_logged freetype emconfigure ./configure "${common[@]}" --without-bzip2 --without-harfbuzz \
    --without-brotli --without-librsvg --with-zlib=yes --with-png=yes
  # FreeType's build runs a small tool of its own (apinames), which must be a native program.
  run_logged freetype emmake make -j"$jobs" CCexe=cc
  run_logged freetype emmake make install CCexe=cc
}

build_pixman() {
  # Debian's build detects SSE2/SSSE3 fast paths on amd64; they compute what the generic C code
  # computes, which is all there is here. No OpenMP, no GTK or libpng test programs.
  run_logged pixman emconfigure ./configure "${common[@]}" --disable-openmp --disable-gtk \
    --disable-libpng --disable-mmx --disable-sse2 --disable-ssse3 --disable-vmx \
    --disable-arm-simd --disable-arm-neon --disable-arm-a64-neon --disable-arm-iwmmxt \
    --disable-mips-dspr2 --disable-loongson-mmi
  run_logged pixman emmake make -j"$jobs" -C pixman libpixman-1.la
  run_logged pixman emmake make -C pixman install
  run_logged pixman emmake make install-pkgconfigDATA
}

build_harfbuzz() {
  # Debian enables every optional part; of those only FreeType (hb-ft, which the kit shapes
  # with) touches the kit's text. Glib, ICU, Graphite and Cairo are left out: HarfBuzz's own
  # Unicode tables come first whatever else is built, and Graphite shapes only Graphite fonts.
  run_logged harfbuzz emconfigure ./configure "${common[@]}" --with-freetype=yes --with-glib=no \
    --with-gobject=no --with-cairo=no --with-chafa=no --with-icu=no --with-graphite2=no \
    --enable-introspection=no
  # Only libharfbuzz itself: the subset library is for font tools.
  run_logged harfbuzz emmake make -j"$jobs" -C src libharfbuzz.la
  run_logged harfbuzz emmake make -C src lib_LTLIBRARIES=libharfbuzz.la pkgconfig_DATA=harfbuzz.pc \
    install-libLTLIBRARIES install-pkgincludeHEADERS install-nodist_pkgincludeHEADERS \
    install-pkgconfigDATA
}

build_cairo() {
  # Debian's cairo has the image surface, FreeType fonts and PNG functions, as this one; the
  # vector (PDF, PS, SVG) and X surfaces draw nothing in the browser and are left out, and so
  # are fontconfig (the kit names its font file) and threads (CAIRO_NO_MUTEX acknowledges a
  # cairo without locks). The patches Debian applies to the image compositor and the FreeType
  # backend are in this source. WebAssembly is little-endian; configure's test for the order of
  # a double's words cannot read a WebAssembly object file, so it is told.
  run_logged cairo emconfigure ./configure "${common[@]}" --enable-png=yes --enable-ft=yes \
    --enable-fc=no --enable-xlib=no --enable-xlib-xrender=no --enable-xcb=no \
    --enable-xlib-xcb=no --enable-xcb-shm=no --enable-pdf=no --enable-ps=no --enable-svg=no \
    --enable-script=no --enable-interpreter=no --enable-tee=no --enable-xml=no \
    --enable-pthread=no --enable-gobject=no --enable-trace=no --enable-symbol-lookup=no \
    --enable-gl=no --enable-egl=no --enable-glx=no --disable-valgrind --disable-gtk-doc \
    CPPFLAGS="$CPPFLAGS -DCAIRO_NO_MUTEX=1" ax_cv_c_float_words_bigendian=no
  run_logged cairo emmake make -j"$jobs" -C src libcairo.la
  run_logged cairo emmake make -C src install-libLTLIBRARIES install-cairoincludeHEADERS \
    install-nodist_cairoincludeHEADERS install-pkgconfigDATA
}

for entry in "${libraries[@]}"; do
  build "${entry%%:*}"
done

# The libraries are plain archives: libtool's .la files would only point the linker at the
# shared libraries that do not exist here.
rm -f "$prefix"/lib/*.la
for lib in libz libpng16 libfreetype libpixman-1 libharfbuzz libcairo; do
  [ -s "$prefix/lib/$lib.a" ] || fail "$lib.a is missing from $prefix/lib"
done
for pc in cairo cairo-ft cairo-png freetype2 harfbuzz pixman-1 libpng zlib; do
  PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" pkg-config --exists "$pc" ||
    fail "pkg-config cannot find $pc in $prefix/lib/pkgconfig"
done
cp "$manifest" "$prefix/manifest"
rm -rf "$work"
touch "$prefix/.complete"
say "built in $((SECONDS - started)) s: $prefix"
echo "$prefix"
