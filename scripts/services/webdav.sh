#!/usr/bin/env bash
# A WebDAV server on 127.0.0.1 at a free port: the web server's DAV module over a folder owned by
# www-data, behind basic authentication, with its own configuration in a temporary folder.
# "pause" stops the server and "resume" starts it again on the same port and folder; "freeze" and
# "thaw" stop and continue it without closing its port.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"
dir="${MW_SERVICES_DIR:?MW_SERVICES_DIR is not set}/webdav"
user=mwdav
password=dav-secret-1
url_path=dav
quota_used=1048576
quota_free=7340032

fail() {
    echo "webdav: $*" >&2
    exit 1
}

thaw_group() {
    [[ -f "$dir/httpd.pid" ]] && kill -CONT -- "-$(cat "$dir/httpd.pid")" 2>/dev/null || true
}

# A paused server is thawed first: a frozen one takes no signal to end until it runs again.
stop_server() {
    thaw_group
    mw_kill_pidfile "$dir/httpd.pid"
    mw_wait_closed "$(cat "$dir/port")" || fail "the port stayed open"
}

run_server() {
    setsid /usr/sbin/apache2 -f "$dir/httpd.conf" -DFOREGROUND >"$dir/httpd.out" 2>&1 &
    echo $! >"$dir/httpd.pid"
    mw_wait_listening "$(cat "$dir/port")" 15 || fail "the web server did not listen: $(tail -3 "$dir/httpd.out")"
}

case "${1:-}" in
start)
    [[ -x /usr/sbin/apache2 && -f /usr/lib/apache2/modules/mod_dav_fs.so ]] || fail "needs the apache2 package"
    [[ $(id -u) -eq 0 ]] || fail "needs root to serve as www-data"
    id www-data >/dev/null 2>&1 || fail "needs the www-data user"
    port=$(mw_free_port) || fail "no free port"
    mkdir -p "$dir"
    echo "$port" >"$dir/port"
    www=$(mw_www_folder "$user" "$password")
    mw_apache_dav_conf "$www" "$url_path" "Listen 127.0.0.1:$port"
    run_server
    # Size and free space as the share root's quota properties, which is how a client learns them.
    curl -fsS -o /dev/null -u "$user:$password" -X PROPPATCH -H 'Content-Type: application/xml' \
        --data "<?xml version=\"1.0\"?><D:propertyupdate xmlns:D=\"DAV:\"><D:set><D:prop>
            <D:quota-available-bytes>$quota_free</D:quota-available-bytes>
            <D:quota-used-bytes>$quota_used</D:quota-used-bytes></D:prop></D:set></D:propertyupdate>" \
        "http://127.0.0.1:$port/$url_path/" || fail "could not set the quota properties"
    {
        echo "MW_DAV_PORT=$port"
        echo "MW_DAV_PATH=$url_path"
        echo "MW_DAV_USER=$user"
        echo "MW_DAV_PASSWORD=$password"
        echo "MW_DAV_DIR=$www/files"
        echo "MW_DAV_CONTROL=$here/webdav.sh"
        echo "MW_DAV_SIZE=$((quota_used + quota_free))"
        echo "MW_DAV_FREE=$quota_free"
    } >"$MW_SERVICES_DIR/webdav.env"
    ;;
freeze)
    # The server keeps its connections but answers nothing until thawed, as a hung server would.
    # Stopping is only sure once every thread of the server says so.
    [[ -f "$dir/httpd.pid" ]] || fail "not running"
    group=$(cat "$dir/httpd.pid")
    kill -STOP -- "-$group"
    for _ in $(seq 1 100); do
        ps -L -o stat= -s "$group" | grep -qv '^T' || exit 0
        sleep 0.02
    done
    fail "the server did not stop"
    ;;
thaw)
    [[ -f "$dir/httpd.pid" ]] || fail "not running"
    kill -CONT -- "-$(cat "$dir/httpd.pid")"
    ;;
*)
    mw_server_command "${1:-}" port "$dir/httpd.pid" "|freeze|thaw"
    ;;
esac
