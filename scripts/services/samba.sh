#!/usr/bin/env bash
# An SMB file server on 127.0.0.1 at a free port, with one share and one user, all its state in
# the services folder. "pause" stops the server and "resume" starts it again on the same port and
# share, so a test can take the server away and bring it back.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"
dir="${MW_SERVICES_DIR:?MW_SERVICES_DIR is not set}/samba"
unix_user=mwshare
password=share-secret-1
share=files

fail() {
    echo "samba: $*" >&2
    exit 1
}

run_server() {
    # smbd signals its whole process group when told to stop, so it gets a group of its own.
    setsid /usr/sbin/smbd --foreground --no-process-group -s "$dir/smb.conf" >"$dir/smbd.out" 2>&1 &
    echo $! >"$dir/smbd.pid"
    mw_wait_listening "$(cat "$dir/port")" 15 || fail "smbd did not listen: $(tail -3 "$dir/smbd.out")"
}

# smbd forks one child per client; a paused server must drop its clients too.
stop_server() {
    local pid children child
    [[ -f "$dir/smbd.pid" ]] || return 0
    pid=$(cat "$dir/smbd.pid")
    children=$(pgrep -P "$pid" 2>/dev/null || true)
    mw_kill_pidfile "$dir/smbd.pid"
    for child in $children; do
        mw_running "$child" && kill "$child" 2>/dev/null || true
    done
    mw_wait_closed "$(cat "$dir/port")" || fail "the port stayed open"
}

case "${1:-}" in
start)
    [[ -x /usr/sbin/smbd ]] || fail "needs the samba package"
    [[ $(id -u) -eq 0 ]] || fail "needs root to run smbd"
    port=$(mw_free_port) || fail "no free port"
    mkdir -p "$dir"/{private,lock,state,cache,pid,log,ncalrpc}
    echo "$port" >"$dir/port"
    id "$unix_user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$unix_user"
    # The services folder is private to root; the share is served as its user.
    files=$(mktemp -d /tmp/mw-samba.XXXXXX)
    chmod 0755 "$files"
    echo "$files" >"$dir/served"
    echo "hello" >"$files/hello.txt"
    chown -R "$unix_user" "$files"
    cat >"$dir/smb.conf" <<CONF
[global]
    server role = standalone server
    smb ports = $port
    interfaces = lo
    bind interfaces only = yes
    # It would announce itself to whatever discovery daemon it finds, such as the browser tests' one.
    multicast dns register = no
    disable netbios = yes
    server min protocol = SMB2
    map to guest = never
    passdb backend = tdbsam:$dir/private/passdb.tdb
    private dir = $dir/private
    lock directory = $dir/lock
    state directory = $dir/state
    cache directory = $dir/cache
    pid directory = $dir/pid
    ncalrpc dir = $dir/ncalrpc
    log file = $dir/log/smbd.log
    load printers = no
    printing = bsd
    printcap name = /dev/null
    disable spoolss = yes

[$share]
    path = $files
    read only = no
    valid users = $unix_user
CONF
    printf '%s\n%s\n' "$password" "$password" | smbpasswd -c "$dir/smb.conf" -s -a "$unix_user" >/dev/null \
        || fail "smbpasswd could not add $unix_user"
    run_server
    {
        echo "MW_SMB_PORT=$port"
        echo "MW_SMB_USER=$unix_user"
        echo "MW_SMB_PASSWORD=$password"
        echo "MW_SMB_SHARE=$share"
        echo "MW_SMB_DIR=$files"
        echo "MW_SMB_CONTROL=$here/samba.sh"
    } >"$MW_SERVICES_DIR/samba.env"
    ;;
*)
    mw_server_command "${1:-}" port "$dir/smbd.pid"
    ;;
esac
