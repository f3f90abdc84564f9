#!/usr/bin/env bash
# Idle cost of the running application: starts build/mountwire on the demonstration network with 100 lines
# and its manager window open, lets it settle, then reports the CPU it used and its memory over a while.
#   bench/idle_app.sh [seconds]     (default 180; the build folder is build/, or $MW_BUILD_DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-180}
app=${MW_BUILD_DIR:-build}/mountwire
[[ -x "$app" ]] || { echo "idle_app: build the application first (scripts/setup)" >&2; exit 1; }

demo=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$demo"' EXIT
# Five sample lines plus 95 more.
MOUNTWIRE_DEMO_DIR="$demo" MOUNTWIRE_DEMO_LINES=95 QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
    "$app" >/dev/null 2>&1 &
pid=$!

ticks=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$pid/status"; }

sleep 15 # start-up and the demonstration's warm-up are not idle
kill -0 "$pid" 2>/dev/null || { echo "idle_app: the application ended early" >&2; exit 1; }
start_cpu=$(cpu)
start_rss=$(rss)
peak_rss=$start_rss
for ((i = 0; i < seconds; i += 5)); do
    sleep 5
    now=$(rss)
    ((now > peak_rss)) && peak_rss=$now
done
end_cpu=$(cpu)
end_rss=$(rss)

awk -v used="$((end_cpu - start_cpu))" -v hz="$ticks" -v s="$seconds" -v a="$start_rss" -v b="$end_rss" -v p="$peak_rss" '
BEGIN {
    printf "idle over %d s with 100 lines: CPU %.2f s = %.2f %% of one core\n", s, used / hz, 100 * used / hz / s
    printf "resident memory: %.1f MiB at start, %.1f MiB at end, %.1f MiB peak\n", a / 1024, b / 1024, p / 1024
}'
