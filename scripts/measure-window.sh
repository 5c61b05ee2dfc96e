#!/usr/bin/env bash
# The main window's measured run: eight inputs at 48 kHz on simulated devices, shown in a real X
# server (Xvfb) for 60 s of real time. Prints the process's CPU share of one core and, with the
# measuring program, how often each meter was redrawn (a meter whose picture does not change is
# not redrawn).
#
# usage: scripts/measure-window.sh [--build DIR] [--seconds N] [--worst] [--sonivex]
#   --build DIR  the build folder (default: build)
#   --seconds N  length of the run in real seconds (default: 60)
#   --worst      every input changes its level every buffer (every meter redraws 5 times a second)
#   --sonivex    run the program itself (sonivex --audio sim) instead of tests/measure_window;
#                gives the CPU share only
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
seconds=60
worst=0
program=measure
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build="$(cd "$2" && pwd)"; shift ;;
        --seconds) seconds="$2"; shift ;;
        --worst) worst=1 ;;
        --sonivex) program=sonivex ;;
        *) echo "measure-window: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done
command -v xvfb-run >/dev/null || { echo "measure-window: xvfb-run is missing (scripts/install-deps.sh)" >&2; exit 1; }

folder="$(mktemp -d "${TMPDIR:-/tmp}/sonivex-measure-XXXXXX")"
trap 'rm -rf "$folder"' EXIT

# A station's mix: steady programmes, levels that move every second or every buffer, one input
# that falls silent (alert, alarm tone) and one that loses a channel.
signals=(
    "tone -20 100"
    "tone -12 100"
    "tone -10 0.2; tone -30 0.2"
    "tone -18 1; tone -24 1; tone -15 1"
    "tone -20 10; silence 100"
    "tone -6 0.4; tone -9 0.4; tone -3 0.4"
    "left -20 100"
    "tone -40 2; tone -20 2"
)
names=("FM 本線" "AM 本線" "Studio A" "Studio B" "中継 1" "中継 2" "予備 1" "予備 2")
{
    echo "[conf]"
    echo "NumRec=7"
    echo "nFreq=48000"
    echo "AutoRec=1"
    for k in 1 2 3 4 5 6 7 8; do
        signal="${signals[$((k - 1))]}"
        [ "$worst" = 1 ] && signal="tone -10 0.2; tone -30 0.2"
        echo "DevInName_$k=Sim In $k"
        echo "AuditName_$k=${names[$((k - 1))]}"
        echo "SimSignal_$k=$signal"
    done
} >"$folder/sonivex.ini"

xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")
export XDG_RUNTIME_DIR="$folder/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

if [ "$program" = measure ]; then
    mkdir -p "$build/tests/artifacts"
    "${xvfb[@]}" "$build/tests/measure_window" --dir "$folder" --seconds "$seconds" \
        --screenshot "$build/tests/artifacts/measure-window.png"
else
    "${xvfb[@]}" /usr/bin/time -f "%U %S %e" -o "$folder/time" \
        "$build/sonivex" --audio sim --dir "$folder" --quit-after "$seconds" >/dev/null
    read -r user sys wall <"$folder/time"
    awk -v u="$user" -v s="$sys" -v w="$wall" \
        'BEGIN { printf "wall_seconds %.1f\ncpu_seconds %.2f\ncpu_share_percent %.2f\n", w, u + s, 100 * (u + s) / w }'
fi
