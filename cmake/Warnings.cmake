# Warning flags for the project's own targets (not for imported ones).
add_library(ld_warnings INTERFACE)
target_compile_options(ld_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(LD_WERROR)
    target_compile_options(ld_warnings INTERFACE -Werror)
endif()
