# Installing the kit for other programs, and the game as a desktop program.
#
# Other programs find the kit with find_package(Veldo), which gives Veldo::veldo (the shared
# library) and Veldo::veldo_static, or with pkg-config (veldo.pc). The targets inside this build
# keep linking the static `veldo`, so the tests and the game never depend on an installed library.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The shared library is made from the same objects as the static one (they are compiled as
# position-independent code for both). Only the kit's API leaves it: the kit_ operations and the
# headless platform's interface; everything else stays internal, so the library can change its
# insides without breaking the programs built against libveldo.so.1.
add_library(veldo_shared SHARED $<TARGET_OBJECTS:veldo_objects>)
target_include_directories(veldo_shared PUBLIC
  $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/kit/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_link_libraries(veldo_shared PRIVATE PkgConfig::RASTER PkgConfig::GTK3 m)
set_target_properties(veldo_shared PROPERTIES
  OUTPUT_NAME veldo
  EXPORT_NAME veldo
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cmake/veldo.map)
target_link_options(veldo_shared PRIVATE
  "LINKER:--version-script=${CMAKE_CURRENT_SOURCE_DIR}/cmake/veldo.map")
if(NOT VELDO_SANITIZE)
  # A shared library that names every library it needs. The sanitizers' runtimes are the
  # executable's business, so the sanitizer build leaves this check out.
  target_link_options(veldo_shared PRIVATE "LINKER:--no-undefined")
endif()

target_include_directories(veldo PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
set_target_properties(veldo PROPERTIES EXPORT_NAME veldo_static)

# ---- The kit: libraries, headers, CMake package, pkg-config file -------------------------------
set(VELDO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Veldo)
install(TARGETS veldo veldo_shared EXPORT VeldoTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY kit/include/veldo DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
install(EXPORT VeldoTargets NAMESPACE Veldo:: DESTINATION ${VELDO_CMAKE_DIR})
configure_package_config_file(cmake/VeldoConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VeldoConfig.cmake INSTALL_DESTINATION ${VELDO_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VeldoConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VeldoConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/VeldoConfigVersion.cmake DESTINATION ${VELDO_CMAKE_DIR})

# The pkg-config file finds the prefix from its own place, so it stays right when the install
# prefix is chosen only at install time (cmake --install --prefix, make install PREFIX=...).
set(VELDO_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH VELDO_PC_TO_PREFIX /prefix/${VELDO_PC_DIR} /prefix)
string(REGEX REPLACE "/$" "" VELDO_PC_TO_PREFIX "${VELDO_PC_TO_PREFIX}")
configure_file(cmake/veldo.pc.in ${CMAKE_CURRENT_BINARY_DIR}/veldo.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/veldo.pc DESTINATION ${VELDO_PC_DIR})

install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The examples, as sources a newcomer can copy: each directory builds on its own against the
# installed kit.
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
  FILES_MATCHING PATTERN "main.cpp" PATTERN "CMakeLists.txt")

# ---- The game as a desktop program ------------------------------------------------------------
foreach(program dovuvezuvir dovuvezuvir-replay)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES data/dovuvezuvir.6 data/dovuvezuvir-replay.6
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES data/dovuvezuvir.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/dovuvezuvir.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# ---- Tests of what is installed -----------------------------------------------------------------
if(VELDO_BUILD_TESTS)
  add_test(NAME install.manual_pages
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/install/manual_pages_test.sh
      ${CMAKE_CURRENT_SOURCE_DIR}/data)
  add_test(NAME install.desktop_entry
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/install/desktop_entry_test.sh
      ${CMAKE_CURRENT_SOURCE_DIR}/data)
  set_tests_properties(install.manual_pages install.desktop_entry PROPERTIES LABELS install)
  # The consumer test installs this build and builds programs against it, so it needs the
  # ordinary build: a library made with the sanitizers cannot be loaded by a program made without.
  if(NOT VELDO_SANITIZE)
    add_test(NAME install.consumer
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/install/consumer_test.sh
        ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_C_COMPILER} ${CMAKE_CXX_COMPILER})
    # `make install` and `make uninstall` on this build, into a prefix in use and a staging
    # directory. Both tests install this build, and an install rewrites its list of files.
    add_test(NAME install.uninstall
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/install/uninstall_test.sh
        ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set_tests_properties(install.consumer PROPERTIES LABELS install TIMEOUT 600
      RESOURCE_LOCK install_manifest)
    set_tests_properties(install.uninstall PROPERTIES LABELS install TIMEOUT 300
      RESOURCE_LOCK install_manifest)
  endif()
endif()
