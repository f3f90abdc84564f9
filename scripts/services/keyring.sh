#!/usr/bin/env bash
# A password store on the test session's bus: the keyring daemon's secrets component with a login
# collection created and unlocked with a throw-away password. Its files live in the services folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"
dir="${MW_SERVICES_DIR:?MW_SERVICES_DIR is not set}/keyring"

fail() {
    echo "keyring: $*" >&2
    exit 1
}

case "${1:-}" in
start)
    command -v gnome-keyring-daemon >/dev/null || fail "needs the gnome-keyring package"
    [[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]] || fail "needs a D-Bus session bus"
    mw_runtime_dir
    mkdir -p "$dir/data" "$dir/control"
    chmod 0700 "$dir/control"
    # An empty password would make the daemon wait for a prompt that never comes.
    XDG_DATA_HOME="$dir/data" gnome-keyring-daemon --foreground --unlock --components=secrets \
        --control-directory="$dir/control" < <(echo -n test) >"$dir/daemon.log" 2>&1 &
    echo $! >"$dir/daemon.pid"
    for _ in $(seq 1 100); do
        gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
            --method org.freedesktop.DBus.NameHasOwner org.freedesktop.secrets 2>/dev/null | grep -q true && break
        sleep 0.1
    done
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner org.freedesktop.secrets 2>/dev/null | grep -q true \
        || fail "the daemon did not claim the secrets name: $(tail -3 "$dir/daemon.log")"
    echo "MW_KEYRING_DATA=$dir/data" >"$MW_SERVICES_DIR/keyring.env"
    ;;
stop)
    [[ -d "$dir" ]] || exit 0
    mw_kill_pidfile "$dir/daemon.pid"
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
