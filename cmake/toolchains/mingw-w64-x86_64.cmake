# Cross build for 64-bit Windows with Debian's mingw-w64 (GCC, posix thread
# model, so std::thread and std::mutex work). Used by the `windows` preset and
# by scripts/windows-deps.sh, which builds the libraries Debian does not ship
# for mingw-w64 (libcurl, PCRE2, GoogleTest) into build/windows/deps/prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LD_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LD_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LD_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LD_MINGW_TRIPLET}-windres)

# Where the cross-built libraries live; the deps script passes its own prefix.
if(NOT LD_WINDOWS_DEPS)
    if(DEFINED ENV{LD_WINDOWS_DEPS})
        set(LD_WINDOWS_DEPS "$ENV{LD_WINDOWS_DEPS}")
    else()
        get_filename_component(LD_WINDOWS_DEPS
            "${CMAKE_CURRENT_LIST_DIR}/../../build/windows/deps/prefix" ABSOLUTE)
    endif()
endif()
# try_compile projects read this file again; hand them the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LD_WINDOWS_DEPS)

# Look for libraries and headers only in the mingw-w64 tree (zlib) and the
# cross-built prefix, never in the build machine's /usr; programs (the build's
# own tools) come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${LD_MINGW_TRIPLET} ${LD_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every library links statically, so the programs import only system DLLs.
set(ZLIB_USE_STATIC_LIBS ON)
set(PCRE2_USE_STATIC_LIBS ON)
