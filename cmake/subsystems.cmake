# One static library per subsystem of src/, with the subsystems it may use
# declared beside it. A subsystem's files share a folder; src/app holds two: the
# clock (time), which the scenes and the display run on, and core, which uses
# them. At configure time every #include "folder/..." in the library's own files
# is checked against that declaration, so a new dependency between subsystems is
# a decision written here, not an accident of an include.
#
#   ipslide_subsystem(NAME SOURCES file... HEADERS file... USES subsystem...
#                     [LIBRARIES target...])
#
# SOURCES and HEADERS are paths under src/; USES names other subsystems (their
# libraries are linked, their headers may be included); LIBRARIES are outside
# targets such as FreeType. A header is owned by the subsystem that lists it.

# display/canvas.h holds the types every subsystem shares (the Canvas and the
# scene numbers); platform/platform.h is the seam every subsystem calls through.
set(IPSLIDE_SHARED_HEADERS display/canvas.h platform/platform.h)

function(ipslide_subsystem name)
    cmake_parse_arguments(S "" "" "SOURCES;HEADERS;USES;LIBRARIES" ${ARGN})
    list(TRANSFORM S_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/src/ OUTPUT_VARIABLE sources)
    add_library(ipslide_${name} STATIC ${sources})
    target_include_directories(ipslide_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src
                                                      ${CMAKE_SOURCE_DIR}/src/assets)
    target_compile_options(ipslide_${name} PRIVATE ${IPSLIDE_APP_FLAGS})
    list(TRANSFORM S_USES PREPEND ipslide_ OUTPUT_VARIABLE used)
    target_link_libraries(ipslide_${name} PUBLIC ${used} ${S_LIBRARIES})
    foreach(header ${S_HEADERS})
        set_property(GLOBAL PROPERTY IPSLIDE_OWNER_${header} ${name})
    endforeach()
    set_property(GLOBAL APPEND PROPERTY IPSLIDE_SUBSYSTEMS ${name})
    set_property(GLOBAL PROPERTY IPSLIDE_FILES_${name} ${S_SOURCES} ${S_HEADERS})
    set_property(GLOBAL PROPERTY IPSLIDE_USES_${name} ${S_USES})
endfunction()

# After every subsystem is declared: each quoted include of a subsystem's files
# must name a header of its own, a shared one, or one of a subsystem it uses.
function(ipslide_check_layers)
    get_property(subsystems GLOBAL PROPERTY IPSLIDE_SUBSYSTEMS)
    set(errors "")
    foreach(name ${subsystems})
        get_property(files GLOBAL PROPERTY IPSLIDE_FILES_${name})
        get_property(uses GLOBAL PROPERTY IPSLIDE_USES_${name})
        foreach(file ${files})
            file(STRINGS ${CMAKE_SOURCE_DIR}/src/${file} includes REGEX "^#include \"")
            foreach(line ${includes})
                string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
                if(NOT header MATCHES "/")
                    set(header assets/${header}) # src/assets is on the include path
                endif()
                if(header IN_LIST IPSLIDE_SHARED_HEADERS)
                    continue()
                endif()
                get_property(owner GLOBAL PROPERTY IPSLIDE_OWNER_${header})
                if(NOT owner)
                    string(APPEND errors "  src/${file}: ${header} belongs to no subsystem\n")
                elseif(NOT owner STREQUAL name AND NOT owner IN_LIST uses)
                    string(APPEND errors
                           "  src/${file}: ${header} is ${owner}'s, which ${name} does not use\n")
                endif()
            endforeach()
        endforeach()
    endforeach()
    if(errors)
        message(FATAL_ERROR "Includes across subsystems that cmake/subsystems.cmake "
                            "does not declare:\n${errors}")
    endif()
endfunction()
