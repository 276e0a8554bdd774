# SPDX-License-Identifier: MIT
# qel_static_c_program(NAME LIBC SOURCES... [DEFINITIONS defs...] [INCLUDES dirs...] [FLAGS flags...]
#                      [OUTPUT path])
#
# Builds a plain C99 program statically against a C library other than the
# build's own, with a compiler of its own (so it works in any build, a glibc
# one included); a target NAME builds it, in the default build.
#   LIBC uclibc-ng  the host's uClibc-ng (amd64) that ci/uclibc_build.sh amd64
#                   builds in build/uclibc-ng/amd64/ (QEL_UCLIBC_DIR to move
#                   it), with the host's GCC; runs on the host as it is.
#   LIBC newlib     newlib for ARM microcontrollers (Debian's
#                   libnewlib-arm-none-eabi with gcc-arm-none-eabi), with
#                   semihosting (rdimon.specs): qemu-arm runs it, and
#                   semihosting gives it the host's stdin, stdout and stderr.
# The program's file is OUTPUT (default: static-programs/NAME in the current
# binary folder).
# The target's properties tell how to use it:
#   QEL_PROGRAM       the program's file
#   QEL_EMULATOR      what runs it ("" on the host, qemu-arm for newlib)
#   QEL_LIBC_VERSION  the C library's version, read from its headers; the
#                     program can tell it itself: uClibc-ng's <features.h>
#                     defines __UCLIBC_MAJOR__, __UCLIBC_MINOR__ and
#                     __UCLIBC_SUBLEVEL__, newlib's <newlib.h> (included by
#                     every header) the string _NEWLIB_VERSION.
# A missing compiler or C library stops the configure step with what to
# install or run.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/uclibc_flags.cmake)

function(qel_static_c_program name libc)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "OUTPUT" "DEFINITIONS;INCLUDES;FLAGS")
  set(sources ${arg_UNPARSED_ARGUMENTS})
  if(NOT sources)
    message(FATAL_ERROR "qel_static_c_program(${name}): no sources")
  endif()
  set(output ${arg_OUTPUT})
  if(NOT output)
    # Not beside the target's own name, which make would take for the file.
    set(output ${CMAKE_CURRENT_BINARY_DIR}/static-programs/${name})
  endif()
  set(absolute "")
  foreach(source IN LISTS sources)
    get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND absolute ${source})
  endforeach()
  set(common -std=c99 -O2 -Wall -Wextra -Wpedantic)
  foreach(definition IN LISTS arg_DEFINITIONS)
    list(APPEND common -D${definition})
  endforeach()
  foreach(dir IN LISTS arg_INCLUDES)
    list(APPEND common -I${dir})
  endforeach()
  list(APPEND common ${arg_FLAGS})

  if(libc STREQUAL "uclibc-ng")
    find_program(QEL_HOST_GCC NAMES gcc cc REQUIRED)
    qel_uclibc_flags(amd64 ${QEL_HOST_GCC} uclibc)
    set(command ${QEL_HOST_GCC} ${common} ${uclibc_COMPILE} -o ${output} ${uclibc_START} ${absolute} ${uclibc_END})
    set(emulator "")
    set(version ${uclibc_VERSION})
  elseif(libc STREQUAL "newlib")
    find_program(QEL_NEWLIB_GCC arm-none-eabi-gcc)
    find_program(QEL_NEWLIB_EMULATOR qemu-arm)
    if(NOT QEL_NEWLIB_GCC OR NOT QEL_NEWLIB_EMULATOR)
      message(FATAL_ERROR "qel_static_c_program(${name} newlib): needs arm-none-eabi-gcc and qemu-arm "
        "(Debian: gcc-arm-none-eabi libnewlib-arm-none-eabi qemu-user)")
    endif()
    execute_process(COMMAND ${QEL_NEWLIB_GCC} -print-file-name=rdimon.specs OUTPUT_VARIABLE specs
      OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${specs}")
      message(FATAL_ERROR "qel_static_c_program(${name} newlib): no rdimon.specs (Debian: libnewlib-arm-none-eabi)")
    endif()
    # The version from the headers the compiler finds.
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}-newlib-version.c "#include <newlib.h>\nNEWLIB _NEWLIB_VERSION\n")
    execute_process(COMMAND ${QEL_NEWLIB_GCC} -E -P ${CMAKE_CURRENT_BINARY_DIR}/${name}-newlib-version.c
      OUTPUT_VARIABLE said RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT said MATCHES "NEWLIB \"([^\"]+)\"")
      message(FATAL_ERROR "qel_static_c_program(${name} newlib): no newlib.h (Debian: libnewlib-arm-none-eabi)")
    endif()
    set(version ${CMAKE_MATCH_1})
    set(command ${QEL_NEWLIB_GCC} --specs=rdimon.specs ${common} -o ${output} ${absolute})
    set(emulator ${QEL_NEWLIB_EMULATOR})
  else()
    message(FATAL_ERROR "qel_static_c_program(${name}): LIBC is uclibc-ng or newlib, not '${libc}'")
  endif()

  get_filename_component(dir ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${command}
    DEPENDS ${absolute}
    IMPLICIT_DEPENDS C ${absolute}
    COMMENT "Building ${name} statically against ${libc} ${version}" VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${output})
  set_target_properties(${name} PROPERTIES QEL_PROGRAM ${output} QEL_EMULATOR "${emulator}" QEL_LIBC_VERSION ${version})
endfunction()
