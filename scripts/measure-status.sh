#!/usr/bin/env bash
# The status server's measured runs: eight inputs on simulated devices in real time.
#  1. Idle cost: CPU time of a run of N seconds with StatusPort set and /metrics scraped once a
#     second, against the same run without the server; the difference as a share of one core.
#  2. Load: wrk with 50 connections on /metrics for 30 s (latency percentiles), and the tick
#     overruns counted by the monitor before and after.
#
# usage: scripts/measure-status.sh [--build DIR] [--seconds N]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
seconds=60
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build="$(cd "$2" && pwd)"; shift ;;
        --seconds) seconds="$2"; shift ;;
        *) echo "measure-status: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done
for tool in wrk curl; do
    command -v $tool >/dev/null || { echo "measure-status: $tool is missing" >&2; exit 1; }
done
folder="$(mktemp -d "${TMPDIR:-/tmp}/sonivex-status-XXXXXX")"
trap 'kill $pid 2>/dev/null || true; rm -rf "$folder"' EXIT
port=$((20000 + RANDOM % 10000))
pid=

# settings for a run on `port` (0 = no status server)
write_ini() {
    {
        printf '[conf]\nNumRec=7\nAutoRec=1\nnFreq=48000\nStatusPort=%s\n' "$1"
        for n in 1 2 3 4 5 6 7 8; do
            printf 'AuditName_%d=Input %d\nDevInName_%d=Sim In %d\nSimSignal_%d=tone -20 100000\n' \
                $n $n $n $n $n
        done
    } >"$folder/sonivex.ini"
}

# CPU seconds (user + system) of process $1 so far
cpu_seconds() {
    awk -v hz="$(getconf CLK_TCK)" '{ printf "%.3f", ($14 + $15) / hz }' "/proc/$1/stat"
}

start() {
    write_ini "$1"
    XDG_CONFIG_HOME="$folder" "$build/sonivex" --dir "$folder" --headless --audio sim \
        >"$folder/out.txt" 2>&1 &
    pid=$!
    sleep 2
}

# CPU share of one core over `seconds`, scraping once a second when $1 is "scrape"
idle_run() {
    local before after
    before=$(cpu_seconds $pid)
    for _ in $(seq "$seconds"); do
        [ "$1" = scrape ] && curl -s -o /dev/null "http://127.0.0.1:$port/metrics"
        sleep 1
    done
    after=$(cpu_seconds $pid)
    awk -v a="$after" -v b="$before" -v s="$seconds" 'BEGIN { printf "%.4f", (a - b) / s * 100 }'
}

overruns() {
    curl -s "http://127.0.0.1:$port/metrics" | awk '/^sonivex_tick_overruns_total/ { print $2 }'
}

start 0
without=$(idle_run none)
kill $pid; wait $pid 2>/dev/null || true
start $port
with=$(idle_run scrape)
echo "idle CPU, $seconds s, 8 inputs: without server $without % of a core; with server and a scrape a second $with %; added $(awk -v a="$with" -v b="$without" 'BEGIN { printf "%.4f", a - b }') points"

first=$(overruns)
wrk -t 2 -c 50 -d 30s --latency "http://127.0.0.1:$port/metrics"
echo "tick overruns: $first before wrk, $(overruns) after"
