# Windows, for FileMaker Pro and Server: a DLL named Talvero.fmx (32-bit) or Talvero.fmx64
# (64-bit), exporting FMExternCallProc alone through Talvero.def; the string resources as the
# DLL's string table (Talvero.rc, read with LoadStringW); UUIDs from the RPC runtime; the mapping
# file opened by its UTF-16 path. Built with MSVC, or with mingw-w64 (cmake/Toolchain-MinGW.cmake,
# Tools/windows-build.sh).
enable_language(RC)
if(MSVC)
    add_compile_options(/W4 /utf-8)
else()
    add_compile_options(-Wall -Wextra)
    # The C++ runtime linked in: no FileMaker installation has mingw-w64's libstdc++-6.dll,
    # libgcc_s_*.dll or libwinpthread-1.dll, so every module imports system DLLs alone.
    add_link_options(-static)
    # A release module without its symbol table: half the size, and nothing lost without -g.
    add_link_options($<$<CONFIG:Release,MinSizeRel>:-s>)
endif()
# windows.h without its min and max macros, and without winsock.h, which libcurl's winsock2.h
# cannot follow.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN)

set(TALVERO_PLATFORM_SOURCES
    ${CMAKE_SOURCE_DIR}/Sources/Platform/Windows/PlatformNameWindows.cpp
    ${CMAKE_SOURCE_DIR}/Sources/Platform/Windows/OpenFileWindows.cpp
    ${CMAKE_SOURCE_DIR}/Sources/Platform/Windows/RandomUuidWindows.cpp
    ${CMAKE_SOURCE_DIR}/Sources/Shell/Windows/StringResourcesWindows.cpp)
set(TALVERO_PLATFORM_LIBRARIES rpcrt4 user32)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TALVERO_PLUGIN_SUFFIX ".fmx64")
    set(TALVERO_FMSDK_LIBRARY_FOLDER Win/x64)
else()
    set(TALVERO_PLUGIN_SUFFIX ".fmx")
    set(TALVERO_FMSDK_LIBRARY_FOLDER Win/x86)
endif()

function(talvero_plugin_file target)
    set(string_script ${CMAKE_BINARY_DIR}/generated/Talvero.rc)
    talvero_string_resource(rc ${string_script})
    target_sources(${target} PRIVATE
        ${string_script}
        ${CMAKE_SOURCE_DIR}/Sources/Shell/Windows/Talvero.def)
    set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ${TALVERO_PLUGIN_SUFFIX})
    if(MINGW)
        # The .def names FMExternCallProc, the name the host looks up; on 32-bit Windows the
        # function is the __stdcall _FMExternCallProc@4, which GNU ld exports under the plain name
        # with a warning unless told that this fixup is meant.
        target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
    endif()
endfunction()

# Against the stand-in SDK, fmhost.exe is built beside the plug-in and FMWrapper.dll, to run the
# plug-in under Wine; the tests and benchmarks stay on Linux. The plug-in and SDK targets it
# names are defined later in the top folder, which is soon enough: names are resolved when the
# build is generated.
if(NOT FMSDK_DIR AND NOT TALVERO_OBJECTS_ONLY)
    add_subdirectory(${CMAKE_SOURCE_DIR}/Tools/fmhost)
endif()
