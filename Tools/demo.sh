#!/usr/bin/env bash
# The main job: builds Talvero and runs the example scripts through fmhost, the stand-in
# FileMaker host. By default it starts its own Radicale CardDAV server on 127.0.0.1 with a small
# demo address book and stops it at the end; with --server it runs against your server instead.
#
# Usage: Tools/demo.sh [--server URL --user NAME --password SECRET] [--json] [SCRIPT...]
#        Tools/demo.sh --list   (prints the scripts it runs by default, one per line)
#   SCRIPT   example scripts to run (default: every Examples/*.fmcalc that talks to a server)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TALVERO_BUILD_DIR:-$root/build}
# The fmhost that runs the scripts; another one (such as the Windows build under Wine) by
# TALVERO_FMHOST.
fmhost=${TALVERO_FMHOST:-$build_dir/bin/fmhost}
server="" user="" password="" format=() list=false
scripts=()
while (($#)); do
    case "$1" in
    --server) server=${2:?--server needs a URL}; shift 2 ;;
    --user) user=${2:?--user needs a name}; shift 2 ;;
    --password) password=${2?--password needs a value}; shift 2 ;;
    --json) format=(--json); shift ;;
    --list) list=true; shift ;;
    -h | --help) sed -n '2,8p' "$0"; exit 0 ;;
    *) scripts+=("$1"); shift ;;
    esac
done
if ((${#scripts[@]} == 0)); then
    for name in quickstart groups mapping sync; do
        [ -f "$root/Examples/$name.fmcalc" ] && scripts+=("$root/Examples/$name.fmcalc")
    done
fi
if $list; then
    printf '%s\n' "${scripts[@]}"
    exit 0
fi

bash "$root/Tools/setup.sh" "$build_dir" >/dev/null

if [ -z "$server" ]; then
    work=$(mktemp -d /tmp/talvero-demo-XXXXXX)
    user=demo password=demo-secret
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    server="http://127.0.0.1:$port"
    printf '%s:%s\n' "$user" "$password" >"$work/users"
    cat >"$work/config" <<EOF
[server]
hosts = 127.0.0.1:$port
[auth]
type = htpasswd
htpasswd_filename = $work/users
htpasswd_encryption = plain
delay = 0
[rights]
type = owner_only
[storage]
filesystem_folder = $work/collections
[web]
type = none
[logging]
level = warning
EOF
    radicale --config "$work/config" >"$work/server.log" 2>&1 &
    radicale_pid=$!
    trap 'kill "$radicale_pid" 2>/dev/null; wait "$radicale_pid" 2>/dev/null; rm -rf "$work"' EXIT
    for _ in $(seq 100); do
        curl -s -o /dev/null "$server/" && break
        sleep 0.1
    done

    # The demo address book: a few cards and a group, stored as another client would.
    dav() { curl -sS -f -o /dev/null -u "$user:$password" "$@"; }
    book="$server/$user/contacts/"
    dav -X MKCOL -H 'Content-Type: text/xml; charset=utf-8' "$book" --data-binary \
        '<?xml version="1.0" encoding="utf-8" ?><D:mkcol xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><D:set><D:prop><D:resourcetype><D:collection/><C:addressbook/></D:resourcetype><D:displayname>Contacts</D:displayname></D:prop></D:set></D:mkcol>'
    for card in "$root"/Examples/demo-book/*.vcf; do
        dav -X PUT -H 'Content-Type: text/vcard; charset=utf-8' --data-binary "@$card" \
            "$book$(basename "$card")"
    done
    echo "Demo server: $server (user $user), address book $book"
fi

# Runs one script with the settings; further arguments go to fmhost before it.
run() {
    local script=$1
    shift
    "$fmhost" "${format[@]}" --set "server=$server" --set "user=$user" \
        --set "password=$password" --set "examples=$root/Examples" "$@" "$script"
}

# The sync example twice: the initial sync, a change made by another client, then the
# incremental sync from the token the first run ended with.
run_sync() {
    local script=$1 output token
    output=$(mktemp /tmp/talvero-sync-XXXXXX)
    echo "--- initial sync"
    run "$script" --set token= | tee "$output" || status=$?
    token=$(python3 - "$output" <<'PY'
import json, sys
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
for i, line in enumerate(lines):
    if line.startswith("{"):
        entry = json.loads(line)
        if entry.get("var") == "token":
            print(entry["result"]["value"])
    elif line.startswith("$token = ") and i + 1 < len(lines):
        print(lines[i + 1].removeprefix("\u2192 "))
PY
)
    rm -f "$output"
    token=$(printf '%s\n' "$token" | tail -n 1)
    if [ -n "${book:-}" ]; then
        echo "--- another client changes Ada's note on the server"
        sed 's/^NOTE:.*/NOTE:Changed by another client since the last sync./' \
            "$root/Examples/demo-book/ada-lovelace.vcf" |
            dav -X PUT -H 'Content-Type: text/vcard; charset=utf-8' --data-binary @- \
                "${book}ada-lovelace.vcf"
    fi
    echo "--- incremental sync from the stored token"
    run "$script" --set "token=$token" || status=$?
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
