#!/usr/bin/env bash
# Idle cost of the running application on the demonstration network: starts build/mountwire, lets it
# settle, then reports the CPU time it used (not wall time, so other work on the machine does not count)
# and its memory over a while; with --repeat, the median of several runs.
#   bench/idle_app.sh [--lines N] [--tray] [--calm] [--repeat R] [seconds]
#     --lines N    lines on the board (default 100: five samples and N - 5 plain ones)
#     --tray       the tray item only, the manager window never opened
#     --calm       every server answers and every mount succeeds: no retrying (dashed) line
#     seconds      how long each run is measured (default 180)
# The build folder is build/, or $MW_BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
lines=100 tray=0 trouble=1 repeat=1 seconds=180
while (($#)); do
    case $1 in
    --lines) lines=$2; shift 2 ;;
    --tray) tray=1; shift ;;
    --calm) trouble=0; shift ;;
    --repeat) repeat=$2; shift 2 ;;
    *) seconds=$1; shift ;;
    esac
done
app=${MW_BUILD_DIR:-build}/mountwire
[[ -x "$app" ]] || { echo "idle_app: build the application first (scripts/setup)" >&2; exit 1; }

pid= demo=
cleanup() {
    [[ -n $pid ]] && { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
    [[ -n $demo ]] && rm -rf "$demo"
    pid= demo=
}
trap cleanup EXIT

# Nanoseconds on a CPU, summed over the process's threads.
cpu_ns() { cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'; }
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$pid/status"; }

one_run() {
    demo=$(mktemp -d)
    local tray_env=()
    ((tray)) && tray_env=(MOUNTWIRE_TRAY=1)
    env MOUNTWIRE_DEMO_DIR="$demo" MOUNTWIRE_DEMO_LINES=$((lines - 5)) MOUNTWIRE_DEMO_TROUBLE=$trouble \
        "${tray_env[@]}" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$app" >/dev/null 2>&1 &
    pid=$!
    sleep 30 # start-up and the demonstration's warm-up are not idle
    kill -0 "$pid" 2>/dev/null || { echo "idle_app: the application ended early" >&2; exit 1; }
    local start end peak now
    start=$(cpu_ns)
    peak=$(rss)
    for ((i = 0; i < seconds; i += 5)); do
        sleep 5
        now=$(rss)
        ((now > peak)) && peak=$now
    done
    end=$(cpu_ns)
    results+=("$(((end - start) / 1000)) $peak")
    cleanup
}

results=()
for ((r = 0; r < repeat; ++r)); do
    one_run
done
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
cpu=$(printf '%s\n' "${results[@]}" | awk '{ print $1 }' | median)
mem=$(printf '%s\n' "${results[@]}" | awk '{ print $2 }' | median)
runs=$(printf '%s\n' "${results[@]}" | awk -v s="$seconds" '{ printf " %.3f", 100 * $1 / 1e6 / s }')
awk -v c="$cpu" -v m="$mem" -v s="$seconds" -v n="$lines" -v r="$repeat" -v runs="$runs" \
    -v where="$( ((tray)) && echo "tray only" || echo "window open")" \
    -v what="$( ((trouble)) && echo "one line retrying" || echo "every line steady")" 'BEGIN {
    printf "idle, %d lines, %s, %s: CPU %.3f %% of one core (median of %d runs of %d s:%s), resident memory %.1f MiB\n",
        n, where, what, 100 * c / 1e6 / s, r, s, runs, m / 1024
}'
