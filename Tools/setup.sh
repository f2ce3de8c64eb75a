#!/usr/bin/env bash
# Installs what the build needs (Debian packages), configures and builds.
# Usage: Tools/setup.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:?build directory}
shift

# binutils-mingw-w64 brings windres, with which the tests read the Windows string table;
# nghttp2-server brings nghttpd, the HTTP/2 server of the transport tests.
bash "$root/Tools/install-packages.sh" cmake make g++ pkg-config libcurl4-openssl-dev libpugixml-dev \
    uuid-dev libssl-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev radicale openssl curl locales \
    binutils-mingw-w64-x86-64 nghttp2-server

cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
