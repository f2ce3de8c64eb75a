#!/usr/bin/env bash
# Builds everything and runs every test (unit, protocol, and integration tests against a
# Radicale server that the tests start on 127.0.0.1).
# Usage: Tools/test.sh [--quick] [BUILD_DIR [extra cmake arguments...]]   (default: build)
#   --quick   only the tests labelled unit or loopback, without those labelled slow: no Radicale,
#             no fuzz-corpus replays, nothing that waits out a time-out; builds only the test
#             executables these are in (the target quick_tests), not the benchmarks or replays
# Any part by its label: ctest --test-dir BUILD_DIR -L 'unit|loopback|radicale|slow|fuzz-replay'
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
selection=()
targets=()
if [ "${1:-}" = "--quick" ]; then
    selection=(-L '^(unit|loopback)$' -LE '^slow$')
    targets=(--target quick_tests)
    shift
fi
build_dir=${1:-$root/build}
shift || true

bash "$root/Tools/setup.sh" "${targets[@]}" "$build_dir" "$@"
cd "$build_dir"
ctest --output-on-failure -j"$(nproc)" "${selection[@]}"
