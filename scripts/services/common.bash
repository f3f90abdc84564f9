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

# A TCP port on loopback that nothing listens on now.
mw_free_port() {
    local port
    for _ in $(seq 1 200); do
        port=$((20000 + RANDOM % 40000))
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
