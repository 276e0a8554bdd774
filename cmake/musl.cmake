# SPDX-License-Identifier: MIT
# Shared part of the musl toolchain files: Debian's GCC with the musl C
# library through its specs file. Expects QEL_MUSL_TRIPLET (musl's multiarch
# name), QEL_GCC_PREFIX (the compiler's prefix, empty for the host's) and
# QEL_CXX_HEADERS_TRIPLET (the triplet of the compiler's own C++ headers).
#
# Debian has no C++ standard library for musl: the C++ sources compile against
# the compiler's glibc-configured libstdc++ headers, which is sound for what
# the library uses of them (type traits, fixed-width integers) and needs
# __GLIBC_PREREQ defined. Nothing links libstdc++: the library links as C, and
# the test programs for musl are C.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${QEL_GCC_PREFIX}gcc)
set(CMAKE_CXX_COMPILER ${QEL_GCC_PREFIX}g++)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(QEL_MUSL_SPECS /usr/lib/${QEL_MUSL_TRIPLET}/musl-gcc.specs)
include(${CMAKE_CURRENT_LIST_DIR}/cxx_headers.cmake)

set(CMAKE_C_FLAGS_INIT "-specs ${QEL_MUSL_SPECS}")
set(CMAKE_CXX_FLAGS_INIT
    "-specs ${QEL_MUSL_SPECS} -isystem ${QEL_CXX_HEADERS} -isystem ${QEL_CXX_HEADERS_ARCH} \"-D__GLIBC_PREREQ(a,b)=0\"")
# CMake passes the compile flags on to every link line, the specs with them.

set(CMAKE_FIND_ROOT_PATH /usr/lib/${QEL_MUSL_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
