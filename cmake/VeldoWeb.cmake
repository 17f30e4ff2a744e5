# The browser build: the kit, the game and the examples as web pages, compiled by Emscripten.
# `make web` configures it with emcmake, pkg-config pointed at the WebAssembly raster libraries that
# tools/web/build-deps.sh builds from Debian's sources. Each program becomes a folder holding
# index.html, index.js, index.wasm and index.data (the two font files):
#
#   dovuvezuvir/          the game
#   examples/NAME/        each example
#   bench/play/           the play-loop benchmark, run in a browser by bench/web_bench.py
#
# The kit's GTK backend is left out; the page (kit/platform/web/) is the default backend, and the
# headless one is there as everywhere.

# pkg-config sees the prefix of tools/web/build-deps.sh and nothing else: the desktop's
# libraries of the same versions must never be picked up.
set(VELDO_WEB_DEPS "" CACHE PATH "The prefix tools/web/build-deps.sh printed")
if(NOT EXISTS "${VELDO_WEB_DEPS}/lib/pkgconfig/cairo.pc")
  message(FATAL_ERROR "VELDO_WEB_DEPS must name the prefix of tools/web/build-deps.sh; "
    "build the pages with `make web`")
endif()
set(ENV{PKG_CONFIG_LIBDIR} "${VELDO_WEB_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# Emscripten's tools run on node and find their modules (acorn, ...) only through NODE_PATH here;
# the link steps get it whoever starts the build.
if(DEFINED ENV{NODE_PATH})
  set(VELDO_NODE_PATH "$ENV{NODE_PATH}" CACHE PATH "Where node finds Emscripten's modules")
else()
  set(VELDO_NODE_PATH /usr/share/nodejs CACHE PATH "Where node finds Emscripten's modules")
endif()
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${VELDO_NODE_PATH})
# WebAssembly has no position-independent code to speak of outside dynamic linking.
set(CMAKE_POSITION_INDEPENDENT_CODE OFF)

find_package(PkgConfig REQUIRED)
# Static libraries only: the private dependencies (pixman, libpng, zlib) are linked as well.
pkg_check_modules(RASTER REQUIRED cairo cairo-ft freetype2 harfbuzz)
add_library(veldo_raster INTERFACE)
target_include_directories(veldo_raster INTERFACE ${RASTER_STATIC_INCLUDE_DIRS})
target_compile_options(veldo_raster INTERFACE ${RASTER_STATIC_CFLAGS_OTHER})
target_link_options(veldo_raster INTERFACE ${RASTER_STATIC_LDFLAGS})

# The font files are packed beside each page and read from there, exactly as the desktop reads
# them from /usr/share/fonts.
get_filename_component(VELDO_TEXT_FONT_NAME ${VELDO_TEXT_FONT_FILE} NAME)
get_filename_component(VELDO_FIXED_FONT_NAME ${VELDO_FIXED_FONT_FILE} NAME)
set(VELDO_WEB_TEXT_FONT /fonts/${VELDO_TEXT_FONT_NAME})
set(VELDO_WEB_FIXED_FONT /fonts/${VELDO_FIXED_FONT_NAME})

set(VELDO_WEB_DIR ${CMAKE_CURRENT_SOURCE_DIR}/kit/platform/web)

# ---- The kit -------------------------------------------------------------------------------------
file(GLOB VELDO_SOURCES CONFIGURE_DEPENDS
  kit/src/*.cpp kit/platform/*.cpp kit/platform/headless/*.cpp kit/platform/web/*.cpp)
add_library(veldo STATIC ${VELDO_SOURCES})
target_include_directories(veldo PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/kit/include)
target_link_libraries(veldo PUBLIC veldo_raster)
target_compile_definitions(veldo PRIVATE
  VELDO_TEXT_FONT_FILE="${VELDO_WEB_TEXT_FONT}" VELDO_FIXED_FONT_FILE="${VELDO_WEB_FIXED_FONT}")

# Every program linked with the kit is a page. The kit waits by giving the browser its thread
# back: Asyncify unwinds the program's stack at the one import that sleeps and rewinds it when the
# wait ends. Every function that may be on the stack then must be instrumented, which Asyncify
# assumes of every function that makes an indirect call. The raster libraries' code is never on
# the stack when the kit waits (they call nothing that sleeps), so asyncify-remove.txt leaves it
# uninstrumented: the game's WebAssembly is 17% smaller and its play loop 10% faster for it
# (measured with bench/play), while every program's own code is instrumented as safely as before.
target_link_options(veldo INTERFACE
  "SHELL:--shell-file ${VELDO_WEB_DIR}/shell.html"
  "SHELL:--js-library ${VELDO_WEB_DIR}/library_veldo.js"
  "SHELL:--preload-file ${VELDO_TEXT_FONT_FILE}@${VELDO_WEB_TEXT_FONT}"
  "SHELL:--preload-file ${VELDO_FIXED_FONT_FILE}@${VELDO_WEB_FIXED_FONT}"
  -sASYNCIFY=1
  "-sASYNCIFY_IMPORTS=['veldo_web_sleep']"
  -sASYNCIFY_REMOVE=@${VELDO_WEB_DIR}/asyncify-remove.txt
  -sASYNCIFY_STACK_SIZE=16384
  -sALLOW_MEMORY_GROWTH=1
  -sEXIT_RUNTIME=1
  -sENVIRONMENT=web
  # Emscripten 3.1.6 fails to call its HTML minifier; the page is small anyway.
  -sMINIFY_HTML=0
  "-sEXPORTED_RUNTIME_METHODS=['UTF8ToString']")
set_property(TARGET veldo APPEND PROPERTY INTERFACE_LINK_DEPENDS
  ${VELDO_WEB_DIR}/shell.html ${VELDO_WEB_DIR}/library_veldo.js
  ${VELDO_WEB_DIR}/asyncify-remove.txt)

# A page of `target` in build-web/`folder`/index.html.
function(veldo_web_page target folder)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME index SUFFIX ".html"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${folder})
endfunction()

# ---- The game ------------------------------------------------------------------------------------
file(GLOB GAME_SOURCES CONFIGURE_DEPENDS game/*.cpp)
list(FILTER GAME_SOURCES EXCLUDE REGEX ".*/(main|replay_main)\\.cpp$")
add_library(dovuvezuvir_game STATIC ${GAME_SOURCES})
target_include_directories(dovuvezuvir_game PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/game)
target_link_libraries(dovuvezuvir_game PUBLIC veldo)
add_executable(dovuvezuvir game/main.cpp)
target_link_libraries(dovuvezuvir PRIVATE dovuvezuvir_game)
veldo_web_page(dovuvezuvir dovuvezuvir)
set(VELDO_WEB_PAGES "dovuvezuvir/")

# ---- Examples and the play-loop benchmark --------------------------------------------------------
file(GLOB EXAMPLE_DIRS CONFIGURE_DEPENDS LIST_DIRECTORIES true examples/*)
foreach(dir ${EXAMPLE_DIRS})
  if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/main.cpp)
    get_filename_component(name ${dir} NAME)
    add_executable(example_${name} ${dir}/main.cpp)
    target_link_libraries(example_${name} PRIVATE veldo)
    veldo_web_page(example_${name} examples/${name})
    list(APPEND VELDO_WEB_PAGES "examples/${name}/")
  endif()
endforeach()

add_executable(bench_play bench/play.cpp)
target_link_libraries(bench_play PRIVATE dovuvezuvir_game)
veldo_web_page(bench_play bench/play)

# ---- The index of the pages ----------------------------------------------------------------------
set(VELDO_WEB_LINKS "")
foreach(page ${VELDO_WEB_PAGES})
  string(APPEND VELDO_WEB_LINKS "    <li><a href=\"${page}\">${page}</a></li>\n")
endforeach()
configure_file(${VELDO_WEB_DIR}/index.html.in ${CMAKE_BINARY_DIR}/index.html @ONLY)
