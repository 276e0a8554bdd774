# SPDX-License-Identifier: MIT
# Run by CPack after it made the packages: marks the library and development
# packages "Multi-Arch: same" (so that the amd64 and armhf ones install side
# by side), a field CPack's DEB generator does not write. Each package is
# unpacked with dpkg-deb, its control file extended and the package rebuilt.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${deb} NAME)
  if(NOT name MATCHES "^libqeltime")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb -R ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  file(READ ${tree}/DEBIAN/control control)
  if(NOT control MATCHES "Multi-Arch:")
    string(REPLACE "\nPriority:" "\nMulti-Arch: same\nPriority:" control "${control}")
    file(WRITE ${tree}/DEBIAN/control "${control}")
  endif()
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b ${tree} ${deb} OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
