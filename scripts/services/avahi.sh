#!/usr/bin/env bash
# A local service-discovery daemon for the file-server browser's tests. It runs in a network namespace of
# its own with only loopback up, so its multicast never leaves that namespace, and it talks to clients
# over a private system bus whose socket is a plain file (reachable from any namespace). Tests point
# DBUS_SYSTEM_BUS_ADDRESS at $MW_AVAHI_BUS and publish services with avahi-publish.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"
dir="${MW_SERVICES_DIR:?MW_SERVICES_DIR is not set}/avahi"
ns="mw-avahi-$(basename "$MW_SERVICES_DIR" | tr -c 'A-Za-z0-9\n' '-')"
host=mountwire-test

fail() {
    echo "avahi: $*" >&2
    exit 1
}

tear_down() {
    mw_kill_pidfile "$dir/daemon.pid"
    mw_kill_pidfile "$dir/bus.pid"
    ip netns del "$ns" 2>/dev/null || true
}

case "${1:-}" in
start)
    [[ $(id -u) -eq 0 ]] || fail "needs root for a network namespace"
    for tool in avahi-daemon avahi-publish dbus-daemon ip unshare; do
        command -v "$tool" >/dev/null || fail "needs $tool (packages avahi-daemon, avahi-utils, dbus, iproute2)"
    done
    mkdir -p "$dir"
    cat >"$dir/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$dir/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
    cat >"$dir/avahi-daemon.conf" <<CONF
[server]
host-name=$host
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
enable-dbus=yes
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
publish-addresses=yes
CONF
    dbus-daemon --config-file="$dir/bus.conf" --nofork --nopidfile >"$dir/bus.log" 2>&1 &
    echo $! >"$dir/bus.pid"
    for _ in $(seq 1 50); do
        [[ -S "$dir/system_bus_socket" ]] && break
        sleep 0.1
    done
    [[ -S "$dir/system_bus_socket" ]] || { tear_down; fail "the private system bus did not start: $(tail -3 "$dir/bus.log")"; }

    if ! ip netns add "$ns" 2>"$dir/netns.log" || ! ip -n "$ns" link set lo up 2>>"$dir/netns.log"; then
        tear_down
        fail "cannot create network namespace $ns: $(tr '\n' ' ' <"$dir/netns.log")"
    fi
    # The daemon insists on one pid file per machine; a private /run/avahi-daemon lets runs overlap.
    mkdir -p /run/avahi-daemon
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$dir/system_bus_socket" ip netns exec "$ns" \
        unshare --mount sh -c 'mount -t tmpfs mw-avahi /run/avahi-daemon && exec avahi-daemon \
            --no-drop-root --no-chroot --no-rlimits -f "$1"' sh "$dir/avahi-daemon.conf" \
        >"$dir/daemon.log" 2>&1 &
    echo $! >"$dir/daemon.pid"
    for _ in $(seq 1 100); do
        grep -q "Server startup complete" "$dir/daemon.log" && break
        mw_running "$(cat "$dir/daemon.pid")" || break
        sleep 0.1
    done
    grep -q "Server startup complete" "$dir/daemon.log" || { tear_down; fail "the daemon did not start: $(tail -3 "$dir/daemon.log" | tr '\n' ' ')"; }
    {
        echo "MW_AVAHI_BUS=unix:path=$dir/system_bus_socket"
        echo "MW_AVAHI_HOST=$host.local"
    } >"$MW_SERVICES_DIR/avahi.env"
    ;;
stop)
    [[ -d "$dir" ]] || exit 0
    tear_down
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
