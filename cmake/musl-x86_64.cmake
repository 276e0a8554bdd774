# SPDX-License-Identifier: MIT
# Host build against musl (amd64): Debian's musl-dev with the host's GCC.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QEL_MUSL_TRIPLET x86_64-linux-musl)
set(QEL_GCC_PREFIX "")
set(QEL_CXX_HEADERS_TRIPLET x86_64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/musl.cmake)
