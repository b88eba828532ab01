include(GoogleTest)

# ld_add_test(<name> LABEL <area> SOURCES ... [LIBS ...] [GUI] [ENV ...])
# One GoogleTest executable; every test case in it carries the area label so
# `ctest -L <area>` runs one area. GUI tests run on Qt's offscreen platform
# (on Windows: under Wine on a display of their own, scripts/wine-gui.sh).
#
# On Windows (cross-built, run under Wine) each executable is one CTest test:
# starting Wine once per test case would cost more than the cases themselves.
# There the tests see the few POSIX calls they use (setenv, mkdtemp ...)
# through tests/windows_test_compat.h, and find xldl.dll beside the program.
function(ld_add_test name)
    cmake_parse_arguments(ARG "GUI" "LABEL;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
    if(NOT ARG_LABEL)
        message(FATAL_ERROR "ld_add_test(${name}): LABEL is required")
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    # ld_tests_<area> builds one area's tests and what they need, so a build
    # that runs only some areas (make test-tsan) compiles no other.
    if(NOT TARGET ld_tests_${ARG_LABEL})
        add_custom_target(ld_tests_${ARG_LABEL})
    endif()
    add_dependencies(ld_tests_${ARG_LABEL} ${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main ld_warnings)
    set(env ${ARG_ENV} "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp"
            "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp")
    if(ARG_GUI)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    if(WIN32)
        target_compile_options(${name} PRIVATE
            $<$<COMPILE_LANGUAGE:CXX>:-include ${PROJECT_SOURCE_DIR}/tests/windows_test_compat.h>)
        # Wine's Z: drive is the build machine's root folder.
        list(APPEND env "WINEPATH=Z:${LD_PROGRAM_OUTPUT_DIR}")
    endif()
    # gtest_discover_tests writes a list-valued ENVIRONMENT element by element,
    # so ctest would see only its first entry. Each test (and the listing of the
    # tests) runs through `cmake -E env` instead, which sets all of them, and
    # then through the cross build's emulator (Wine), if any.
    set(emulator ${CMAKE_CROSSCOMPILING_EMULATOR})
    if(WIN32 AND ARG_GUI AND CMAKE_CROSSCOMPILING)
        # Windows that open windows get a display of their own (Xvfb) and a
        # Wine prefix with a desktop; one such test at a time.
        set(emulator ${PROJECT_SOURCE_DIR}/scripts/wine-gui.sh)
    endif()
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
        ${CMAKE_COMMAND} -E env ${env} ${emulator})
    if(WIN32)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT})
        if(ARG_GUI)
            set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_display)
        endif()
        return()
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT})
endfunction()
