#!/usr/bin/env bash
# Installs what the build needs (Debian packages), configures and builds.
# Usage: Tools/setup.sh [--progress] [--target NAME]... BUILD_DIR [extra cmake arguments...]
#   --target NAME  build only this CMake target (and what it needs); repeatable. Default: all
#   --progress     a line per step, CMake's configuration output and the lines of the build that
#                  do something (not the "Built target" lines an up-to-date build prints)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
progress=false
targets=()
while (($#)); do
    case "$1" in
    --progress) progress=true; shift ;;
    --target) targets+=("${2:?--target needs a name}"); shift 2 ;;
    *) break ;;
    esac
done
build_dir=${1:?build directory}
shift

step() { if $progress; then echo "==> $*"; fi; }

# Without --progress, configuration is quiet and the build shows all it prints. With it, lines
# that differ from run to run although nothing was done (times, the order of up-to-date
# targets) are left out, so an up-to-date build prints nothing.
configure_output() {
    if $progress; then
        grep --line-buffered -v -E '^-- (Configuring done|Generating done|Build files have been written)' || true
    else
        cat >/dev/null
    fi
}
build_output() {
    if $progress; then
        grep --line-buffered -v -E '(Built target |Consolidate compiler generated dependencies)' || true
    else
        cat
    fi
}

step "Checking the Debian packages the build needs"
# binutils-mingw-w64 brings windres, with which the tests read the Windows string table;
# nghttp2-server brings nghttpd, the HTTP/2 server of the transport tests.
bash "$root/Tools/install-packages.sh" cmake make g++ pkg-config libcurl4-openssl-dev libpugixml-dev \
    uuid-dev libssl-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev radicale openssl curl locales \
    binutils-mingw-w64-x86-64 nghttp2-server

step "Configuring $build_dir"
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" | configure_output
step "Building ${targets[*]:-everything}"
target_options=()
for target in "${targets[@]}"; do
    target_options+=(--target "$target")
done
cmake --build "$build_dir" -j"$(nproc)" "${target_options[@]}" | build_output
