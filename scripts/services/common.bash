# Helpers shared by the test-service scripts (sourced, not run).

# The runtime folder the session services and the tests share; made private when the caller has none.
mw_runtime_dir() {
    if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
        XDG_RUNTIME_DIR="${MW_SERVICES_DIR:?MW_SERVICES_DIR is not set}/runtime"
    fi
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 0700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR
}

# A TCP port on loopback that nothing listens on now, below the kernel's range for outgoing
# connections: a port from that range can be taken by any client between the check and the bind.
mw_free_port() {
    local port low
    read -r low _ </proc/sys/net/ipv4/ip_local_port_range
    ((low > 11000)) || low=32768
    for _ in $(seq 1 200); do
        port=$((10000 + RANDOM % (low - 10000)))
        if ! ss -Htln "sport = :$port" | grep -q .; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

# Waits until something listens on 127.0.0.1:$1, for at most $2 seconds.
mw_wait_listening() {
    local port=$1 seconds=${2:-10} i
    for ((i = 0; i < seconds * 10; i++)); do
        if ss -Htln "sport = :$port" | grep -q .; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Waits until nothing listens on 127.0.0.1:$1 any more.
mw_wait_closed() {
    local port=$1 i
    for ((i = 0; i < 100; i++)); do
        ss -Htln "sport = :$port" | grep -q . || return 0
        sleep 0.1
    done
    return 1
}

# Whether process $1 still runs; a zombie nobody reaps has finished.
mw_running() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [[ -n "$state" && "$state" != Z ]]
}

# Stops the process whose id is in file $1 (if it still runs) and removes the file.
mw_kill_pidfile() {
    local file=$1 pid i
    [[ -f "$file" ]] || return 0
    pid=$(cat "$file")
    if [[ -n "$pid" ]] && mw_running "$pid"; then
        kill "$pid" 2>/dev/null || true
        for ((i = 0; i < 50; i++)); do
            mw_running "$pid" || break
            sleep 0.1
        done
        mw_running "$pid" && kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$file"
}

# The "pause", "resume" and "stop" of a server script, over its own run_server and stop_server, its
# state in $dir (the caller's) and $dir/$2 made by "start"; $3 is the server's pid file. "stop" also
# removes the served folder named in $dir/served. Anything else is answered with the usage, $4 naming
# the script's own further commands.
mw_server_command() {
    local command=$1 marker=$2 pidfile=$3 more=${4:-}
    case "$command" in
    pause | resume)
        [[ -f "$dir/$marker" ]] || fail "not started"
        if [[ $command == pause ]]; then
            stop_server
        elif ! { [[ -f "$pidfile" ]] && mw_running "$(cat "$pidfile")"; }; then
            run_server
        fi
        ;;
    stop)
        [[ -d "$dir" ]] || return 0
        stop_server
        [[ -f "$dir/served" ]] && rm -rf "$(cat "$dir/served")"
        rm -rf "$dir"
        ;;
    *)
        echo "usage: $0 start|pause|resume|stop$more" >&2
        exit 2
        ;;
    esac
}

# The web server's configuration in $dir/httpd.conf (the caller's $dir): the DAV module over $1/files
# at /$2, behind basic authentication with $1/htpasswd. $3 holds the caller's own lines (its Listen
# lines, and for TLS its modules and virtual hosts).
mw_apache_dav_conf() {
    local www=$1 url_path=$2 own=$3 modules=/usr/lib/apache2/modules
    cat >"$dir/httpd.conf" <<CONF
ServerRoot $dir
ServerName 127.0.0.1
PidFile $dir/httpd.pid.apache
DefaultRuntimeDir $dir
Mutex file:$dir default
ErrorLog $dir/error.log
LogLevel warn
User www-data
Group www-data
LoadModule mpm_event_module $modules/mod_mpm_event.so
LoadModule authz_core_module $modules/mod_authz_core.so
LoadModule authz_user_module $modules/mod_authz_user.so
LoadModule authn_core_module $modules/mod_authn_core.so
LoadModule authn_file_module $modules/mod_authn_file.so
LoadModule auth_basic_module $modules/mod_auth_basic.so
LoadModule alias_module $modules/mod_alias.so
LoadModule dav_module $modules/mod_dav.so
LoadModule dav_fs_module $modules/mod_dav_fs.so
StartServers 1
ServerLimit 2
ThreadsPerChild 16
MaxRequestWorkers 32
$own
DavLockDB $www/lock/davlock
DocumentRoot $www/root
Alias /$url_path $www/files
<Directory />
    Require all denied
</Directory>
<Directory $www/files>
    Dav On
    AuthType Basic
    AuthName "Mountwire test"
    AuthUserFile $www/htpasswd
    Require valid-user
</Directory>
CONF
}

# The folder a web server's children serve as www-data, outside the services folder (private to root),
# with one file and the password file; its path is printed and kept in $dir/served.
mw_www_folder() {
    local user=$1 password=$2 www
    www=$(mktemp -d "/tmp/mw-$(basename "$dir").XXXXXX")
    chmod 0755 "$www"
    echo "$www" >"$dir/served"
    mkdir -p "$www/root" "$www/files" "$www/lock"
    echo "hello" >"$www/files/hello.txt"
    chown -R www-data:www-data "$www/files" "$www/lock"
    htpasswd -b -c "$www/htpasswd" "$user" "$password" >/dev/null 2>&1 || fail "htpasswd failed"
    chmod 0644 "$www/htpasswd"
    echo "$www"
}
