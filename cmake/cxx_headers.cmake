# SPDX-License-Identifier: MIT
# Where the compiler's libstdc++ headers are, for a toolchain file that
# builds against another C library (musl.cmake, uclibc.cmake): they are put
# first on the include path, so that they reach that C library's headers
# with #include_next. Sets QEL_CXX_HEADERS and QEL_CXX_HEADERS_ARCH from
# CMAKE_CXX_COMPILER, QEL_GCC_PREFIX (a cross compiler's) and
# QEL_CXX_HEADERS_TRIPLET.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpversion OUTPUT_VARIABLE QEL_GCC_MAJOR OUTPUT_STRIP_TRAILING_WHITESPACE)
if(QEL_GCC_PREFIX)
  set(QEL_CXX_HEADERS /usr/${QEL_CXX_HEADERS_TRIPLET}/include/c++/${QEL_GCC_MAJOR})
  set(QEL_CXX_HEADERS_ARCH ${QEL_CXX_HEADERS}/${QEL_CXX_HEADERS_TRIPLET})
else()
  set(QEL_CXX_HEADERS /usr/include/c++/${QEL_GCC_MAJOR})
  set(QEL_CXX_HEADERS_ARCH /usr/include/${QEL_CXX_HEADERS_TRIPLET}/c++/${QEL_GCC_MAJOR})
endif()
