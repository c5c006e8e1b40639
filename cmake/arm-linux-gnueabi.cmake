# Cross build for the board: ARM, EABI, soft-float Linux.
#
# By default this uses Debian's arm-linux-gnueabi cross compilers (packages
# g++-arm-linux-gnueabi, binutils-arm-linux-gnueabi) and takes FreeType from the
# folder that tools/make-arm-sysroot fills with Debian's armel packages.
#
# A board's own toolchain (one whose C library is built for ARMv4T, e.g. the one
# Buildroot makes) is used by pointing this file at it:
#   -DIPSLIDE_TOOLCHAIN_PREFIX=/path/to/host/bin/arm-buildroot-linux-gnueabi-
#   -DCMAKE_SYSROOT=/path/to/host/arm-buildroot-linux-gnueabi/sysroot
#   -DIPSLIDE_ARM_SYSROOT=        (FreeType is then found in CMAKE_SYSROOT)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(IPSLIDE_TOOLCHAIN_PREFIX "arm-linux-gnueabi-" CACHE STRING
    "Prefix of the cross tools, optionally with a folder: <prefix>gcc, <prefix>g++")
set(IPSLIDE_ARM_SYSROOT "" CACHE PATH
    "Folder holding the target's FreeType and its libraries (usr/include, usr/lib/...)")
# try_compile projects read this file again; hand them the same choices.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES IPSLIDE_TOOLCHAIN_PREFIX IPSLIDE_ARM_SYSROOT)

set(CMAKE_C_COMPILER ${IPSLIDE_TOOLCHAIN_PREFIX}gcc)
set(CMAKE_CXX_COMPILER ${IPSLIDE_TOOLCHAIN_PREFIX}g++)

# Tools run on the build machine; libraries, headers and packages come from the
# target's folders only, so nothing of the host's x86-64 FreeType can slip in.
if(IPSLIDE_ARM_SYSROOT)
    list(APPEND CMAKE_FIND_ROOT_PATH ${IPSLIDE_ARM_SYSROOT})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under user-mode emulation of an ARM926 (ARMv5TE), the
# smallest CPU that Debian's armel C library runs on; code built against a v4T
# C library runs there too. tools/run-arm is `qemu-arm -cpu arm926` that keeps
# qemu's own words out of the program's standard error.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/run-arm)
