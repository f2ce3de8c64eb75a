#!/usr/bin/env bash
# Installs what the build needs (Debian packages), configures and builds.
# Usage: Tools/setup.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:?build directory}
shift

packages=(cmake make g++ pkg-config libcurl4-openssl-dev libpugixml-dev uuid-dev libssl-dev
          libgtest-dev libgmock-dev libbenchmark-dev radicale openssl curl locales)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing missing packages: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
