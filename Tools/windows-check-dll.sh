#!/usr/bin/env bash
# Checks the Windows modules in one build's bin folder with objdump: the plug-in exports
# FMExternCallProc and nothing else, no module imports a DLL that a Windows machine does not
# have (such as mingw-w64's libstdc++-6.dll), apart from the host's FMWrapper.dll, and none asks
# for a newer Windows than 10 (Windows Server 2019, the oldest the current FileMaker Server runs
# on). Prints what each module imports, the functions counted per DLL, and the Windows version
# it asks for.
# Usage: Tools/windows-check-dll.sh BIN_DIR
set -euo pipefail

bin=${1:?bin folder of a Windows build}
# The DLLs every Windows has, which the plug-in, the stand-in SDK and fmhost.exe may import.
system_dlls=" advapi32.dll bcrypt.dll crypt32.dll kernel32.dll msvcrt.dll rpcrt4.dll shell32.dll user32.dll winmm.dll ws2_32.dll "

failures=0
fail() {
    echo "windows-check-dll: $*" >&2
    failures=$((failures + 1))
}

# The names in the export table (objdump -p: "[Ordinal/Name Pointer] Table", one "[ n] name"
# line each).
exports() {
    objdump -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p'
}

imports() {
    objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr '[:upper:]' '[:lower:]'
}

# "KERNEL32.dll (81)" for each DLL the module imports, with the number of functions it takes.
import_counts() {
    objdump -p "$1" | awk '
        /^\tDLL Name:/ { dll = $3; order[++dlls] = dll; count[dll] = 0; next }
        /^$/ { dll = "" }
        dll != "" && /^\t[0-9a-f]+\t *[0-9]+ / { count[dll]++ }
        END { for (i = 1; i <= dlls; i++) printf "%s (%d)\n", order[i], count[order[i]] }'
}

# The Windows version a module asks for: the higher of its operating system and subsystem
# versions, as "major.minor".
windows_version() {
    objdump -p "$1" | awk '
        $1 ~ /^Major(OSystem|Subsystem)Version$/ { major[$1 ~ /OSystem/] = $2 }
        $1 ~ /^Minor(OSystem|Subsystem)Version$/ { minor[$1 ~ /OSystem/] = $2 }
        END {
            for (i = 0; i < 2; i++)
                if (major[i] > best_major || (major[i] == best_major && minor[i] > best_minor)) {
                    best_major = major[i]; best_minor = minor[i]
                }
            printf "%d.%d\n", best_major, best_minor
        }'
}

# check_imports MODULE [ALLOWED_DLL...]
check_imports() {
    local module=$1 dll
    shift
    local allowed="$system_dlls$* "
    local found
    found=$(imports "$module")
    [ -n "$found" ] || fail "$module: no import table read"
    for dll in $found; do
        [[ "$allowed" == *" $dll "* ]] || fail "$(basename "$module") imports $dll"
    done
    local version
    version=$(windows_version "$module")
    [ "$(printf '%s\n10.0\n' "$version" | sort -V | tail -n 1)" = 10.0 ] ||
        fail "$(basename "$module") asks for Windows $version"
    echo "-- $(basename "$module") asks for Windows $version or later and imports" \
        "$(import_counts "$module" | paste -s -d , | sed 's/,/, /g')"
}

plugins=()
for name in Talvero.fmx Talvero.fmx64; do
    [ -f "$bin/$name" ] && plugins+=("$bin/$name")
done
plugin=none
if ((${#plugins[@]} != 1)); then
    fail "expected one plug-in file, Talvero.fmx or Talvero.fmx64, in $bin; found ${#plugins[@]}"
else
    plugin=${plugins[0]}
    names=$(exports "$plugin" | tr '\n' ' ')
    [ "$names" = "FMExternCallProc " ] ||
        fail "$(basename "$plugin") exports [${names% }], not FMExternCallProc alone"
    check_imports "$plugin" fmwrapper.dll
fi
if [ -f "$bin/FMWrapper.dll" ]; then check_imports "$bin/FMWrapper.dll"; else fail "no FMWrapper.dll in $bin"; fi
if [ -f "$bin/fmhost.exe" ]; then check_imports "$bin/fmhost.exe" fmwrapper.dll; else fail "no fmhost.exe in $bin"; fi

if ((failures)); then
    exit 1
fi
echo "-- $bin: $(basename "$plugin") exports FMExternCallProc alone; only system DLLs and FMWrapper.dll imported"
