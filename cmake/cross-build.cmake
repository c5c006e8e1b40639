# What a build for the board adds to the project: code for the SoC's CPU, a
# static link, and FreeType with every library below it in link order.
# Included by the top CMakeLists.txt when cross compiling, before any target.

# The S3C24xx's ARM920T is ARMv4T without an FPU: no Thumb-2, no VFP. -marm keeps
# the whole program in the ARM instruction set (interworking Thumb-1 gains little
# and makes the objdump check of the binary harder to read).
set(IPSLIDE_TARGET_FLAGS "-mcpu=arm920t;-marm;-mfloat-abi=soft" CACHE STRING
    "CPU flags for every object of the build (empty: the toolchain's defaults)")
add_compile_options(${IPSLIDE_TARGET_FLAGS})
add_link_options(${IPSLIDE_TARGET_FLAGS})

# 64-bit file offsets on the 32-bit target. Besides large files, readdir then
# takes the directory cookies whole: ext4 hands 64-bit hash cookies to a 64-bit
# kernel's callers, which a 32-bit program under qemu-arm is, and the 32-bit
# readdir gives up on those with EOVERFLOW, so a folder would look empty.
add_compile_definitions(_FILE_OFFSET_BITS=64)

# A static binary needs nothing on the board but itself; the test programs are
# static too, so the emulator needs no ARM dynamic loader.
option(IPSLIDE_STATIC "Link programs statically" ON)
if(NOT IPSLIDE_STATIC)
    return()
endif()
add_link_options(-static)
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

# FindFreetype knows only FreeType itself; a static link must also name what
# FreeType calls, after it. Libraries FreeType was not built with are harmless
# in the list: the linker takes nothing from an archive that nothing needs.
# Order matters: libpng calls zlib, brotlidec calls brotlicommon.
find_package(Freetype REQUIRED)
find_library(IPSLIDE_PNG_LIBRARY NAMES png16 png)
find_library(IPSLIDE_Z_LIBRARY NAMES z)
find_library(IPSLIDE_BROTLIDEC_LIBRARY NAMES brotlidec)
find_library(IPSLIDE_BROTLICOMMON_LIBRARY NAMES brotlicommon)
find_library(IPSLIDE_BZ2_LIBRARY NAMES bz2)
set(ipslide_freetype_deps)
foreach(lib PNG Z BROTLIDEC BROTLICOMMON BZ2)
    if(IPSLIDE_${lib}_LIBRARY)
        list(APPEND ipslide_freetype_deps ${IPSLIDE_${lib}_LIBRARY})
    endif()
endforeach()
set_property(TARGET Freetype::Freetype APPEND PROPERTY
             INTERFACE_LINK_LIBRARIES ${ipslide_freetype_deps} m)
