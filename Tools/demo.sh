#!/usr/bin/env bash
# The main job: builds the plug-in and fmhost, the stand-in FileMaker host, and runs the example
# scripts through fmhost. By default it starts its own Radicale CardDAV server on 127.0.0.1 with
# a small demo address book and stops it at the end; with --server it runs against yours.
#
# Usage: Tools/demo.sh [--port N | --server URL --user NAME --password SECRET] [--json] [SCRIPT...]
#        Tools/demo.sh --list   (prints the scripts it runs by default, one per line)
#   --port N   the port of the demo's own Radicale (default: a free one)
#   --json     fmhost's output as one JSON object per statement
#   SCRIPT     example scripts to run (default: the examples that talk to a server)
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
    -h | --help) sed -n '2,12p' "$0"; exit 0 ;;
    *) scripts+=("$1"); shift ;;
    esac
done
if [ -n "$server" ] && [ -n "$port" ]; then
    echo "demo.sh: --port is for the demo's own server, not with --server" >&2
    exit 1
fi
if ((${#scripts[@]} == 0)); then
    for name in quickstart import sync newcard groups mapping; do
        [ -f "$root/Examples/$name.fmcalc" ] && scripts+=("$root/Examples/$name.fmcalc")
    done
fi
if $list; then
    printf '%s\n' "${scripts[@]}"
    exit 0
fi

echo "==> Building the plug-in and fmhost in $build_dir (the first time takes a few minutes)"
bash "$root/Tools/setup.sh" --progress --target Talvero --target fmhost "$build_dir"

book=""
if [ -z "$server" ]; then
    work=$(mktemp -d /tmp/talvero-demo-XXXXXX)
    user=demo password=demo-secret
    [ -n "$port" ] || port=$(free_port)
    echo "==> Starting Radicale at http://127.0.0.1:$port (user $user)"
    radicale_pid=""
    trap '[ -z "$radicale_pid" ] || { kill "$radicale_pid" 2>/dev/null; wait "$radicale_pid" 2>/dev/null; }; rm -rf "$work"' EXIT
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

# Runs one script with the settings; further arguments go to fmhost before it.
run() {
    local script=$1
    shift
    "$fmhost" "${format[@]}" --set "server=$server" --set "user=$user" \
        --set "password=$password" --set "examples=$root/Examples" "$@" "$script"
}

# The last value a run gave the variable $NAME, from its output (readable or JSON).
last_value() {
    python3 - "$1" "$2" <<'PY'
import json, sys
name, path = sys.argv[1], sys.argv[2]
lines = open(path, encoding="utf-8", newline="\n").read().split("\n")
value, after = "", False
for line in lines:
    if line.startswith("{"):
        entry = json.loads(line)
        if entry.get("var") == name:
            value = entry["result"]["value"] or ""
    elif line.startswith("$" + name + " = "):
        after = True
    elif after and line.startswith("\u2192 "):
        value, after = line[2:], False
print(value)
PY
}

# The sync example twice: the initial sync, then changes another client makes on the server
# (Examples/demo-book/other-client: cards it puts, and in "deleted" the cards it deletes), then
# the incremental sync from the token and the table the first run ended with.
run_sync() {
    local script=$1 output token table
    output=$(mktemp /tmp/talvero-sync-XXXXXX)
    echo "--- initial sync: no token stored yet"
    run "$script" --set token= --set table= | tee "$output" || status=$?
    token=$(last_value token "$output")
    table=$(last_value table "$output")
    rm -f "$output"
    if [ -n "$book" ]; then
        echo "--- another client changes Ada's note, deletes Grace Hopper and takes her out of Pioneers"
        for card in "$root"/Examples/demo-book/other-client/*.vcf; do
            put_card "$card"
        done
        while read -r name; do
            dav -X DELETE "$book$name"
        done <"$root/Examples/demo-book/other-client/deleted"
    fi
    echo "--- incremental sync from the stored token and table"
    run "$script" --set "token=$token" --set "table=$table" || status=$?
}

status=0
for script in "${scripts[@]}"; do
    echo
    echo "=== $(basename "$script")"
    if [ "$(basename "$script")" = sync.fmcalc ]; then
        run_sync "$script"
    else
        run "$script" || status=$?
    fi
done
exit "$status"
