#!/usr/bin/env bash
# The main job: builds the plug-in and fmhost, the stand-in FileMaker host, and runs the example
# scripts through fmhost. By default it starts its own Radicale CardDAV server on 127.0.0.1 with
# a small demo address book and stops it at the end; with --server it runs against yours.
#
# Usage: Tools/demo.sh [--port N | --server URL --user NAME --password SECRET] [--json] [SCRIPT...]
#        Tools/demo.sh --list   (prints the scripts it runs by default, one per line)
#   --port N   the port of the demo's own Radicale (default: a free one)
#   --json     fmhost's output as one JSON object per statement or script step
#   SCRIPT     example scripts to run (default: the examples that talk to a server); the FileMaker
#              scripts (.fmscript) work on copies of the example tables, and a script named alone
#              gets what it works on: sync.fmscript the import, delete.fmscript the new contact
# TALVERO_BUILD_DIR is the build folder (default: build); TALVERO_FMHOST another fmhost to run the
# scripts with (such as the Windows build under Wine).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=radicale.sh
source "$root/Tools/radicale.sh"
build_dir=${TALVERO_BUILD_DIR:-$root/build}
fmhost=${TALVERO_FMHOST:-$build_dir/bin/fmhost}
server="" user="" password="" port="" format=() list=false
scripts=()
while (($#)); do
    case "$1" in
    --server) server=${2:?--server needs a URL}; shift 2 ;;
    --user) user=${2:?--user needs a name}; shift 2 ;;
    --password) password=${2?--password needs a value}; shift 2 ;;
    --port) port=${2:?--port needs a number}; shift 2 ;;
    --json) format=(--json); shift ;;
    --list) list=true; shift ;;
    -h | --help) sed -n '2,14p' "$0"; exit 0 ;;
    *) scripts+=("$1"); shift ;;
    esac
done
if [ -n "$server" ] && [ -n "$port" ]; then
    echo "demo.sh: --port is for the demo's own server, not with --server" >&2
    exit 1
fi
if ((${#scripts[@]} == 0)); then
    for name in quickstart.fmcalc import.fmscript sync.fmscript newcard.fmscript delete.fmscript \
        groups.fmcalc mapping.fmcalc; do
        scripts+=("$root/Examples/$name")
    done
fi
if $list; then
    printf '%s\n' "${scripts[@]}"
    exit 0
fi

echo "==> Building the plug-in and fmhost in $build_dir (the first time takes a few minutes)"
bash "$root/Tools/setup.sh" --progress --target Talvero --target fmhost "$build_dir"

book=""
work=$(mktemp -d /tmp/talvero-demo-XXXXXX)
radicale_pid=""
trap '[ -z "$radicale_pid" ] || { kill "$radicale_pid" 2>/dev/null; wait "$radicale_pid" 2>/dev/null; }; rm -rf "$work"' EXIT
if [ -z "$server" ]; then
    user=demo password=demo-secret
    [ -n "$port" ] || port=$(free_port)
    echo "==> Starting Radicale at http://127.0.0.1:$port (user $user)"
    start_radicale "$work" "$port" "$user" "$password" || exit 1
    server=$radicale_url

    # The demo address book: a few cards and a group, stored as another client would.
    dav() { curl -sS -f -o /dev/null -u "$user:$password" "$@"; }
    put_card() { dav -X PUT -H 'Content-Type: text/vcard; charset=utf-8' --data-binary "@$1" "$book$(basename "$1")"; }
    book="$server/$user/contacts/"
    make_address_book "$book" "$user" "$password"
    for card in "$root"/Examples/demo-book/*.vcf; do
        put_card "$card"
    done
    echo "==> Demo address book $book: $(grep -h '^FN:' "$root"/Examples/demo-book/*.vcf | cut -c4- | paste -sd, | sed 's/,/, /g')"
fi

# The table a FileMaker script works on: a copy of the example table, made on first use and kept
# for the scripts after it (the new contact's for newcard and delete, the contacts' for the rest),
# with the picture its records name.
table_of() {
    local name=Contacts.json
    case "$(basename "$1")" in newcard.fmscript | delete.fmscript) name=NewContact.json ;; esac
    if [ ! -f "$work/$name" ]; then
        cp "$root/Examples/$name" "$root/Examples/portrait.png" "$work/"
    fi
    echo "$work/$name"
}

# Runs one script with the settings, on its table when it is a FileMaker script.
run() {
    local script=$1 table=()
    [[ $script != *.fmscript ]] || table=(--table "$(table_of "$script")")
    "$fmhost" "${format[@]}" --set "server=$server" --set "user=$user" \
        --set "password=$password" --set "examples=$root/Examples" "${table[@]}" "$script"
}

ran=" "
# Runs a script after what it works on: the import before the sync, the new contact before its
# deletion (when they have not run yet).
run_example() {
    local script=$1 name
    name=$(basename "$script")
    case "$name" in
    sync.fmscript)
        if [[ $ran != *" import.fmscript "* ]]; then
            echo "--- the import first: the sync works on an imported table"
            run_example "$root/Examples/import.fmscript"
        fi
        if [ -n "$book" ]; then
            echo "--- a user edits Ada Lovelace's title in FileMaker"
            run "$root/Examples/demo-book/edit-title.fmscript" || status=$?
            echo "--- another client changes Ada's note, deletes Grace Hopper and takes her out of Pioneers"
            for card in "$root"/Examples/demo-book/other-client/*.vcf; do
                put_card "$card"
            done
            while read -r deleted; do
                dav -X DELETE "$book$deleted"
            done <"$root/Examples/demo-book/other-client/deleted"
            echo "--- the sync"
        fi
        ;;
    delete.fmscript)
        if [[ $ran != *" newcard.fmscript "* ]]; then
            echo "--- the new contact first, to be deleted"
            run_example "$root/Examples/newcard.fmscript"
        fi
        ;;
    esac
    run "$script" || status=$?
    ran+="$name "
}

status=0
for script in "${scripts[@]}"; do
    echo
    echo "=== $(basename "$script")"
    run_example "$script"
done
exit "$status"
