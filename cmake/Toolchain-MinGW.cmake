# Cross-compiling for Windows on Linux with Debian's mingw-w64, posix thread model (its win32
# model has no std::mutex in GCC 12).
#   TALVERO_MINGW_ARCH  x86_64 (default) or i686
#   CMAKE_PREFIX_PATH   where the Windows builds of libcurl and pugixml are installed
set(TALVERO_MINGW_ARCH x86_64 CACHE STRING "mingw-w64 target: x86_64 or i686")
set_property(CACHE TALVERO_MINGW_ARCH PROPERTY STRINGS x86_64 i686)
set(triple ${TALVERO_MINGW_ARCH}-w64-mingw32)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TALVERO_MINGW_ARCH})
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

# Libraries and headers come from the mingw-w64 sysroot and the given prefixes, never from the
# build machine; programs (cmake, windres) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The prefixes in CMAKE_PREFIX_PATH are outside the sysroot: search them as they are.
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
