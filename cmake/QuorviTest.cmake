# Test programs: GoogleTest cross-compiled with the product, one CTest entry
# per program, each run once under Wine in the build tree's prefix.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# quorvi_add_test(<name> SOURCES <files...> LIBS <targets...> [TIMEOUT <seconds>])
function(quorvi_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "WINEPREFIX=${QUORVI_WINEPREFIX};WINEDEBUG=-all;WINEARCH=win32;QUORVI_VIRTUAL_BOARDS=1")
endfunction()
