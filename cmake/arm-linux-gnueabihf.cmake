# SPDX-License-Identifier: MIT
# Cross build for the device: 32-bit ARM, hard-float EABI, Debian's
# arm-linux-gnueabihf toolchain. Test binaries run under qemu-user, with the
# target's C library from the cross toolchain's sysroot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

set(QEL_ARM_SYSROOT /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH ${QEL_ARM_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages are also found outside the cross root: an armhf install named by
# CMAKE_PREFIX_PATH (find_package(qeltime) in a consumer's cross build). The
# host's own packages lie in its multiarch folders, which a search for armhf
# does not enter.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The toolchain's own C library comes first: where Debian's libc6:armhf is
# installed too (the armhf packages need it), its loader cache would otherwise
# pair the toolchain's loader with a C library of another build.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L ${QEL_ARM_SYSROOT} -E LD_LIBRARY_PATH=${QEL_ARM_SYSROOT}/lib)
