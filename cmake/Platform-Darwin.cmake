# macOS, for FileMaker Pro and Server: the bundle Talvero.fmplugin with its Info.plist,
# exporting FMExternCallProc alone; the string resources as the bundle's Localizable.strings,
# read through CoreFoundation; UUIDs from the C library.
add_compile_options(-Wall -Wextra)

set(TALVERO_PLATFORM_SOURCES
    ${CMAKE_SOURCE_DIR}/Sources/Platform/macOS/PlatformNameMac.cpp
    ${CMAKE_SOURCE_DIR}/Sources/Platform/Posix/OpenFilePosix.cpp
    ${CMAKE_SOURCE_DIR}/Sources/Platform/Posix/RandomUuidPosix.cpp
    ${CMAKE_SOURCE_DIR}/Sources/Shell/macOS/StringResourcesMac.cpp)
set(TALVERO_PLATFORM_LIBRARIES "-framework CoreFoundation")
set(TALVERO_FMSDK_LIBRARY_FOLDER Mac)

function(talvero_plugin_file target)
    set(strings ${CMAKE_BINARY_DIR}/generated/Localizable.strings)
    talvero_string_resource(strings ${strings})
    target_sources(${target} PRIVATE ${strings})
    set_source_files_properties(${strings} PROPERTIES MACOSX_PACKAGE_LOCATION Resources/en.lproj)
    set_target_properties(${target} PROPERTIES
        BUNDLE TRUE
        BUNDLE_EXTENSION fmplugin
        MACOSX_BUNDLE_INFO_PLIST ${CMAKE_SOURCE_DIR}/Resources/macOS/Info.plist.in
        MACOSX_BUNDLE_GUI_IDENTIFIER org.talvero.Talvero
        MACOSX_BUNDLE_BUNDLE_NAME Talvero
        MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
        MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION})
    target_link_options(${target} PRIVATE -Wl,-exported_symbol,_FMExternCallProc)
endfunction()
