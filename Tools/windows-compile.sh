#!/usr/bin/env bash
# Compiles every source of the Windows plug-in with mingw-w64, 32-bit and 64-bit, with warnings
# as errors, against the stand-in SDK and the headers of Debian's libcurl and pugixml. Nothing is
# linked: Debian ships no Windows libcurl.
# Usage: Tools/windows-compile.sh [BUILD_DIR_PREFIX]   (default: build-windows; -i686, -x86_64)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=${1:-$root/build-windows}

# The posix thread model of mingw-w64 has std::mutex; its win32 model (GCC 12) does not.
bash "$root/Tools/install-packages.sh" cmake make pkg-config libcurl4-openssl-dev libpugixml-dev \
    g++-mingw-w64-i686 g++-mingw-w64-x86-64

# The libraries' headers alone, so that the cross compiler sees no other header of this system.
headers=$prefix-headers
rm -rf "$headers"
mkdir -p "$headers"
ln -s "$(pkg-config --variable=includedir libcurl)/curl" "$headers/curl"
pugixml=$(pkg-config --variable=includedir pugixml)
ln -s "$pugixml/pugixml.hpp" "$pugixml/pugiconfig.hpp" "$headers/"

for arch in i686 x86_64; do
    echo "-- $arch"
    cmake -S "$root" -B "$prefix-$arch" -DCMAKE_SYSTEM_NAME=Windows \
        -DCMAKE_C_COMPILER="$arch-w64-mingw32-gcc-posix" \
        -DCMAKE_CXX_COMPILER="$arch-w64-mingw32-g++-posix" \
        -DCMAKE_RC_COMPILER="$arch-w64-mingw32-windres" \
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-Werror -DTALVERO_OBJECTS_ONLY=ON \
        -DCURL_INCLUDE_DIR="$headers" -DPUGIXML_INCLUDE_DIR="$headers" >/dev/null
    cmake --build "$prefix-$arch" -j"$(nproc)" --target talvero_core
done
