#!/usr/bin/env bash
# A TCP target that never answers, for probe tests: 198.18.0.2 is routed over a veth pair into a
# private network namespace where nobody owns it and nothing forwards, so SYNs vanish silently.
# Nothing leaves the machine: the only route to 198.18.0.0/30 is the veth itself.
# The near end also carries the link-local fe80::1, a local address for tests of scoped IPv6.
# Several test runs may overlap; the namespace stays up until the last of them stops.
set -euo pipefail

ns=mw-blackhole
near=mwbh0
far=mwbh1
near_addr=198.18.0.1/30
target=198.18.0.2
link_local=fe80::1
state=/run/mw-blackhole
me=$(basename "${MW_SERVICES_DIR:?MW_SERVICES_DIR is not set}")

fail() {
    echo "blackhole: $*" >&2
    exit 1
}

tear_down() {
    ip neigh del "$target" dev "$near" 2>/dev/null || true
    ip link del "$near" 2>/dev/null || true
    ip netns del "$ns" 2>/dev/null || true
}

build() {
    ip netns add "$ns" || return 1
    ip link add "$near" type veth peer name "$far" || return 1
    ip link set "$far" netns "$ns" || return 1
    ip netns exec "$ns" sysctl -qw net.ipv4.ip_forward=0 || return 1
    ip netns exec "$ns" ip link set "$far" up || return 1
    ip addr add "$near_addr" dev "$near" || return 1
    ip link set "$near" up || return 1
    ip -6 addr add "$link_local/64" dev "$near" nodad || return 1
    local mac
    mac=$(ip netns exec "$ns" cat "/sys/class/net/$far/address") || return 1
    ip neigh replace "$target" lladdr "$mac" dev "$near" nud permanent || return 1
}

# Users whose services folder is gone were killed without stopping; they no longer count.
prune_users() {
    local user
    for user in "$state"/users/*; do
        [[ -e "$user" ]] || continue
        [[ -d $(cat "$user") ]] || rm -f "$user"
    done
}

case "${1:-}" in
start)
    [[ $(id -u) -eq 0 ]] || fail "needs root to create a network namespace"
    command -v ip >/dev/null || fail "needs the ip tool (iproute2)"
    mkdir -p "$state/users"
    exec 9>"$state/lock"
    flock 9
    prune_users
    if ! ip netns exec "$ns" true 2>/dev/null || ! ip link show "$near" >/dev/null 2>&1; then
        tear_down
        if ! build 2>"$state/error"; then
            tear_down
            fail "cannot create network namespace $ns: $(tr '\n' ' ' <"$state/error")"
        fi
    fi
    echo "$MW_SERVICES_DIR" >"$state/users/$me"
    {
        echo "MW_BLACKHOLE_ADDR=$target"
        echo "MW_LINK_LOCAL_ADDR=$link_local%$near"
    } >"$MW_SERVICES_DIR/blackhole.env"
    ;;
stop)
    [[ -d "$state" ]] || exit 0
    exec 9>"$state/lock"
    flock 9
    rm -f "$state/users/$me"
    prune_users
    if [[ -z $(ls -A "$state/users" 2>/dev/null) ]]; then
        tear_down
    fi
    ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
