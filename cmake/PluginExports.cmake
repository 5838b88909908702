# A plug-in library that a host loads shows the host its entries and nothing else: our class names
# are common among plug-ins, and inside a host process only the entries may be visible. On Linux the
# version script exports.map beside the calling CMakeLists.txt names them (on Windows a module
# definition file among the target's sources does); the static libraries' symbols stay hidden too,
# and a symbol left undefined fails the link rather than the host's load.
function(tmx1_export_only target)
    if(WIN32)
        return()
    endif()
    set(map ${CMAKE_CURRENT_SOURCE_DIR}/exports.map)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
    target_link_options(${target} PRIVATE -Wl,--version-script=${map} -Wl,--exclude-libs,ALL)
    # The sanitizers' runtime is the executable's, so their symbols are undefined in the library.
    if(NOT TMX1_SANITIZE)
        target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
endfunction()
