# SPDX-License-Identifier: MIT
# Shared part of the uClibc-ng toolchain files: Debian's GCC with a uClibc-ng
# that ci/uclibc_build.sh built from Debian's uclibc-source, static only.
# Expects QEL_UCLIBC_ARCH (amd64, armhf), QEL_GCC_PREFIX (the compiler's
# prefix, empty for the host's) and QEL_CXX_HEADERS_TRIPLET (the triplet of
# the compiler's own C++ headers).
#
# uClibc-ng is built without its shared library, so every program links it
# statically, and the library is built static (libqeltime.a) to go into the
# test programs: the presets turn BUILD_SHARED_LIBS off. A shared library
# (the footprint report's) is linked with no C library at all; its imports
# are checked against libc.a instead.
#
# The C++ sources compile against the compiler's glibc-configured libstdc++
# headers, as for musl; uClibc-ng names itself glibc 2.2 (__GLIBC__,
# __GLIBC_PREREQ), and uclibc_cxx_compat.h declares the one function those
# headers name that it lacks. Nothing links libstdc++:
# the library links as C, and the test programs are C.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${QEL_GCC_PREFIX}gcc)
set(CMAKE_CXX_COMPILER ${QEL_GCC_PREFIX}g++)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# The build of uClibc-ng may live elsewhere (QEL_UCLIBC_DIR, also in the
# environment); try_compile projects get the same.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QEL_UCLIBC_DIR)

include(${CMAKE_CURRENT_LIST_DIR}/uclibc_flags.cmake)
qel_uclibc_flags(${QEL_UCLIBC_ARCH} ${CMAKE_C_COMPILER} QEL_UCLIBC)
# Tells the project that every program links the C library statically.
set(QEL_STATIC_C_LIBRARY uclibc-ng)

include(${CMAKE_CURRENT_LIST_DIR}/cxx_headers.cmake)

list(JOIN QEL_UCLIBC_COMPILE " " compile)
set(CMAKE_C_FLAGS_INIT "${compile}")
# libstdc++'s headers first: they reach the C library's with #include_next.
# uclibc_cxx_compat.h declares what those headers expect of a glibc.
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${QEL_CXX_HEADERS} -isystem ${QEL_CXX_HEADERS_ARCH} ${compile} -include ${CMAKE_CURRENT_LIST_DIR}/uclibc_cxx_compat.h")

# Programs: uClibc-ng's and GCC's start files, the objects, libc.a and libgcc,
# the end files. Shared libraries: the start and end files of a shared
# object, no C library, libgcc's helpers (64-bit division on 32-bit ARM)
# taken in statically.
list(JOIN QEL_UCLIBC_START " " start)
list(JOIN QEL_UCLIBC_END " " end)
list(JOIN QEL_UCLIBC_SHARED_START " " shared_start)
list(JOIN QEL_UCLIBC_SHARED_END " " shared_end)
foreach(lang C CXX)
  set(CMAKE_${lang}_LINK_EXECUTABLE
    "<CMAKE_${lang}_COMPILER> <FLAGS> <CMAKE_${lang}_LINK_FLAGS> <LINK_FLAGS> ${start} <OBJECTS> -o <TARGET> <LINK_LIBRARIES> ${end}")
  set(CMAKE_${lang}_CREATE_SHARED_LIBRARY
    "<CMAKE_${lang}_COMPILER> <CMAKE_SHARED_LIBRARY_${lang}_FLAGS> <LANGUAGE_COMPILE_FLAGS> <LINK_FLAGS> <CMAKE_SHARED_LIBRARY_CREATE_${lang}_FLAGS> <SONAME_FLAG><TARGET_SONAME> -o <TARGET> ${shared_start} <OBJECTS> <LINK_LIBRARIES> ${shared_end}")
endforeach()

set(CMAKE_FIND_ROOT_PATH ${QEL_UCLIBC_ROOT}/sysroot)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
