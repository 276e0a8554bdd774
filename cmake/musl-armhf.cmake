# SPDX-License-Identifier: MIT
# Device build against musl: 32-bit ARM, hard-float EABI, Debian's musl-dev
# for armhf with the arm-linux-gnueabihf cross compiler. musl 1.2 has a 64-bit
# time_t here. Test programs run under qemu-user, which finds musl's dynamic
# loader at /lib/ld-musl-armhf.so.1.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(QEL_MUSL_TRIPLET arm-linux-musleabihf)
set(QEL_GCC_PREFIX arm-linux-gnueabihf-)
set(QEL_CXX_HEADERS_TRIPLET arm-linux-gnueabihf)
include(${CMAKE_CURRENT_LIST_DIR}/musl.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm)
