#!/usr/bin/env bash
# Checks that a Linux plug-in loads where FileMaker Server runs: it may need no newer version of
# the C library, the C++ runtime or GCC's support library than Ubuntu 22.04 (the oldest LTS
# release the current FileMaker Server supports) provides. Prints the highest version the file
# needs of each, and the libraries it names; fails, naming the symbols, when one is too new.
# Usage: Tools/linux-check-runtime.sh [PLUGIN]   (default: build/bin/Talvero.fmx64)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
plugin=${1:-$root/build/bin/Talvero.fmx64}
[ -f "$plugin" ] || { echo "linux-check-runtime: no file $plugin" >&2; exit 1; }

# Ubuntu 22.04: glibc 2.35; libstdc++6 and libgcc-s1 of GCC 12.
families=(GLIBC GLIBCXX CXXABI GCC)
declare -A limit=([GLIBC]=2.35 [GLIBCXX]=3.4.30 [CXXABI]=1.3.13 [GCC]=12.0.0)

# The symbol versions the file requires ("Version References" of objdump -p), one a line.
versions=$(objdump -p "$plugin" | sed -n '/^Version References:/,/^$/p' | awk 'NF == 4 { print $4 }')
newer() { # newer A B: version A is above version B
    [ "$1" != "$2" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | tail -n 1)" = "$1" ]
}

failures=0
echo "-- $(basename "$plugin") needs (at most Ubuntu 22.04's):"
for family in "${families[@]}"; do
    highest=$(grep -E "^${family}_[0-9.]+$" <<<"$versions" | sed "s/^${family}_//" | sort -V | tail -n 1 || true)
    verdict=ok
    if [ -n "$highest" ] && newer "$highest" "${limit[$family]}"; then
        verdict="TOO NEW"
        failures=$((failures + 1))
    fi
    printf '   %-8s %-8s (at most %s) %s\n' "$family" "${highest:-none}" "${limit[$family]}" "$verdict"
done
# A private interface of the C library changes with every release.
if grep -q 'PRIVATE' <<<"$versions"; then
    echo "   a private interface: $(grep PRIVATE <<<"$versions" | sort -u | tr '\n' ' ')TOO NEW"
    failures=$((failures + 1))
fi
echo "   libraries: $(objdump -p "$plugin" | awk '$1 == "NEEDED" { printf "%s ", $2 }')"

if ((failures)); then
    echo "linux-check-runtime: symbols of versions Ubuntu 22.04 lacks:" >&2
    objdump -T "$plugin" | awk '/\*UND\*/ { gsub(/[()]/, "", $(NF - 1)); print $(NF - 1), $NF }' |
        sort -u -V | while read -r version symbol; do
            family=${version%%_*}
            number=${version#*_}
            if [[ $number == *PRIVATE* ]] ||
                { [[ $number =~ ^[0-9.]+$ ]] && [ -n "${limit[$family]:-}" ] &&
                    newer "$number" "${limit[$family]}"; }; then
                echo "  $symbol ($version)" >&2
            fi
        done
    exit 1
fi
