#!/usr/bin/env bash
# Runs the monitor on its built-in demo: simulated inputs on a fresh data folder, in real time.
# Extra arguments go to sonivex (for example --quit-after 40, or --fast).
set -euo pipefail
binary=${1:-build/sonivex}
shift || true
echo "sonivex demo: FM 本線 goes silent at 4 s and returns at 14 s; AM 本線 loses its right channel"
echo "from 6 s to 20 s; the cycle repeats every 30 s. Ctrl-C ends it in order."
# A window when a display exists; headless (log lines on stdout) otherwise.
exec "$binary" --demo "$@"
