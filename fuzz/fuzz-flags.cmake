# Flags of the fuzz build, for every object: coverage for libFuzzer, and the
# address and undefined-behaviour sanitizers (float-cast-overflow and shift are in
# clang's "undefined"; named here so the list says what it checks). Findings stop
# the run at once.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The fuzz build needs clang (cmake --preset fuzz)")
endif()
set(IPSLIDE_FUZZ_SAN_FLAGS
    -fsanitize=address,undefined,float-cast-overflow,shift
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-fsanitize=fuzzer-no-link ${IPSLIDE_FUZZ_SAN_FLAGS})
add_link_options(${IPSLIDE_FUZZ_SAN_FLAGS})
