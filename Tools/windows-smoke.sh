#!/usr/bin/env bash
# Runs the 64-bit Windows build (Tools/windows-build.sh) under Wine and holds its output against
# the Linux build's, on the same inputs and the same server state:
#   - fmhost.exe --list, byte for byte;
#   - Examples/version.fmcalc, with "Windows" where Linux says "Linux";
#   - every example Tools/demo.sh runs, each against a fresh demo server of its own, compared
#     script by script with UUIDs, entity tags, sync tokens and ports masked and the lines of
#     each listing in any order;
#   - HTTPS with certificate checking off (a Radicale with a self-signed certificate), where the
#     plug-in also loads a mapping file by a Windows path with non-ASCII characters.
# The 32-bit build is run (--list and version) only where Wine has 32-bit support.
# Wine's Schannel takes self-signed certificates and Wine has no Digest or NTLM provider, so
# certificate refusal and those logins are not judged here.
# Usage: Tools/windows-smoke.sh [WINDOWS_BUILD_DIR [LINUX_BUILD_DIR]]
#        (defaults: build-windows and build; the Linux build is made if missing)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=radicale.sh
source "$root/Tools/radicale.sh"
windows_build=$(realpath -m "${1:-$root/build-windows}")
linux_build=$(realpath -m "${2:-$root/build}")
export TALVERO_WINDOWS_BUILD_DIR=$windows_build
# Wine reads the command line and file names in the locale's character set.
export LC_ALL=C.UTF-8

bash "$root/Tools/install-packages.sh" wine wine64 radicale curl openssl python3
bash "$root/Tools/setup.sh" "$linux_build" >/dev/null

work=$(mktemp -d /tmp/talvero-windows-smoke-XXXXXX)
server_pid=""
cleanup() {
    [ -z "$server_pid" ] || { kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; }
    # Wine's server for this prefix would otherwise linger a few seconds after the last program.
    WINEPREFIX=$windows_build/wine timeout 30 wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

passed=0 failed=0
# check NAME EXPECTED_FILE ACTUAL_FILE: the two files are equal and the expected one is not empty.
check() {
    local name=$1 expected=$2 actual=$3
    if [ -s "$expected" ] && cmp -s "$expected" "$actual"; then
        echo "-- ok: $name"
        passed=$((passed + 1))
    else
        echo "-- FAILED: $name (expected output left, Windows right)"
        diff "$expected" "$actual" | head -n 40 || true
        failed=$((failed + 1))
    fi
}

linux() { "$linux_build/bin/fmhost" "$@"; }
windows() { TALVERO_WINDOWS_ARCH=${arch:-x86_64} "$root/Tools/windows-fmhost.sh" "$@"; }

# What differs from run to run, whatever the platform: UUIDs (masked only in lower case, the form
# the plug-in promises on every platform), entity tags and sync tokens (long hex), server ports.
mask() {
    # The demo's build progress ("[ 42%] …") differs from run to run.
    sed -E -e '/^\[ *[0-9]+%\] /d' \
        -e 's/[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}/<uuid>/g' \
        -e 's/[0-9a-f]{32,}/<hex>/g' -e 's/127\.0\.0\.1:[0-9]+/127.0.0.1:<port>/g'
}

# The lines of each result (a "→ " line and the "  " lines under it) in sorted order: a server
# lists the cards of a book in an order of its own. So are the texts of each JSON list on any line
# (results and the tables a script leaves alike), such as a card's groups, which follow their
# groups' random UIDs. Lines end at "\n" alone.
sort_values() {
    python3 -c '
import re, sys
block = []
def sorted_lists(line):
    return re.sub(r"\[(\"[^\]]*\")\]", lambda m: "[" + ",".join(sorted(m.group(1).split(","))) + "]", line)
def flush():
    for i, line in enumerate(sorted(sorted_lists(line) for line in block)):
        print(("\u2192 " if i == 0 else "  ") + line)
    block.clear()
# Bytes as they came: a carriage return is data here, not a line end.
text = sys.stdin.buffer.read().decode("utf-8", "replace")
for line in text.split("\n"):
    if block and line.startswith("  "):
        block.append(line[2:])
        continue
    flush()
    if line.startswith("\u2192 "):
        block.append(line[2:])
    else:
        print(sorted_lists(line))
flush()
'
}

run_both() { # run_both NAME fmhost-arguments...: each platform's output, unmasked
    local name=$1
    shift
    linux "$@" >"$work/$name.linux" 2>&1 || true
    windows "$@" >"$work/$name.windows" 2>&1 || true
}

# The function list and the version formats, for each architecture Wine can run.
architectures=(x86_64)
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    architectures+=(i686)
else
    echo "-- i686: linked and checked, not run (this Wine has no 32-bit support)"
fi
for arch in "${architectures[@]}"; do
    run_both "list-$arch" --list
    check "$arch --list" "$work/list-$arch.linux" "$work/list-$arch.windows"
    run_both "version-$arch" --json "$root/Examples/version.fmcalc"
    sed 's/"value": "Linux"/"value": "Windows"/' "$work/version-$arch.linux" >"$work/version-$arch.expected"
    check "$arch version formats" "$work/version-$arch.expected" "$work/version-$arch.windows"
done
unset arch

# Every script the demo runs, run by the demo alone, once per platform, each run with a fresh
# server and demo book (scripts run one after another would see each other's cards, listed in an
# order that follows their random names).
mapfile -t demo_scripts < <(bash "$root/Tools/demo.sh" --list)
if ((${#demo_scripts[@]} == 0)); then
    echo "-- FAILED: the demo names no script"
    failed=$((failed + 1))
fi
for script in "${demo_scripts[@]}"; do
    name=$(basename "$script")
    TALVERO_BUILD_DIR=$linux_build bash "$root/Tools/demo.sh" "$script" 2>&1 |
        mask | sort_values >"$work/$name.linux" || true
    TALVERO_BUILD_DIR=$linux_build TALVERO_FMHOST=$root/Tools/windows-fmhost.sh \
        bash "$root/Tools/demo.sh" "$script" 2>&1 | mask | sort_values >"$work/$name.windows" || true
    check "demo $name" "$work/$name.linux" "$work/$name.windows"
done

# HTTPS, certificate unchecked, against a Radicale with a self-signed certificate; the mapping
# file is read from a folder whose name is not ASCII (nor in any one ANSI code page), given to
# the Windows build as a Windows path.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
start_radicale "$work" "$(free_port)" smoke smoke-secret "$work/cert.pem" "$work/key.pem"
server_pid=$radicale_pid
server=$radicale_url
make_address_book "$server/smoke/contacts/" smoke smoke-secret
folder="$work/Jürgen Ærø 東京"
mkdir -p "$folder"
cp "$root/Examples/mapping.csv" "$folder/"
cat >"$work/https.fmcalc" <<'EOF'
CardDav_SetServer ( $server ; False ; False )
CardDav_SetAuth ( "basic" ; "smoke" ; "smoke-secret" )
CardDav_Connect
CardDav_GetAddressBooks
CardDav_SetMapping ( $mapping )
CardDav_GetMapping
EOF
linux --json --set "server=$server" --set "mapping=$folder/mapping.csv" "$work/https.fmcalc" \
    2>&1 | mask >"$work/https.linux" || true
windows_mapping="Z:${folder//\//\\}\\mapping.csv"
windows --json --set "server=$server" --set "mapping=$windows_mapping" "$work/https.fmcalc" \
    2>&1 | mask >"$work/https.windows" || true
# Both ran all the way: connected, listed the book, and read the file's own names.
if ! grep -q '/smoke/contacts/' "$work/https.linux" ||
    ! grep -q 'mobile,TEL,CELL' "$work/https.linux"; then
    echo "-- the Linux run did not connect or read the mapping file"
    : >"$work/https.linux"
fi
check "HTTPS, certificate unchecked, mapping file under a non-ASCII path" \
    "$work/https.linux" "$work/https.windows"

echo "windows-smoke: $passed passed, $failed failed"
((failed == 0))
