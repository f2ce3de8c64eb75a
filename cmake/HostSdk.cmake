# The host's plug-in SDK, as the target talvero_sdk: the plug-in's sources include its headers as
# "FMWrapper/FMX....h".
#
# With FMSDK_DIR, the vendor's SDK: its headers from <FMSDK_DIR>/Headers (FMSDK_INCLUDE_DIR) and
# its FMWrapper library from <FMSDK_DIR>/Libraries/<TALVERO_FMSDK_LIBRARY_FOLDER> as the platform
# file names it (FMSDK_LIBRARY); either can be given directly where an SDK is laid out otherwise.
# Without it, the stand-in in Support/FMWrapper, whose plug-ins load only in fmhost.
add_library(talvero_sdk INTERFACE)
if(FMSDK_DIR)
    find_path(FMSDK_INCLUDE_DIR FMWrapper/FMXExtern.h
        PATHS ${FMSDK_DIR}/Headers NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    find_library(FMSDK_LIBRARY FMWrapper
        PATHS ${FMSDK_DIR}/Libraries/${TALVERO_FMSDK_LIBRARY_FOLDER} ${FMSDK_DIR}/Libraries
        NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT FMSDK_INCLUDE_DIR OR NOT FMSDK_LIBRARY)
        message(FATAL_ERROR "No plug-in SDK in ${FMSDK_DIR}: expected FMWrapper/FMXExtern.h under "
            "Headers/ and the FMWrapper library under Libraries/${TALVERO_FMSDK_LIBRARY_FOLDER}; "
            "give -DFMSDK_INCLUDE_DIR=... and -DFMSDK_LIBRARY=... for another layout")
    endif()
    message(STATUS "Plug-in SDK: ${FMSDK_INCLUDE_DIR}, ${FMSDK_LIBRARY}")
    target_include_directories(talvero_sdk INTERFACE ${FMSDK_INCLUDE_DIR})
    if(NOT TALVERO_OBJECTS_ONLY)
        target_link_libraries(talvero_sdk INTERFACE ${FMSDK_LIBRARY})
    endif()
    # For headers that give the host's calls a calling convention without naming it FMX_CALL.
    set(FMSDK_CALLING_CONVENTION "" CACHE STRING
        "Calling convention of the SDK's handler type where its headers do not define FMX_CALL (e.g. __stdcall)")
    if(FMSDK_CALLING_CONVENTION)
        target_compile_definitions(talvero_sdk INTERFACE FMX_CALL=${FMSDK_CALLING_CONVENTION})
    endif()
elseif(TALVERO_OBJECTS_ONLY)
    target_include_directories(talvero_sdk INTERFACE ${CMAKE_SOURCE_DIR}/Support/FMWrapper/include)
else()
    # A shared library, like the host's own FMWrapper.
    add_subdirectory(Support/FMWrapper)
    target_link_libraries(talvero_sdk INTERFACE FMWrapper)
endif()
