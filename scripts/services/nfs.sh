#!/usr/bin/env bash
# An NFS server on a loopback address of its own (127.x.y.z), exporting one folder over NFSv3:
# the user-space server with its VFS backend, and a small portmapper on port 111 of that address.
# The desktop's NFS client finds the mount and NFS programs only through port 111 and has no way to
# be told other ports, so each run takes an address of the 127/8 block that nobody listens on. The
# server registers with the portmapper at start through /run/rpcbind.sock; it runs in a mount
# namespace of its own where /run is a private folder holding this portmapper's socket, so the
# machine's own portmapper (if any) is never touched. No privileged source port is required.
# "pause" stops the server and "resume" starts it again on the same address and folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"
dir="${MW_SERVICES_DIR:?MW_SERVICES_DIR is not set}/nfs"
export_name=export
mount_port=20048

fail() {
    echo "nfs: $*" >&2
    exit 1
}

listening() {
    ss -Htln "src $1" | grep -q .
}

run_server() {
    local addr
    addr=$(cat "$dir/addr")
    setsid unshare --mount --propagation private \
        sh -c 'mount --bind "$1/run" /run && exec /usr/bin/ganesha.nfsd -F -f "$1/ganesha.conf" -L "$1/ganesha.log" -p "$1/ganesha.pid.own"' \
        sh "$dir" >"$dir/ganesha.out" 2>&1 &
    echo $! >"$dir/ganesha.pid"
    mw_wait_listening_on "$addr" 2049 20 || fail "the NFS server did not listen: $(tail -3 "$dir/ganesha.log" 2>/dev/null)"
}

stop_server() {
    mw_kill_pidfile "$dir/ganesha.pid"
}

# Like mw_wait_listening, for one address.
mw_wait_listening_on() {
    local addr=$1 port=$2 seconds=$3 i
    for ((i = 0; i < seconds * 10; i++)); do
        ss -Htln "src $addr and sport = :$port" | grep -q . && return 0
        sleep 0.1
    done
    return 1
}

case "${1:-}" in
start)
    [[ -x /usr/bin/ganesha.nfsd && -f /usr/lib/x86_64-linux-gnu/ganesha/libfsalvfs.so ]] \
        || fail "needs the nfs-ganesha and nfs-ganesha-vfs packages"
    command -v python3 >/dev/null || fail "needs python3"
    [[ $(id -u) -eq 0 ]] || fail "needs root for the server's mount namespace"
    addr=""
    for _ in $(seq 1 50); do
        candidate="127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 1))"
        listening "$candidate" || { addr=$candidate; break; }
    done
    [[ -n "$addr" ]] || fail "no free loopback address"
    mkdir -p "$dir/run" "$dir/recovery"
    echo "$addr" >"$dir/addr"
    files=$(mktemp -d /tmp/mw-nfs.XXXXXX)
    chmod 0755 "$files"
    echo "$files" >"$dir/served"
    echo "hello" >"$files/hello.txt"
    cat >"$dir/ganesha.conf" <<CONF
NFS_CORE_PARAM {
    Bind_addr = $addr;
    NFS_Port = 2049;
    MNT_Port = $mount_port;
    Protocols = 3;
    Enable_NLM = false;
    Enable_RQUOTA = false;
    Enable_UDP = false;
    Mount_Path_Pseudo = true;
}
NFS_KRB5 { Active_krb5 = false; }
NFSV4 { Graceless = true; RecoveryRoot = $dir/recovery; }
LOG { Default_Log_Level = WARN; }
EXPORT {
    Export_Id = 1;
    Path = $files;
    Pseudo = /$export_name;
    Access_Type = RW;
    Squash = No_Root_Squash;
    Protocols = 3;
    Transports = TCP;
    SecType = sys;
    FSAL { Name = VFS; }
}
CONF
    setsid python3 "$here/portmap.py" "$addr" "$dir/run/rpcbind.sock" 2049 "$mount_port" >"$dir/portmap.out" 2>&1 &
    echo $! >"$dir/portmap.pid"
    mw_wait_listening_on "$addr" 111 10 || fail "the portmapper did not listen: $(tail -3 "$dir/portmap.out")"
    run_server
    {
        echo "MW_NFS_HOST=$addr"
        echo "MW_NFS_EXPORT=$export_name"
        echo "MW_NFS_DIR=$files"
        echo "MW_NFS_CONTROL=$here/nfs.sh"
    } >"$MW_SERVICES_DIR/nfs.env"
    ;;
stop)
    # The portmapper outlives pauses of the server.
    [[ -d "$dir" ]] && stop_server
    mw_kill_pidfile "$dir/portmap.pid"
    mw_server_command stop addr "$dir/ganesha.pid"
    ;;
*)
    mw_server_command "${1:-}" addr "$dir/ganesha.pid"
    ;;
esac
