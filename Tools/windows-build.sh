#!/usr/bin/env bash
# Builds the Windows plug-in on Linux with mingw-w64, 64-bit and 32-bit, with warnings as errors:
# libcurl and pugixml from Debian's source packages (Tools/windows-deps.sh, kept between runs),
# then against the stand-in SDK the plug-in, FMWrapper.dll and fmhost.exe, all linked statically
# with the C++ runtime, and checks what each module exports and imports
# (Tools/windows-check-dll.sh).
# Usage: Tools/windows-build.sh [BUILD_DIR]   (default: build-windows)
#   BUILD_DIR/deps/           the libraries' sources and one install prefix per architecture
#   BUILD_DIR/x86_64/bin/     Talvero.fmx64, FMWrapper.dll, fmhost.exe
#   BUILD_DIR/i686/bin/       Talvero.fmx, FMWrapper.dll, fmhost.exe
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build-windows}")

bash "$root/Tools/install-packages.sh" cmake make dpkg-dev binutils \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix

for arch in x86_64 i686; do
    bash "$root/Tools/windows-deps.sh" "$arch" "$build/deps/$arch" "$build/deps/sources"
    echo "-- $arch plug-in"
    cmake -S "$root" -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/Toolchain-MinGW.cmake" \
        -DTALVERO_MINGW_ARCH="$arch" -DCMAKE_PREFIX_PATH="$build/deps/$arch" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS=-Werror -DCMAKE_CXX_FLAGS=-Werror >/dev/null
    # fmhost depends on the plug-in and FMWrapper.dll.
    cmake --build "$build/$arch" -j"$(nproc)" --target fmhost
    bash "$root/Tools/windows-check-dll.sh" "$build/$arch/bin"
done
