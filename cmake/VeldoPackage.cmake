# The Debian package of the kit and the game (`make package`, or cpack in the build directory):
# everything `make install` installs, under /usr. Its dependencies are those dpkg-shlibdeps finds
# for the programs and the shared library, and the fonts the canvas text is drawn with.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veldo)
set(CPACK_PACKAGE_VENDOR "The VELDO authors")
set(CPACK_PACKAGE_CONTACT "The VELDO authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "small graphics kit with a canvas, a log window and a Run menu, and a bug-swatting game")
set(CPACK_PACKAGE_DESCRIPTION
  "VELDO is a small graphics kit: a graphics window over a 601 x 540 canvas, a scrolling log
window, a Run menu with Ctrl shortcuts, one blocking call for the next click, key, tick or quit,
and the recording and replaying of event scripts, on GTK 3 or headless. This package holds its
shared and static libraries, headers, CMake package and pkg-config file, and examples.
.
DOVUVEZUVIR, the bug-swatting arcade game written with it, comes with it: the game with its
desktop entry, icon and manual page, and dovuvezuvir-replay, which replays a recorded game
without a display and saves its pictures.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The programs and the shared library without their debugging information (the static library
# is left whole: stripping would take its symbols).
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file and the trigger that runs ldconfig, for the shared library in /usr/lib.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The kit draws its text from the font files of fonts-liberation2; GTK's menus take the desktop's
# default face, which fonts-dejavu-core gives a machine that has no other.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core")
# The SVG loader that shows the game's icon on its windows.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "librsvg2-common")
# What building a program against the kit takes.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libgtk-3-dev, pkg-config, cmake, g++")

include(CPack)
