# Warning flags for the project's own targets (not for imported ones).
#
# Everyone gets -Wall -Wextra -Wpedantic. The presets we develop and test with
# (dev, asan, tsan) add the stricter set below and turn warnings into errors;
# a build a user runs never stops on a warning of another compiler version.
add_library(ld_warnings INTERFACE)
target_compile_options(ld_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(LD_DEVELOPER_WARNINGS)
    target_compile_options(ld_warnings INTERFACE
        -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Wnull-dereference)
endif()
if(LD_WERROR)
    target_compile_options(ld_warnings INTERFACE -Werror)
endif()
