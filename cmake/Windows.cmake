# The Windows build (cross-built with mingw-w64, see cmake/toolchains/ and the
# `windows` preset). Every program and DLL links libstdc++, libgcc,
# winpthread, zlib, libcurl and PCRE2 statically, so it imports only DLLs that
# every Windows 10/11 has; the tests run under Wine (scripts/wine.sh).
if(NOT WIN32)
    return()
endif()

# lecture-downloader.exe and the DLLs it loads (xldl.dll, the window module)
# land here together; everything else (tests, static libraries) stays in bin/.
set(LD_PROGRAM_OUTPUT_DIR ${CMAKE_BINARY_DIR}/bin CACHE PATH
    "Folder of lecture-downloader.exe and the DLLs beside it")

add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0A00)
add_link_options(-static)
# GCC 12 at -O2 reports possible null dereferences inside libstdc++'s own
# stream buffers (istreambuf_iterator); the check stays on for Linux.
if(LD_DEVELOPER_WARNINGS)
    target_compile_options(ld_warnings INTERFACE -Wno-null-dereference)
endif()

# Windows programs run under Wine, in the build tree's own prefix.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine.sh run)
endif()

# Puts a program or DLL into LD_PROGRAM_OUTPUT_DIR.
function(ld_windows_program_output)
    foreach(target ${ARGN})
        if(TARGET ${target})
            set_target_properties(${target} PROPERTIES
                RUNTIME_OUTPUT_DIRECTORY ${LD_PROGRAM_OUTPUT_DIR}
                LIBRARY_OUTPUT_DIRECTORY ${LD_PROGRAM_OUTPUT_DIR})
        endif()
    endforeach()
endfunction()
