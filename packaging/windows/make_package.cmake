# Builds the Windows zip and installer from a list of files (cmake -P, run by
# the ld_windows_package target of packaging/windows/CMakeLists.txt):
#   LD_MANIFEST  lines "<source>|<path in the package>"
#   LD_STAGE     the staging folder, emptied and filled here; its name is the
#                zip's one top folder
#   LD_ZIP, LD_SETUP, LD_VERSION, LD_ICON, LD_MAKENSIS, LD_INSTALLER_SCRIPT
#   LD_STRIP     mingw-w64's strip: the programs are packed without the
#                symbols and debugging sections the static libraries bring
#                (half their size); the build's own copies keep them
# Stops with an error naming what is missing or what failed; a failed run
# leaves no zip or installer behind that could pass for this one.
cmake_minimum_required(VERSION 3.25)

foreach(variable LD_MANIFEST LD_STAGE LD_ZIP LD_SETUP LD_VERSION LD_ICON LD_INSTALLER_SCRIPT LD_STRIP)
    if(NOT DEFINED ${variable} OR "${${variable}}" STREQUAL "")
        message(FATAL_ERROR "make_package.cmake: ${variable} is not given")
    endif()
endforeach()
if(NOT LD_MAKENSIS OR NOT EXISTS "${LD_MAKENSIS}")
    message(FATAL_ERROR "makensis is missing: scripts/setup.sh installs it (Debian package nsis)")
endif()

file(REMOVE "${LD_ZIP}" "${LD_SETUP}")
file(REMOVE_RECURSE "${LD_STAGE}")
file(MAKE_DIRECTORY "${LD_STAGE}")

# The staging folder, and the installer's list of the same files.
file(STRINGS "${LD_MANIFEST}" entries)
set(nsis_list "; Written by make_package.cmake: every file the installer puts in place.\n")
string(APPEND nsis_list "!macro LD_INSTALLED_FILES op\n")
foreach(entry ${entries})
    if(NOT entry MATCHES "^([^|]+)\\|([^|]+)$")
        message(FATAL_ERROR "make_package.cmake: not \"<source>|<path>\": ${entry}")
    endif()
    set(source "${CMAKE_MATCH_1}")
    set(destination "${CMAKE_MATCH_2}")
    if(NOT EXISTS "${source}")
        message(FATAL_ERROR "make_package.cmake: ${source} is missing")
    endif()
    get_filename_component(folder "${destination}" DIRECTORY)
    get_filename_component(name "${destination}" NAME)
    file(MAKE_DIRECTORY "${LD_STAGE}/${folder}")
    if(name MATCHES "\\.(exe|dll)$")
        execute_process(
            COMMAND "${LD_STRIP}" --strip-all -o "${LD_STAGE}/${destination}" "${source}"
            RESULT_VARIABLE strip_result)
        if(NOT strip_result EQUAL 0)
            message(FATAL_ERROR "make_package.cmake: ${source} could not be stripped")
        endif()
    else()
        file(COPY_FILE "${source}" "${LD_STAGE}/${destination}")
    endif()
    if(folder STREQUAL "")
        set(subfolder "")
    else()
        string(REPLACE "/" "\\" subfolder "\\${folder}")
    endif()
    string(APPEND nsis_list "  !insertmacro LD_FILE \${op} \"${subfolder}\" \"${name}\"\n")
endforeach()
string(APPEND nsis_list "!macroend\n")
get_filename_component(stage_parent "${LD_STAGE}" DIRECTORY)
get_filename_component(stage_name "${LD_STAGE}" NAME)
set(nsis_files "${stage_parent}/${stage_name}-files.nsh")
file(WRITE "${nsis_files}" "${nsis_list}")

# The portable zip: one top folder, so unpacking it makes one folder.
execute_process(
    COMMAND "${CMAKE_COMMAND}" -E tar cf "${LD_ZIP}" --format=zip "${stage_name}"
    WORKING_DIRECTORY "${stage_parent}"
    RESULT_VARIABLE zip_result)
if(NOT zip_result EQUAL 0)
    file(REMOVE "${LD_ZIP}")
    message(FATAL_ERROR "make_package.cmake: the zip could not be written (${zip_result})")
endif()

# The installer; -WX: a warning of makensis stops the build.
execute_process(
    COMMAND "${LD_MAKENSIS}" -V2 -WX -INPUTCHARSET UTF8
            "-DLD_VERSION=${LD_VERSION}" "-DLD_STAGE=${LD_STAGE}" "-DLD_FILES_NSH=${nsis_files}"
            "-DLD_ICON=${LD_ICON}" "-DLD_OUTFILE=${LD_SETUP}" "${LD_INSTALLER_SCRIPT}"
    RESULT_VARIABLE nsis_result)
if(NOT nsis_result EQUAL 0)
    file(REMOVE "${LD_SETUP}")
    message(FATAL_ERROR "make_package.cmake: makensis failed (${nsis_result})")
endif()
message(STATUS "Windows packages: ${LD_ZIP}, ${LD_SETUP}")
