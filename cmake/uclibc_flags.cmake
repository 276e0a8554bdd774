# SPDX-License-Identifier: MIT
# How GCC builds a static program against a uClibc-ng that ci/uclibc_build.sh
# built (build/uclibc-ng/<arch>/); shared by the uClibc-ng toolchain files
# and by qel_static_c_program (static_reader.cmake).
#
# qel_uclibc_flags(ARCH GCC OUT) sets, in the caller's scope:
#   OUT_ROOT     the folder of that build (QEL_UCLIBC_DIR/ARCH, by default
#                build/uclibc-ng/ARCH of this source tree)
#   OUT_VERSION  uClibc-ng's version ("1.0.35")
#   OUT_COMPILE  compile flags: no system headers but uClibc-ng's, the
#                kernel's of ARCH and GCC's own (stddef.h, stdarg.h, ...)
#   OUT_START    what a program's link puts before its objects: the static
#                start files of uClibc-ng and of GCC
#   OUT_END      what it puts after them: libc.a with libgcc, and the end files
#   OUT_SHARED_START, OUT_SHARED_END  the same for a shared library, which
#                links no C library (there is no shared one): the start and
#                end files around its objects, and libgcc after them
# The build must exist; otherwise this stops with the command that makes it.
function(qel_uclibc_flags arch gcc out)
  if(QEL_UCLIBC_DIR)
    set(base ${QEL_UCLIBC_DIR})
  elseif(DEFINED ENV{QEL_UCLIBC_DIR})
    set(base $ENV{QEL_UCLIBC_DIR})
  else()
    get_filename_component(base ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../build/uclibc-ng ABSOLUTE)
  endif()
  set(root ${base}/${arch})
  set(sysroot ${root}/sysroot)
  if(NOT EXISTS ${sysroot}/lib/libc.a OR NOT EXISTS ${root}/version)
    message(FATAL_ERROR "no uClibc-ng for ${arch} in ${root}: run ci/uclibc_build.sh ${arch} first (ci/uclibc.sh does)")
  endif()
  file(STRINGS ${root}/version version LIMIT_COUNT 1)

  foreach(name include crtbeginT.o crtend.o crtbeginS.o crtendS.o libgcc.a libgcc_eh.a)
    execute_process(COMMAND ${gcc} -print-file-name=${name} OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "${gcc} has no ${name}")
    endif()
    string(MAKE_C_IDENTIFIER ${name} key)
    set(gcc_${key} ${path})
  endforeach()

  set(${out}_ROOT ${root} PARENT_SCOPE)
  set(${out}_VERSION ${version} PARENT_SCOPE)
  set(${out}_COMPILE -nostdinc -isystem ${sysroot}/include -isystem ${root}/kernel-headers -isystem ${gcc_include}
    PARENT_SCOPE)
  set(${out}_START -static -no-pie -nostdlib ${sysroot}/lib/crt1.o ${sysroot}/lib/crti.o ${gcc_crtbeginT_o}
    PARENT_SCOPE)
  # libgcc_eh: ARM's unwinding tables in libc.a name its personality routines.
  set(${out}_END -Wl,--start-group ${sysroot}/lib/libc.a ${gcc_libgcc_a} ${gcc_libgcc_eh_a} -Wl,--end-group
    ${gcc_crtend_o} ${sysroot}/lib/crtn.o PARENT_SCOPE)
  set(${out}_SHARED_START -nostdlib ${sysroot}/lib/crti.o ${gcc_crtbeginS_o} PARENT_SCOPE)
  set(${out}_SHARED_END ${gcc_libgcc_a} ${gcc_crtendS_o} ${sysroot}/lib/crtn.o PARENT_SCOPE)
endfunction()

# Run as a script, it prints the three lists for shell scripts, one a line
# ("compile ...", "start ...", "end ..."):
#   cmake -D QEL_UCLIBC_ARCH=armhf -D QEL_UCLIBC_GCC=arm-linux-gnueabihf-gcc -P cmake/uclibc_flags.cmake
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  qel_uclibc_flags(${QEL_UCLIBC_ARCH} ${QEL_UCLIBC_GCC} flags)
  foreach(part COMPILE START END)
    list(JOIN flags_${part} " " line)
    string(TOLOWER ${part} name)
    message("${name} ${line}")
  endforeach()
endif()
