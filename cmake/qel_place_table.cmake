# SPDX-License-Identifier: MIT
# qel_place_table(<target> [TZDIR dir] [PLACES file] [YEARS A-B] [LIBC lib...] [LINKS])
# Writes the place table (qel_places.h, qel_places.c) with `qel-tz table` at
# build time and adds it to <target>, its folder to the target's include
# path. The table is written again when the database (its tzdata.zi) or the
# place list changes. TZDIR defaults to /usr/share/zoneinfo, YEARS to the
# window qel-tz takes by default (from the start of this year: give YEARS
# for the same bytes on every build), LIBC to qel-tz's default (glibc, musl,
# uClibc-ng).
# The qel-tz run is QEL_TZ_EXECUTABLE where set (the package sets it to the
# installed one; a cross build names a host build's), else the build's own.
function(qel_place_table target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "LINKS" "TZDIR;PLACES;YEARS" "LIBC")
  if(NOT arg_TZDIR)
    set(arg_TZDIR /usr/share/zoneinfo)
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_places)
  set(args table --tzdir ${arg_TZDIR} --out ${out})
  set(depends ${arg_TZDIR}/tzdata.zi)
  if(arg_PLACES)
    get_filename_component(arg_PLACES ${arg_PLACES} ABSOLUTE)
    list(APPEND args --places ${arg_PLACES})
    list(APPEND depends ${arg_PLACES})
  endif()
  if(arg_YEARS)
    list(APPEND args --years ${arg_YEARS})
  endif()
  if(arg_LIBC)
    list(JOIN arg_LIBC "," libc)
    list(APPEND args --libc ${libc})
  endif()
  if(arg_LINKS)
    list(APPEND args --links)
  endif()
  if(QEL_TZ_EXECUTABLE)
    set(tool ${QEL_TZ_EXECUTABLE})
  elseif(TARGET qel-tz)
    set(tool $<TARGET_FILE:qel-tz>)
    list(APPEND depends qel-tz)
  else()
    message(FATAL_ERROR "qel_place_table: no qel-tz (set QEL_TZ_EXECUTABLE)")
  endif()
  add_custom_command(OUTPUT ${out}/qel_places.h ${out}/qel_places.c
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${tool} ${args}
    DEPENDS ${depends}
    COMMENT "Writing the place table of ${target} with qel-tz table" VERBATIM)
  target_sources(${target} PRIVATE ${out}/qel_places.c ${out}/qel_places.h)
  target_include_directories(${target} PRIVATE ${out})
endfunction()
