#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ and runs each for SECONDS (default 60), one after the
# other. FUZZ_TARGETS="schedule smtp" picks some of them. Every target starts from its seeds in
# fuzz/corpus/<target>/ (the wave files of `analyze` are made by sox), copied into a working corpus
# in build-fuzz/corpus/<target>/ that grows from run to run; findings go to
# build-fuzz/findings/<target>/. Exits non-zero when any target finds something.
set -euo pipefail
seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS]  (each target runs SECONDS; FUZZ_TARGETS picks targets)" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build-fuzz
mkdir -p "$out"

# Each target with the sources it needs, Qt-free: fuzz/FuzzQuiet.cpp stands in for the logger
# and the event loop.
declare -A sources max_len
sources[analyze]="src/app/AnalysisReport.cpp src/monitor/RecordingAnalysis.cpp
    src/monitor/Levels.cpp src/monitor/SilenceDetector.cpp src/playback/Decibel.cpp
    src/playback/WaveMMIO.cpp src/support/NumberText.cpp"
max_len[analyze]=32768
sources[schedule]="src/monitor/Schedule.cpp src/monitor/ScheduleFile.cpp src/platform/CivilTime.cpp
    src/platform/LegacyText.cpp src/platform/WholeFile.cpp fuzz/FuzzQuiet.cpp"
max_len[schedule]=4096
sources[settings]="src/monitor/SettingsStore.cpp src/platform/IniFile.cpp
    src/platform/LegacyText.cpp src/platform/WholeFile.cpp src/support/NumberText.cpp
    fuzz/FuzzQuiet.cpp"
max_len[settings]=8192
sources[smtp]="src/mail/SmtpReply.cpp"
max_len[smtp]=20000
sources[timecode]="src/devices/TimeCode.cpp src/devices/ClockCorrection.cpp src/platform/Clock.cpp
    src/platform/CivilTime.cpp src/support/NumberText.cpp fuzz/FuzzQuiet.cpp"
max_len[timecode]=1024
sources[hid]="src/devices/C_HID.cpp src/devices/C_HIDInquiry.cpp
    src/platform/Hidraw.cpp src/platform/HidDescriptor.cpp fuzz/FuzzQuiet.cpp"
max_len[hid]=2048
sources[spool]="src/delivery/SpoolEntry.cpp src/platform/CivilTime.cpp"
max_len[spool]=8192
all="analyze schedule settings smtp timecode hid spool"

targets=${FUZZ_TARGETS:-$all}
for target in $targets; do
    if [ -z "${sources[$target]+set}" ]; then
        echo "unknown fuzz target '$target'; the targets are: $all" >&2
        exit 2
    fi
done

# Wave files long enough for a few 0.2 s buffers; µ-law for the refused formats.
wave_seeds() {
    local dir=$1
    [ -e "$dir/m8.wav" ] && return
    sox -n -r 8000 -b 8 -c 1 "$dir/m8.wav" synth 0.5 sine 440
    sox -n -r 8000 -b 16 -c 2 "$dir/s16.wav" synth 0.5 sine 440 : synth 0.3 sine 440 gain -120
    sox -n -r 8000 -b 24 -c 6 "$dir/c6.wav" synth 0.3 sine 440
    sox -n -r 8000 -e mu-law -c 1 "$dir/ulaw.wav" synth 0.3 sine 440
}

for target in $targets; do
    # shellcheck disable=SC2086  # the list splits on blanks on purpose
    read -r -d '' -a files < <(printf '%s\n' "fuzz/fuzz_$target.cpp" ${sources[$target]}) || true
    echo "== building $target"
    clang++ -std=c++20 -O1 -g -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=all -I"$root/src" -I"$root/fuzz" "${files[@]/#/$root/}" \
        -o "$out/fuzz_$target"
done

failed=()
for target in $targets; do
    corpus=$out/corpus/$target
    findings=$out/findings/$target
    mkdir -p "$corpus" "$findings"
    for seed in "$root/fuzz/corpus/$target"/*; do
        if [ -f "$seed" ] && [ ! -e "$corpus/${seed##*/}" ]; then cp "$seed" "$corpus/"; fi
    done
    if [ "$target" = analyze ]; then wave_seeds "$corpus"; fi
    echo "== fuzzing $target for ${seconds}s"
    if ! "$out/fuzz_$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
        -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus"; then
        failed+=("$target")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz findings in: ${failed[*]} (inputs in $out/findings/)" >&2
    exit 1
fi
