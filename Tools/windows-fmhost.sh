#!/usr/bin/env bash
# Runs the Windows build's fmhost.exe under Wine, in a Wine prefix of its own inside the build
# folder, made on first use: quietly (no Mono or Gecko installer, no window) and within 5 minutes.
# Usage: Tools/windows-fmhost.sh [fmhost arguments...]
#   TALVERO_WINDOWS_BUILD_DIR   the Windows build folder (default: build-windows)
#   TALVERO_WINDOWS_ARCH        x86_64 (default) or i686, which needs 32-bit Wine
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TALVERO_WINDOWS_BUILD_DIR:-$root/build-windows}
arch=${TALVERO_WINDOWS_ARCH:-x86_64}

export WINEPREFIX=$build/wine WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$build"
    if ! timeout 300 wineboot --init </dev/null >"$build/wineboot.log" 2>&1; then
        echo "windows-fmhost: no Wine prefix could be made in $WINEPREFIX; see $build/wineboot.log" >&2
        rm -rf "$WINEPREFIX"
        exit 3
    fi
fi
exec wine "$build/$arch/bin/fmhost.exe" "$@"
