#!/usr/bin/env bash
# Builds the libFuzzer target of `sonivex --analyze` (wave file description, analysis and report)
# and runs it for SECONDS (default 60) on a seed corpus of wave files that sox writes. Exits
# non-zero on any finding.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build-fuzz
mkdir -p "$out/corpus" "$out/findings"
sources=(fuzz/fuzz_analyze.cpp src/app/AnalysisReport.cpp src/monitor/RecordingAnalysis.cpp
    src/monitor/Levels.cpp src/monitor/SilenceDetector.cpp src/playback/Decibel.cpp
    src/playback/WaveMMIO.cpp
    src/support/NumberText.cpp)
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -I"$root/src" \
    "${sources[@]/#/$root/}" -o "$out/fuzz_analyze"
if [ -z "$(ls -A "$out/corpus")" ]; then
    # Long enough for a few 0.2 s buffers; µ-law for the refused formats.
    sox -n -r 8000 -b 8 -c 1 "$out/corpus/m8.wav" synth 0.5 sine 440
    sox -n -r 8000 -b 16 -c 2 "$out/corpus/s16.wav" synth 0.5 sine 440 : synth 0.3 sine 440 gain -120
    sox -n -r 8000 -b 24 -c 6 "$out/corpus/c6.wav" synth 0.3 sine 440
    sox -n -r 8000 -e mu-law -c 1 "$out/corpus/ulaw.wav" synth 0.3 sine 440
fi
"$out/fuzz_analyze" -max_total_time="$seconds" -max_len=32768 -rss_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$out/findings/" "$out/corpus"
