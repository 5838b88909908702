# Declares each test program once, for the native build and the Windows build alike.
#
#   tmx1_test_program(NAME
#       SOURCES files...              sources, relative to the folder that declares the program
#       LIBRARIES targets...          linked in every build
#       NATIVE_LIBRARIES targets...   linked only in the native build
#       WINDOWS_LIBRARIES targets...  linked only in the Windows build
#       DEFINITIONS defs...           compile definitions
#       LOADS_PLUGIN                  drives the built plug-in: TMX1_PLUGIN_PATH names it
#       NOT_ON_WINDOWS "why"          the program cannot run in the Windows build, and why
#       ONLY_ON_WINDOWS "why")        the program tests what only the Windows build has, and why
#
# Natively every GoogleTest case becomes a CTest test of its own. In the Windows build the program is
# one CTest test, run under Wine from the build folder beside the DLL: starting a Windows process costs
# far more than the cases of a program.
function(tmx1_test_program name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "LOADS_PLUGIN" "NOT_ON_WINDOWS;ONLY_ON_WINDOWS"
                          "SOURCES;LIBRARIES;NATIVE_LIBRARIES;WINDOWS_LIBRARIES;DEFINITIONS")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "tmx1_test_program(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
    endif()
    if(DEFINED arg_NOT_ON_WINDOWS AND arg_NOT_ON_WINDOWS STREQUAL "")
        message(FATAL_ERROR "tmx1_test_program(${name}): NOT_ON_WINDOWS needs the reason")
    endif()
    if(WIN32 AND DEFINED arg_NOT_ON_WINDOWS)
        return()
    endif()
    if(NOT WIN32 AND DEFINED arg_ONLY_ON_WINDOWS)
        return()
    endif()

    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE ${arg_DEFINITIONS})
    if(WIN32)
        target_link_libraries(${name} PRIVATE ${arg_WINDOWS_LIBRARIES})
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
        set(plugin "$<TARGET_FILE_NAME:TMX-1>")
    else()
        target_link_libraries(${name} PRIVATE ${arg_NATIVE_LIBRARIES})
        set(plugin "$<TARGET_FILE:TMX-1>")
    endif()
    if(arg_LOADS_PLUGIN)
        target_compile_definitions(${name} PRIVATE TMX1_PLUGIN_PATH="${plugin}")
        add_dependencies(${name} TMX-1)
    endif()

    if(WIN32)
        add_test(NAME windows.${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    else()
        # Settings the user running the tests keeps (the editor's zoom) must not count: each test that
        # needs some writes its own.
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                             PROPERTIES ENVIRONMENT "XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config-home")
    endif()
endfunction()
