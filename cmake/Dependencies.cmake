# Every dependency comes from a Debian package (see scripts/setup.sh). On
# Windows (the cross build) libcurl, PCRE2 and GoogleTest come from Debian's
# source packages, built by scripts/windows-deps.sh into the prefix the
# toolchain file searches; zlib from Debian's mingw-w64 package; no ICU and no
# Qt (the system converts code pages, and the window is Win32).
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
add_library(ld_pcre2 INTERFACE)
add_library(ld_httplib INTERFACE)
if(WIN32)
    find_package(CURL CONFIG REQUIRED)
    find_package(PCRE2 CONFIG REQUIRED COMPONENTS 8BIT)
    target_link_libraries(ld_pcre2 INTERFACE PCRE2::8BIT)
    # The header-only cpp-httplib of the source package (the tests' servers).
    find_path(LD_HTTPLIB_INCLUDE_DIR httplib.h REQUIRED)
    target_include_directories(ld_httplib SYSTEM INTERFACE ${LD_HTTPLIB_INCLUDE_DIR})
    target_link_libraries(ld_httplib INTERFACE ws2_32)
    # nlohmann-json's headers, copied by the deps script so that the cross
    # build never searches the build machine's /usr/include.
    find_path(LD_NLOHMANN_JSON_INCLUDE_DIR nlohmann/json.hpp REQUIRED)
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
    target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE
        ${LD_NLOHMANN_JSON_INCLUDE_DIR})
    if(LD_BUILD_TESTS)
        find_package(GTest CONFIG REQUIRED)
    endif()
    return()
endif()

find_package(PkgConfig REQUIRED)
find_package(ICU 72 REQUIRED COMPONENTS uc)
find_package(CURL REQUIRED)
# The terminal mode's --json output.
find_package(nlohmann_json 3.10 REQUIRED)

# PCRE2 and cpp-httplib: Debian ships pkg-config files for them. The project
# links the two through ld_pcre2 / ld_httplib.
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
target_link_libraries(ld_pcre2 INTERFACE PkgConfig::PCRE2)
target_link_libraries(ld_httplib INTERFACE PkgConfig::HTTPLIB)
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Multimedia)
if(LD_BUILD_TESTS)
    find_package(GTest REQUIRED)
endif()
