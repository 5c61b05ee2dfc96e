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
trap 'kill $plain $served 2>/dev/null || true; rm -rf "$folder"' EXIT
port=$((20000 + RANDOM % 10000))
plain= served=

# a run in folder $1 with StatusPort $2 (0 = no status server); sets pid
start() {
    mkdir -p "$1"
    {
        printf '[conf]\nNumRec=7\nAutoRec=1\nnFreq=48000\nStatusPort=%s\n' "$2"
        for n in 1 2 3 4 5 6 7 8; do
            printf 'AuditName_%d=Input %d\nDevInName_%d=Sim In %d\nSimSignal_%d=tone -20 100000\n' \
                $n $n $n $n $n
        done
    } >"$1/sonivex.ini"
    XDG_CONFIG_HOME="$1" "$build/sonivex" --dir "$1" --headless --audio sim >"$1/out.txt" 2>&1 &
    pid=$!
}

# CPU seconds (user + system) of process $1 so far
cpu_seconds() {
    awk -v hz="$(getconf CLK_TCK)" '{ printf "%.2f", ($14 + $15) / hz }' "/proc/$1/stat"
}

overruns() {
    curl -s "http://127.0.0.1:$port/metrics" | awk '/^sonivex_tick_overruns_total/ { print $2 }'
}

# Both runs side by side, so that the machine's other load falls on both alike.
start "$folder/plain" 0
plain=$pid
start "$folder/served" $port
served=$pid
sleep 2
a0=$(cpu_seconds $plain) b0=$(cpu_seconds $served)
for _ in $(seq "$seconds"); do
    curl -s -o /dev/null "http://127.0.0.1:$port/metrics"
    sleep 1
done
a1=$(cpu_seconds $plain) b1=$(cpu_seconds $served)
awk -v a="$(echo "$a1 - $a0" | bc)" -v b="$(echo "$b1 - $b0" | bc)" -v s="$seconds" 'BEGIN {
    printf "idle CPU over %d s, 8 inputs: without server %.2f s (%.3f %% of a core), with server and a scrape a second %.2f s (%.3f %%); added %.3f %% of a core\n",
        s, a, a / s * 100, b, b / s * 100, (b - a) / s * 100 }'

first=$(overruns)
c0=$(cpu_seconds $served)
wrk -t 2 -c 50 -d 30s --latency "http://127.0.0.1:$port/metrics"
echo "tick overruns: $first before wrk, $(overruns) after; server CPU during wrk: $(echo "$(cpu_seconds $served) - $c0" | bc) s"
