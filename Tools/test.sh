#!/usr/bin/env bash
# Builds everything and runs every test (unit, protocol, and integration tests against a
# Radicale server that the tests start on 127.0.0.1).
# Usage: Tools/test.sh [BUILD_DIR [extra cmake arguments...]]   (default build directory: build)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$root/build}
shift || true

bash "$root/Tools/setup.sh" "$build_dir" "$@"
cd "$build_dir"
ctest --output-on-failure -j"$(nproc)"
