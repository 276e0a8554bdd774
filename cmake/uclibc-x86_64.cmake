# SPDX-License-Identifier: MIT
# Host build against uClibc-ng (amd64), static only: the host's GCC with the
# uClibc-ng that ci/uclibc_build.sh amd64 builds in build/uclibc-ng/amd64/.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QEL_UCLIBC_ARCH amd64)
set(QEL_GCC_PREFIX "")
set(QEL_CXX_HEADERS_TRIPLET x86_64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/uclibc.cmake)
