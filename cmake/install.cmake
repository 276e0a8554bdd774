# SPDX-License-Identifier: MIT
# Installs the header, the versioned shared library, a CMake package
# (find_package(qeltime CONFIG) with the imported target qeltime::qeltime)
# and a pkg-config file.
include(CMakePackageConfigHelpers)

# A program linked through either file also runs from a prefix the dynamic
# loader does not search: both add the installed library directory as a run
# path. A distribution package that installs into the loader's own directories
# turns this off, and the static library needs none.
if(QEL_PACKAGE_DEB)
  set(QEL_CONSUMER_RPATH_DEFAULT OFF)
else()
  set(QEL_CONSUMER_RPATH_DEFAULT ON)
endif()
option(QEL_CONSUMER_RPATH "Installed CMake package and pkg-config file add the library's run path"
  ${QEL_CONSUMER_RPATH_DEFAULT})
set(QEL_LINKS_RPATH OFF)
set(QEL_PC_RPATH "")
if(QEL_CONSUMER_RPATH AND BUILD_SHARED_LIBS)
  set(QEL_LINKS_RPATH ON)
  set(QEL_PC_RPATH " -Wl,-rpath,\${libdir}")
endif()

# The header knows the library's time_t, so it differs between architectures:
# Debian packages put it in the multiarch include folder (the compiler's own
# search path there), beside the library's multiarch folder.
set(QEL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
if(QEL_PACKAGE_DEB AND CMAKE_INSTALL_LIBDIR MATCHES "^lib/(.+)$")
  set(QEL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/${CMAKE_MATCH_1})
endif()
# pkg-config's Cflags: the include folder and the definitions of the
# library's time_t.
set(QEL_PC_CFLAGS "-I\${includedir}")
foreach(definition IN LISTS QEL_TIME_DEFINITIONS)
  string(APPEND QEL_PC_CFLAGS " -D${definition}")
endforeach()

set(QEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qeltime)
# Components, one a Debian package: runtime (the shared library), dev (header,
# link name, static library, CMake package, pkg-config file, qeltime(3)),
# tool (qel-tz and qel-tz(1)).
install(TARGETS qeltime EXPORT qeltimeTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  INCLUDES DESTINATION ${QEL_INCLUDEDIR})
install(FILES ${QEL_TIME_HEADER_DIR}/qel_time.h DESTINATION ${QEL_INCLUDEDIR} COMPONENT dev)
install(EXPORT qeltimeTargets NAMESPACE qeltime:: DESTINATION ${QEL_CMAKE_DIR} COMPONENT dev)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/qeltimeConfig.cmake.in
  ${PROJECT_BINARY_DIR}/qeltimeConfig.cmake INSTALL_DESTINATION ${QEL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qeltimeConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qeltimeConfig.cmake ${PROJECT_BINARY_DIR}/qeltimeConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/qel_place_table.cmake
  DESTINATION ${QEL_CMAKE_DIR} COMPONENT dev)

# The pkg-config file finds the prefix from where it lies, so the installed
# tree can be moved (and installed with --prefix).
file(RELATIVE_PATH QEL_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
configure_file(${PROJECT_SOURCE_DIR}/cmake/qeltime.pc.in ${PROJECT_BINARY_DIR}/qeltime.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qeltime.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# Installs a manual page into section SECTION of COMPONENT, and, for Debian
# packages, compressed as Debian keeps them.
function(qel_manual_page page section component)
  get_filename_component(name ${page} NAME)
  if(QEL_PACKAGE_DEB)
    add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz
      COMMAND gzip -9 -n -c ${page} > ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz
      DEPENDS ${page})
    set(page ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  endif()
  add_custom_target(manual_${name} ALL DEPENDS ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
endfunction()
configure_file(${PROJECT_SOURCE_DIR}/docs/qeltime.3.in ${PROJECT_BINARY_DIR}/qeltime.3 @ONLY)
qel_manual_page(${PROJECT_BINARY_DIR}/qeltime.3 3 dev)
