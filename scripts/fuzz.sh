#!/usr/bin/env bash
# Builds the libFuzzer target for wave file descriptions and runs it for SECONDS (default 60) on a
# seed corpus of wave files that sox writes. Exits non-zero on any finding.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build-fuzz
mkdir -p "$out/corpus" "$out/findings"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -I"$root/src" \
    "$root/fuzz/fuzz_wave_info.cpp" "$root/src/playback/WaveMMIO.cpp" -o "$out/fuzz_wave_info"
if [ -z "$(ls -A "$out/corpus")" ]; then
    sox -n -r 8000 -b 8 -c 1 "$out/corpus/m8.wav" synth 0.01 sine 440
    sox -n -r 44100 -b 16 -c 2 "$out/corpus/s16.wav" synth 0.01 sine 440
    sox -n -r 48000 -b 24 -c 6 "$out/corpus/c6.wav" synth 0.01 sine 440
fi
"$out/fuzz_wave_info" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$out/findings/" "$out/corpus"
