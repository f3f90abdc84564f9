#!/usr/bin/env bash
# WebDAV over HTTPS on 127.0.0.1: one web server with two ports over the same folder, one with a
# certificate from a test authority that the session trusts, one with a self-signed certificate.
# The authority is appended to $MW_SERVICES_DIR/trust/ca-certificates.crt, the bundle the
# file-system daemon of gvfs.sh reads in place of the system's; the machine's trust store is never touched.
# "pause" and "resume" stop and start the server; "rekey" gives the self-signed port a new key and
# certificate and restarts the server, as a replaced server would.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.bash"
dir="${MW_SERVICES_DIR:?MW_SERVICES_DIR is not set}/webdavs"
user=mwdavs
password=davs-secret-1
url_path=dav
modules=/usr/lib/apache2/modules

fail() {
    echo "webdavs: $*" >&2
    exit 1
}

run_server() {
    setsid /usr/sbin/apache2 -f "$dir/httpd.conf" -DFOREGROUND >"$dir/httpd.out" 2>&1 &
    echo $! >"$dir/httpd.pid"
    mw_wait_listening "$(cat "$dir/port")" 15 && mw_wait_listening "$(cat "$dir/self_port")" 5 \
        || fail "the web server did not listen: $(tail -3 "$dir/httpd.out")"
}

stop_server() {
    mw_kill_pidfile "$dir/httpd.pid"
    mw_wait_closed "$(cat "$dir/port")" && mw_wait_closed "$(cat "$dir/self_port")" || fail "the ports stayed open"
}

# A key and certificate for 127.0.0.1 in $1.key and $1.crt: self-signed, or signed by the test authority.
make_certificate() {
    local name=$1 signed=${2:-}
    local san="subjectAltName=IP:127.0.0.1,DNS:localhost"
    if [[ -z "$signed" ]]; then
        openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3 \
            -subj "/O=Mountwire Test/CN=127.0.0.1" -addext "$san" \
            -keyout "$dir/$name.key" -out "$dir/$name.crt" 2>/dev/null
    else
        openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
            -subj "/O=Mountwire Test/CN=127.0.0.1" -keyout "$dir/$name.key" -out "$dir/$name.csr" 2>/dev/null
        openssl x509 -req -in "$dir/$name.csr" -CA "$dir/ca.crt" -CAkey "$dir/ca.key" -CAcreateserial \
            -days 3 -extfile <(echo "$san") -out "$dir/$name.crt" 2>/dev/null
    fi
}

case "${1:-}" in
start)
    [[ -x /usr/sbin/apache2 && -f $modules/mod_ssl.so ]] || fail "needs the apache2 package"
    command -v openssl >/dev/null || fail "needs openssl"
    [[ $(id -u) -eq 0 ]] || fail "needs root to serve as www-data"
    [[ -f "$MW_SERVICES_DIR/trust/ca-certificates.crt" ]] || fail "needs the trust bundle of gvfs.sh"
    mkdir -p "$dir"
    port=$(mw_free_port) || fail "no free port"
    echo "$port" >"$dir/port"
    self_port=$(mw_free_port) || fail "no free port"
    [[ "$self_port" != "$port" ]] || self_port=$(mw_free_port) || fail "no free port"
    echo "$self_port" >"$dir/self_port"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3 \
        -subj "/O=Mountwire Test/CN=Mountwire Test Authority" -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" -keyout "$dir/ca.key" -out "$dir/ca.crt" 2>/dev/null \
        || fail "openssl could not make the test authority"
    # Appended, not replaced: the daemon sees the file through a bind mount of this very inode.
    cat "$dir/ca.crt" >>"$MW_SERVICES_DIR/trust/ca-certificates.crt"
    make_certificate trusted signed || fail "openssl could not sign the server certificate"
    make_certificate self || fail "openssl could not make the self-signed certificate"
    www=$(mw_www_folder "$user" "$password")
    mw_apache_dav_conf "$www" "$url_path" "Listen 127.0.0.1:$port
Listen 127.0.0.1:$self_port
LoadModule socache_shmcb_module $modules/mod_socache_shmcb.so
LoadModule ssl_module $modules/mod_ssl.so
SSLSessionCache shmcb:$dir/ssl_cache(512000)
<VirtualHost 127.0.0.1:$port>
    SSLEngine on
    SSLCertificateFile $dir/trusted.crt
    SSLCertificateKeyFile $dir/trusted.key
</VirtualHost>
<VirtualHost 127.0.0.1:$self_port>
    SSLEngine on
    SSLCertificateFile $dir/self.crt
    SSLCertificateKeyFile $dir/self.key
</VirtualHost>"
    run_server
    {
        echo "MW_DAVS_PORT=$port"
        echo "MW_DAVS_SELF_SIGNED_PORT=$self_port"
        echo "MW_DAVS_PATH=$url_path"
        echo "MW_DAVS_USER=$user"
        echo "MW_DAVS_PASSWORD=$password"
        echo "MW_DAVS_CONTROL=$here/webdavs.sh"
    } >"$MW_SERVICES_DIR/webdavs.env"
    ;;
rekey)
    [[ -f "$dir/port" ]] || fail "not started"
    stop_server
    make_certificate self || fail "openssl could not make the self-signed certificate"
    run_server
    ;;
*)
    mw_server_command "${1:-}" port "$dir/httpd.pid" "|rekey"
    ;;
esac
