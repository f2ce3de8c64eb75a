#!/usr/bin/env bash
# Builds the plug-in's libraries for Windows from Debian's source packages: libcurl (static,
# HTTP and HTTPS only, TLS through Schannel, Digest and NTLM through SSPI; no OpenSSL, no zlib)
# and pugixml (static), with mingw-w64 for one architecture, installed into PREFIX. A PREFIX
# that already holds both is kept as it is.
# Usage: Tools/windows-deps.sh ARCH PREFIX SOURCE_DIR   (ARCH: x86_64 or i686; the sources are
#        fetched into SOURCE_DIR once and shared by both architectures)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
arch=${1:?architecture: x86_64 or i686}
prefix=${2:?install prefix}
sources=${3:?source folder}
stamp=$prefix/.complete

if [ -f "$stamp" ]; then
    echo "-- $arch libraries: reusing $prefix"
    exit 0
fi

# The source packages, through a deb-src entry made from the machine's own APT sources: the same
# archives and suites, only the type changed.
fetch_sources() {
    mkdir -p "$sources"
    if compgen -G "$sources/curl-*/CMakeLists.txt" >/dev/null &&
        compgen -G "$sources/pugixml-*/CMakeLists.txt" >/dev/null; then
        return
    fi
    bash "$root/Tools/install-packages.sh" dpkg-dev
    local deb822=/etc/apt/sources.list.d/debian.sources
    local entry=/etc/apt/sources.list.d/talvero-deb-src
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    if [ -f "$deb822" ]; then
        sed 's/^Types:.*/Types: deb-src/' "$deb822" | $sudo tee "$entry.sources" >/dev/null
    elif [ -f /etc/apt/sources.list ]; then
        grep -E '^deb[[:space:]]' /etc/apt/sources.list | sed 's/^deb[[:space:]]/deb-src /' |
            $sudo tee "$entry.list" >/dev/null
    else
        echo "windows-deps: no APT source entry to derive a deb-src entry from" >&2
        exit 1
    fi
    # Another apt run (another build, the system's own) may hold apt's lock for a while: try
    # again for up to five minutes rather than fail.
    local attempt
    for attempt in $(seq 10); do
        $sudo apt-get -qq update && break
        ((attempt < 10)) || exit 1
        echo "windows-deps: apt-get update failed; trying again in 30 s" >&2
        sleep 30
    done
    rm -rf "${sources:?}"/*
    # apt hands the download to its unprivileged user, which must be able to write here.
    chmod 0777 "$sources"
    (cd "$sources" && $sudo apt-get -o DPkg::Lock::Timeout=300 source curl pugixml) \
        >"$sources/fetch.log" 2>&1 || { cat "$sources/fetch.log"; exit 1; }
}

# cmake_install NAME SOURCE [cmake options...]: builds one library with the toolchain and
# installs it into the prefix.
cmake_install() {
    local name=$1 source=$2
    shift 2
    local build=$prefix-build/$name
    cmake -S "$source" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/Toolchain-MinGW.cmake" \
        -DTALVERO_MINGW_ARCH="$arch" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF "$@" >"$build.log" 2>&1 || { cat "$build.log"; exit 1; }
    cmake --build "$build" -j"$(nproc)" --target install >>"$build.log" 2>&1 ||
        { tail -n 50 "$build.log"; exit 1; }
}

fetch_sources
curl_source=$(compgen -G "$sources/curl-*/CMakeLists.txt" | head -n 1)
pugixml_source=$(compgen -G "$sources/pugixml-*/CMakeLists.txt" | head -n 1)

echo "-- $arch libraries: building into $prefix"
rm -rf "$prefix" "$prefix-build"
mkdir -p "$prefix-build"
cmake_install pugixml "$(dirname "$pugixml_source")" -DPUGIXML_BUILD_TESTS=OFF
cmake_install curl "$(dirname "$curl_source")" \
    -DHTTP_ONLY=ON -DCURL_USE_SCHANNEL=ON -DCURL_WINDOWS_SSPI=ON -DCURL_USE_OPENSSL=OFF \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF \
    -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF \
    -DCURL_DISABLE_LDAP=ON -DENABLE_MANUAL=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
    -DCURL_CA_PATH=none -DCURL_CA_BUNDLE=none
rm -rf "$prefix-build"
touch "$stamp"
