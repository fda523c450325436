# Test registration shared by both builds.
#
# Windows test executables run under Wine (CMAKE_CROSSCOMPILING_EMULATOR) in a throwaway prefix
# that the fixture "wine" creates from a template and whose wineserver it stops afterwards. They
# share the prefix's registry and the named stop event, so they never run at the same time.
#
# A host build also writes ctest-include.cmake, which the Windows build hands to CTest
# (TW_EXTRA_CTEST_FILES), so one ctest run covers every test of both builds.

set(TW_EXTRA_CTEST_FILES "" CACHE STRING "CTest scripts of other builds to include (host tests, fuzz runs)")
set(TW_DOCTEST_DIR /usr/include/doctest CACHE PATH "Folder holding doctest.h")

set(TW_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine-template)
set(TW_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-test-prefix)
# The load-order list holds a ';', escaped so that CMake keeps it one variable.
set(TW_WINE_DLLS "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=\\;winemenubuilder.exe=d")
set(TW_WINE_ENV "WINEPREFIX=${TW_WINE_PREFIX}" "WINEARCH=win32" "${TW_WINE_DLLS}")

# Tests marked WOW64 run in a 64-bit prefix of their own (fixture "wine64"), where the 32-bit program
# runs under WOW64; it has its own wineserver, so they may run beside the 32-bit ones.
set(TW_WINE_TEMPLATE64 ${CMAKE_BINARY_DIR}/wine-template64)
set(TW_WINE_PREFIX64 ${CMAKE_BINARY_DIR}/wine-test-prefix64)
set(TW_WINE_ENV64 "WINEPREFIX=${TW_WINE_PREFIX64}" "WINEARCH=win64" "${TW_WINE_DLLS}")

if(WIN32)
    foreach(arch win32 win64)
        if(arch STREQUAL win32)
            set(fixture wine)
            set(files ${TW_WINE_TEMPLATE} ${TW_WINE_PREFIX})
        else()
            set(fixture wine64)
            set(files ${TW_WINE_TEMPLATE64} ${TW_WINE_PREFIX64})
        endif()
        set(script ${CMAKE_SOURCE_DIR}/tools/lib/test-prefix.sh)
        add_test(NAME ${fixture}.prefix.create COMMAND sh ${script} create ${files} ${arch})
        add_test(NAME ${fixture}.prefix.stop COMMAND sh ${script} stop ${files} ${arch})
        set_tests_properties(${fixture}.prefix.create PROPERTIES FIXTURES_SETUP ${fixture} RESOURCE_LOCK ${fixture}prefix)
        set_tests_properties(${fixture}.prefix.stop PROPERTIES FIXTURES_CLEANUP ${fixture} RESOURCE_LOCK ${fixture}prefix)
    endforeach()
endif()

# tw_add_test(NAME name SOURCES ... LIBS ... [NO_MAIN] [WOW64])
# A doctest executable registered as one test. Windows tests move into a working folder of their own
# on the prefix's C: drive (tests/doctest_main.cpp), so files such as "ignore.lst" never leak between
# tests.
function(tw_add_test)
    cmake_parse_arguments(T "NO_MAIN;WOW64" "NAME" "SOURCES;LIBS" ${ARGN})
    set(sources ${T_SOURCES})
    if(NOT T_NO_MAIN)
        list(APPEND sources ${CMAKE_SOURCE_DIR}/tests/doctest_main.cpp)
    endif()
    add_executable(${T_NAME} ${sources})
    target_include_directories(${T_NAME} PRIVATE ${TW_DOCTEST_DIR} ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
    if(WIN32)
        add_test(NAME win.${T_NAME} COMMAND ${T_NAME})
        if(T_WOW64)
            set_tests_properties(win.${T_NAME} PROPERTIES
                FIXTURES_REQUIRED wine64 RESOURCE_LOCK wine64prefix
                ENVIRONMENT "${TW_WINE_ENV64}" TIMEOUT 600)
        else()
            set_tests_properties(win.${T_NAME} PROPERTIES
                FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix
                ENVIRONMENT "${TW_WINE_ENV}" TIMEOUT 600)
        endif()
    else()
        set_property(GLOBAL APPEND PROPERTY TW_HOST_TESTS ${T_NAME})
    endif()
endfunction()

# tw_add_host_command_test(NAME name COMMAND ...): a host-side check included in the combined run.
function(tw_add_host_command_test)
    cmake_parse_arguments(T "" "NAME" "COMMAND" ${ARGN})
    set_property(GLOBAL APPEND PROPERTY TW_HOST_COMMANDS "${T_NAME}")
    set_property(GLOBAL PROPERTY TW_HOST_COMMAND_${T_NAME} "${T_COMMAND}")
endfunction()

function(tw_finish_tests)
    if(WIN32)
        foreach(f ${TW_EXTRA_CTEST_FILES})
            set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES ${f})
        endforeach()
        return()
    endif()
    if(TW_FUZZ)
        set(prefix fuzz)
    else()
        set(prefix host)
    endif()
    set(content "")
    get_property(tests GLOBAL PROPERTY TW_HOST_TESTS)
    foreach(t ${tests})
        add_test(NAME ${prefix}.${t} COMMAND ${t})
        string(APPEND content "add_test(${prefix}.${t} \"$<TARGET_FILE:${t}>\")\n")
        string(APPEND content "set_tests_properties(${prefix}.${t} PROPERTIES WORKING_DIRECTORY \"${CMAKE_BINARY_DIR}\")\n")
    endforeach()
    get_property(commands GLOBAL PROPERTY TW_HOST_COMMANDS)
    foreach(t ${commands})
        get_property(cmd GLOBAL PROPERTY TW_HOST_COMMAND_${t})
        add_test(NAME ${prefix}.${t} COMMAND ${cmd})
        set(quoted "")
        foreach(word ${cmd})
            string(APPEND quoted " \"${word}\"")
        endforeach()
        string(APPEND content "add_test(${prefix}.${t}${quoted})\n")
        string(APPEND content "set_tests_properties(${prefix}.${t} PROPERTIES WORKING_DIRECTORY \"${CMAKE_BINARY_DIR}\")\n")
    endforeach()
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/ctest-include.cmake CONTENT "${content}")
endfunction()
