# SPDX-License-Identifier: MIT
# Device build against uClibc-ng: 32-bit ARM, hard-float EABI, static only,
# with the arm-linux-gnueabihf cross compiler and the uClibc-ng that
# ci/uclibc_build.sh armhf builds in build/uclibc-ng/armhf/. uClibc-ng
# 1.0.35 has a 32-bit time_t here. Test programs run under qemu-user; being
# static, they need no loader or library from the machine.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(QEL_UCLIBC_ARCH armhf)
set(QEL_GCC_PREFIX arm-linux-gnueabihf-)
set(QEL_CXX_HEADERS_TRIPLET arm-linux-gnueabihf)
include(${CMAKE_CURRENT_LIST_DIR}/uclibc.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm)
