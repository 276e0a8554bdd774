# SPDX-License-Identifier: MIT
# The width of time_t the library is built with, and what carries it to the
# programs that link the library: struct timeval and struct timespec hold a
# time_t, so a program must be built with the library's width.
#   QEL_TIME_BITS          32 or 64, measured with the build's compile flags
#                          (and held to QEL_EXPECT_TIME_BITS where a preset
#                          promises a width)
#   QEL_TIME_DEFINITIONS   the definitions that give a 32-bit glibc target its
#                          64-bit time_t (_TIME_BITS=64 _FILE_OFFSET_BITS=64),
#                          or none; the library's target passes them on
#   QEL_TIME_HEADER_DIR    where the header the library is built and
#                          installed with lies: include/qel_time.h with
#                          QEL_TIME_BITS set, so that a program of the other
#                          width stops at its #error
#   QEL_VERSION_SCRIPT     the version script: every export carries the
#                          version QELTIME_1_time_t32 or QELTIME_1_time_t64,
#                          so a program linked for one width does not load
#                          with the other's library
include(CheckTypeSize)
include(CheckCSourceCompiles)

# Measured again whenever the compile flags change.
set(qel_flags "${CMAKE_C_FLAGS}|${CMAKE_CXX_FLAGS}")
if(NOT qel_flags STREQUAL "${QEL_TIME_BITS_FLAGS}")
  unset(QEL_SIZEOF_TIME_T CACHE)
  unset(HAVE_QEL_SIZEOF_TIME_T CACHE)
  unset(QEL_TIME_WIDENED_BY_FLAGS CACHE)
  set(QEL_TIME_BITS_FLAGS "${qel_flags}" CACHE INTERNAL "compile flags time_t was measured with")
endif()
check_type_size(time_t QEL_SIZEOF_TIME_T LANGUAGE C)
if(NOT QEL_SIZEOF_TIME_T)
  message(FATAL_ERROR "the size of time_t could not be measured")
endif()
math(EXPR QEL_TIME_BITS "8 * ${QEL_SIZEOF_TIME_T}")
if(QEL_EXPECT_TIME_BITS AND NOT QEL_EXPECT_TIME_BITS EQUAL QEL_TIME_BITS)
  message(FATAL_ERROR "time_t is ${QEL_TIME_BITS} bits with these flags, not the ${QEL_EXPECT_TIME_BITS} promised")
endif()

# glibc (the C library with __TIMESIZE) defines __USE_TIME_BITS64 where
# _TIME_BITS=64 widens its 32-bit time_t, and refuses that without
# _FILE_OFFSET_BITS=64. musl defines __USE_TIME_BITS64 too, for a time_t that
# is 64 bits whatever the flags.
check_c_source_compiles("#include <time.h>
#if !defined(__TIMESIZE) || __TIMESIZE != 32 || !defined(__USE_TIME_BITS64)
#error time_t is not widened by _TIME_BITS
#endif
int main(void) { return 0; }" QEL_TIME_WIDENED_BY_FLAGS)
set(QEL_TIME_DEFINITIONS "")
if(QEL_TIME_WIDENED_BY_FLAGS)
  set(QEL_TIME_DEFINITIONS _TIME_BITS=64 _FILE_OFFSET_BITS=64)
endif()

set(QEL_TIME_HEADER_DIR ${PROJECT_BINARY_DIR}/include)
set(qel_source ${PROJECT_SOURCE_DIR}/include/qel_time.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${qel_source})
file(READ ${qel_source} qel_header)
set(qel_unset "#define QEL_TIME_BITS 0 /* the source tree's copy: no check */\n")
string(FIND "${qel_header}" "${qel_unset}" qel_at)
if(qel_at EQUAL -1)
  message(FATAL_ERROR "${qel_source} has no line \"${qel_unset}\" to set")
endif()
string(REPLACE "${qel_unset}" "#define QEL_TIME_BITS ${QEL_TIME_BITS}\n" qel_header "${qel_header}")
file(CONFIGURE OUTPUT ${QEL_TIME_HEADER_DIR}/qel_time.h CONTENT "${qel_header}" @ONLY)
unset(qel_flags)
unset(qel_source)
unset(qel_header)
unset(qel_unset)
unset(qel_at)

set(QEL_VERSION_SCRIPT ${PROJECT_BINARY_DIR}/qeltime.map)
configure_file(${PROJECT_SOURCE_DIR}/cmake/qeltime.map.in ${QEL_VERSION_SCRIPT} @ONLY)
