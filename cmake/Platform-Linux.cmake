# Linux, where FileMaker Server loads plug-ins: the module Talvero.fmx64, exporting
# FMExternCallProc alone through a version script; the string resources compiled into it as a
# table; UUIDs from libuuid. fmhost, the tests and the benchmarks run here.
add_compile_options(-Wall -Wextra)

find_package(PkgConfig REQUIRED)
pkg_check_modules(UUID REQUIRED IMPORTED_TARGET uuid)

set(TALVERO_STRING_TABLE ${CMAKE_BINARY_DIR}/generated/StringTable.cpp)
talvero_string_resource(table ${TALVERO_STRING_TABLE})

set(TALVERO_PLATFORM_SOURCES
    ${CMAKE_SOURCE_DIR}/Sources/Platform/Linux/PlatformNameLinux.cpp
    ${CMAKE_SOURCE_DIR}/Sources/Platform/Posix/OpenFilePosix.cpp
    ${CMAKE_SOURCE_DIR}/Sources/Platform/Posix/RandomUuidPosix.cpp
    ${CMAKE_SOURCE_DIR}/Sources/Shell/Linux/StringResourcesLinux.cpp
    ${TALVERO_STRING_TABLE})
set(TALVERO_PLATFORM_LIBRARIES PkgConfig::UUID)
set(TALVERO_FMSDK_LIBRARY_FOLDER Linux)
set(TALVERO_STAND_IN_HOST ON)

function(talvero_plugin_file target)
    set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ".fmx64")
    target_link_options(${target} PRIVATE
        -Wl,--version-script=${CMAKE_SOURCE_DIR}/Sources/Shell/Linux/exports.map)
    # Every symbol resolved at link time, except in the fuzzing build: clang leaves the sanitizer
    # runtime of a shared module to the program that loads it.
    if(NOT TALVERO_FUZZ)
        target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
endfunction()
