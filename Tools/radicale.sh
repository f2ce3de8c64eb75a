# Sourced by the scripts that run a Radicale of their own on 127.0.0.1 (demo.sh,
# windows-smoke.sh). Needs radicale, curl and python3.

# free_port: prints a free TCP port on 127.0.0.1.
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# start_radicale FOLDER PORT USER PASSWORD [CERT KEY]: starts Radicale serving FOLDER/collections
# to USER (plain passwords, no delay after a failed login), over HTTPS with CERT and KEY if
# given, and waits until it answers. Sets radicale_pid and radicale_url; on failure prints the
# server's log and returns 1.
start_radicale() {
    local folder=$1 port=$2 user=$3 password=$4 cert=${5:-} key=${6:-}
    local scheme=http tls=""
    if [ -n "$cert" ]; then
        scheme=https
        tls=$(printf 'ssl = True\ncertificate = %s\nkey = %s' "$cert" "$key")
    fi
    printf '%s:%s\n' "$user" "$password" >"$folder/users"
    cat >"$folder/radicale.conf" <<EOF
[server]
hosts = 127.0.0.1:$port
$tls
[auth]
type = htpasswd
htpasswd_filename = $folder/users
htpasswd_encryption = plain
delay = 0
[rights]
type = owner_only
[storage]
filesystem_folder = $folder/collections
[web]
type = none
[logging]
level = warning
EOF
    radicale --config "$folder/radicale.conf" >"$folder/radicale.log" 2>&1 &
    radicale_pid=$!
    radicale_url=$scheme://127.0.0.1:$port
    for _ in $(seq 100); do
        curl -sk -o /dev/null "$radicale_url/" && return 0
        kill -0 "$radicale_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "Radicale did not start at $radicale_url:" >&2
    cat "$folder/radicale.log" >&2
    return 1
}

# make_address_book URL USER PASSWORD [NAME]: creates the address book at URL (ending in "/").
make_address_book() {
    curl -sSkf -o /dev/null -u "$2:$3" -X MKCOL -H 'Content-Type: text/xml; charset=utf-8' "$1" \
        --data-binary '<?xml version="1.0" encoding="utf-8" ?><D:mkcol xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><D:set><D:prop><D:resourcetype><D:collection/><C:addressbook/></D:resourcetype><D:displayname>'"${4:-Contacts}"'</D:displayname></D:prop></D:set></D:mkcol>'
}
