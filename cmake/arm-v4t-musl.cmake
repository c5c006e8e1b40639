# Cross build of the board binary against the ARMv4T runtime that
# tools/make-v4t-runtime builds (musl, FreeType, the ARMv4T libgcc), with
# Debian's arm-linux-gnueabi compilers used as bare compilers: none of their
# glibc, libgcc or libstdc++ (all ARMv5TE) is compiled in or linked.
#
# C++ is the language without its library: libstdc++'s header-only parts
# (<algorithm>, <cstdint>, ...) over musl's C headers, no exceptions, no RTTI, and
# no libstdc++ or libsupc++ in the link, so code that needs one (operator new,
# std::string, a thrown exception) fails to link with an undefined reference.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(IPSLIDE_TOOLCHAIN_PREFIX "arm-linux-gnueabi-" CACHE STRING "Prefix of the cross tools")
set(IPSLIDE_V4T_RUNTIME "${CMAKE_CURRENT_LIST_DIR}/../build/v4t-runtime/sysroot" CACHE PATH
    "The runtime of tools/make-v4t-runtime")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES IPSLIDE_TOOLCHAIN_PREFIX IPSLIDE_V4T_RUNTIME)

set(CMAKE_C_COMPILER ${IPSLIDE_TOOLCHAIN_PREFIX}gcc)
set(CMAKE_CXX_COMPILER ${IPSLIDE_TOOLCHAIN_PREFIX}g++)
set(rt ${IPSLIDE_V4T_RUNTIME})

# GCC's own headers (stddef.h, stdarg.h, ...) and libstdc++'s folders, as the
# compiler itself searches them.
execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=include
                OUTPUT_VARIABLE ipslide_gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -xc++ -E -v /dev/null
                OUTPUT_QUIET ERROR_VARIABLE ipslide_search)
string(REGEX MATCHALL "\n [^\n]*/c\\+\\+/[^\n]*" ipslide_cxx_dirs "${ipslide_search}")
set(ipslide_cxx_includes "")
foreach(d ${ipslide_cxx_dirs})
    string(STRIP "${d}" d)
    string(APPEND ipslide_cxx_includes " -isystem ${d}")
endforeach()
if(ipslide_cxx_includes STREQUAL "")
    message(FATAL_ERROR "no libstdc++ header folders found for ${CMAKE_CXX_COMPILER}")
endif()

set(ipslide_c_includes "-nostdinc -isystem ${rt}/usr/include -isystem ${ipslide_gcc_include}")
set(CMAKE_C_FLAGS_INIT "${ipslide_c_includes}")
# The shadow folder comes first: its bits/os_defines.h replaces the glibc one.
set(CMAKE_CXX_FLAGS_INIT "-nostdinc -isystem ${rt}/usr/include/c++-shadow${ipslide_cxx_includes} \
-isystem ${rt}/usr/include -isystem ${ipslide_gcc_include} -fno-exceptions -fno-rtti")

# musl's start files around the program, musl and the ARMv4T libgcc after it;
# -nostdlib keeps the cross compiler's glibc, libgcc and libstdc++ out. That
# libgcc comes from a bare-metal toolchain whose enums are the smallest type that
# holds them: nothing of ours passes an enum to it, so the linker's note on the
# mix is silenced; one of its members lacks .note.GNU-stack, so the stack's
# non-executable flag is set by hand.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-nostdlib -static -L${rt}/usr/lib ${rt}/usr/lib/crt1.o \
${rt}/usr/lib/crti.o -Wl,--no-enum-size-warning -Wl,-z,noexecstack")
set(ipslide_runtime_libs "-Wl,--start-group -lc -lgcc -Wl,--end-group ${rt}/usr/lib/crtn.o")
set(CMAKE_C_STANDARD_LIBRARIES_INIT "${ipslide_runtime_libs}")
set(CMAKE_CXX_STANDARD_LIBRARIES_INIT "${ipslide_runtime_libs}")

set(CMAKE_FIND_ROOT_PATH ${rt})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs of this build run under QEMU's ARMv4T CPU, the board's.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env IPSLIDE_QEMU_CPU=ti925t
                                  ${CMAKE_CURRENT_LIST_DIR}/../tools/run-arm)
