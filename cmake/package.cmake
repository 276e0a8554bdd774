# SPDX-License-Identifier: MIT
# Debian packages from the same build, with CPack's DEB generator:
#   cmake --preset deb && cmake --build --preset deb --target package
# makes libqeltime1 (the shared library, Multi-Arch: same), libqeltime-dev
# (header, link name, static library, CMake package, pkg-config file,
# qeltime(3)) and qel-tz (the tool and qel-tz(1)); the deb-armhf preset makes
# them for the device. Dependencies are computed from the binaries.
if(NOT QEL_PACKAGE_DEB)
  return()
endif()

# Each package's copyright and Debian changelog.
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
  COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/debian/changelog > ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog)
add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)

set(QEL_DEB_PACKAGES runtime libqeltime1 dev libqeltime-dev tool qel-tz)
while(QEL_DEB_PACKAGES)
  list(POP_FRONT QEL_DEB_PACKAGES component name)
  string(TOUPPER ${component} COMPONENT)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${name})
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${name} COMPONENT ${component})
endwhile()

# The architecture of the packages: the host's, or the one a cross build names.
set(QEL_DEB_ARCHITECTURE "" CACHE STRING "Debian architecture of a cross build's packages (armhf)")
if(QEL_DEB_ARCHITECTURE)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${QEL_DEB_ARCHITECTURE})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qeltime)
set(CPACK_PACKAGE_VENDOR "the qeltime developers")
set(CPACK_PACKAGE_CONTACT "qeltime developers <qeltime@example.org>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev tool)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(QEL_DEB_VERSION "${PROJECT_VERSION}-1")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# An ldconfig trigger instead of the ldconfig calls CPack writes by default.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers
  ${PROJECT_SOURCE_DIR}/cmake/debian/postinst ${PROJECT_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian/multiarch.cmake)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "time and timezone services for embedded Linux devices
qeltime reads and sets the clock and the kernel's timezone, compares time
stamps that wrap, converts between time stamps, struct tm and text, and
converts a device's timezone settings record to a POSIX TZ string, back, and
to zic source text. A small C library with no heap and no global state.")

set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libqeltime1 (= ${QEL_DEB_VERSION})")
set(CPACK_COMPONENT_DEV_DESCRIPTION "time and timezone services for embedded Linux devices (development files)
The header qel_time.h, the link name, the CMake
package qeltime::qeltime, the pkg-config file and the manual page qeltime(3).")

set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
# The tool reads the places of the tz database (zic and zdump come with the
# essential libc-bin).
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS "libqeltime1 (= ${QEL_DEB_VERSION}), tzdata")
# qemu-arm runs the newlib reader (qel-tz --libc newlib or all).
set(CPACK_DEBIAN_TOOL_PACKAGE_SUGGESTS "qemu-user")
set(CPACK_COMPONENT_TOOL_DESCRIPTION "prepare and check device timezone settings
qel-tz derives the settings record a device needs for a place of the tz
database and verifies its TZ string and zic text against the place at every
instant of the coming years; it also writes and reads records, TZ strings and
zic text.")

include(CPack)
