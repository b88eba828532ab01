# Addresses and identifiers of the course platform and the video host. They are
# cache variables so a build for the real services needs no change to the code.
set(LD_COURSE_WEB_HOST "www.course.example" CACHE STRING "Web host of the course platform")
set(LD_COURSE_API_HOST "api.course.example" CACHE STRING "API host of the course platform")
set(LD_PLAYINFO_HOST "play.video.example" CACHE STRING "Host of the video play-info service")
set(LD_PLAYINFO_UID "0123456789ABCDEF" CACHE STRING "uid query value of the play-info service")
set(LD_PLAYINFO_PID "FEDCBA9876543210" CACHE STRING "pid query value of the play-info service")
set(LD_PLAYINFO_DOMAIN "www%2Ecourse%2Eexample" CACHE STRING "d query value of the play-info service")

configure_file(${CMAKE_CURRENT_LIST_DIR}/platform_constants.h.in
               ${CMAKE_BINARY_DIR}/generated/platform_constants.h @ONLY)
add_library(ld_platform_constants INTERFACE)
target_include_directories(ld_platform_constants INTERFACE ${CMAKE_BINARY_DIR}/generated)
