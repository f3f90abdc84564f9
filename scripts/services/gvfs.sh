#!/usr/bin/env bash
# The desktop's virtual file-system daemon and its FUSE bridge inside the test session, so that
# network shares can be mounted and show up under $XDG_RUNTIME_DIR/gvfs.
# The daemon trusts what the system trusts plus the anchors other services append to
# $MW_SERVICES_DIR/trust/ca-certificates.crt: as root it runs in a mount namespace of its own where
# that file stands in for the system bundle, the one file its TLS stack reads; the machine's
# trust store stays as it is.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"
dir="${MW_SERVICES_DIR:?MW_SERVICES_DIR is not set}/gvfs"

fail() {
    echo "gvfs: $*" >&2
    exit 1
}

case "${1:-}" in
start)
    [[ -x /usr/libexec/gvfsd && -x /usr/libexec/gvfsd-fuse ]] || fail "needs the gvfs and gvfs-fuse packages"
    [[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]] || fail "needs a D-Bus session bus"
    [[ -c /dev/fuse ]] || fail "needs /dev/fuse"
    mw_runtime_dir
    # A desktop session of this user may have its own bridge there already.
    if grep -qs " $XDG_RUNTIME_DIR/gvfs " /proc/self/mounts; then
        XDG_RUNTIME_DIR="$MW_SERVICES_DIR/runtime"
        mw_runtime_dir
    fi
    mkdir -p "$dir" "$XDG_RUNTIME_DIR/gvfs"
    echo "$XDG_RUNTIME_DIR" >"$dir/runtime"
    # Only the daemon's own mounts matter here; the disk and phone monitors just slow every client down.
    export GVFS_REMOTE_VOLUME_MONITOR_IGNORE=1
    system_bundle=/etc/ssl/certs/ca-certificates.crt
    mkdir -p "$MW_SERVICES_DIR/trust"
    bundle="$MW_SERVICES_DIR/trust/ca-certificates.crt"
    cat "$system_bundle" >"$bundle" 2>/dev/null || : >"$bundle"
    if [[ $(id -u) -eq 0 && -f "$system_bundle" ]]; then
        unshare --mount --propagation private \
            sh -c 'mount --bind "$1" "$2" && exec /usr/libexec/gvfsd --replace --no-fuse' sh "$bundle" "$system_bundle" \
            >"$dir/gvfsd.log" 2>&1 &
    else
        /usr/libexec/gvfsd --replace --no-fuse >"$dir/gvfsd.log" 2>&1 &
    fi
    echo $! >"$dir/gvfsd.pid"
    for _ in $(seq 1 50); do
        gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
            --method org.freedesktop.DBus.NameHasOwner org.gtk.vfs.Daemon 2>/dev/null | grep -q true && break
        sleep 0.1
    done
    /usr/libexec/gvfsd-fuse "$XDG_RUNTIME_DIR/gvfs" -f >"$dir/fuse.log" 2>&1 &
    echo $! >"$dir/fuse.pid"
    for _ in $(seq 1 50); do
        grep -qs " $XDG_RUNTIME_DIR/gvfs " /proc/self/mounts && break
        sleep 0.1
    done
    grep -qs " $XDG_RUNTIME_DIR/gvfs " /proc/self/mounts || fail "the FUSE bridge did not come up: $(tail -3 "$dir/fuse.log")"
    {
        echo "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR"
        echo "MW_GVFS_DIR=$XDG_RUNTIME_DIR/gvfs"
        echo "GVFS_REMOTE_VOLUME_MONITOR_IGNORE=1"
    } >"$MW_SERVICES_DIR/gvfs.env"
    ;;
stop)
    [[ -d "$dir" ]] || exit 0
    [[ -f "$dir/runtime" ]] && XDG_RUNTIME_DIR=$(cat "$dir/runtime")
    [[ -n "${XDG_RUNTIME_DIR:-}" ]] && fusermount -u -z "$XDG_RUNTIME_DIR/gvfs" 2>/dev/null || true
    mw_kill_pidfile "$dir/fuse.pid"
    # The daemon's children are the backends of mounts the tests left behind.
    backends=""
    [[ -f "$dir/gvfsd.pid" ]] && backends=$(pgrep -P "$(cat "$dir/gvfsd.pid")" 2>/dev/null || true)
    mw_kill_pidfile "$dir/gvfsd.pid"
    for pid in $backends; do
        mw_running "$pid" && kill "$pid" 2>/dev/null || true
    done
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
