// Level measurement of one 0.2 s buffer against a plain reference loop, in samples per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "monitor/Levels.h"

namespace {

constexpr size_t kFrames = 9600;  // 0.2 s at 48 kHz

std::vector<int16_t> Noise() {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> dist(-32768, 32767);
    std::vector<int16_t> frames(kFrames * 2);
    for (auto& s : frames) s = static_cast<int16_t>(dist(rng));
    return frames;
}

void MeasureBuffer(benchmark::State& state) {
    const std::vector<int16_t> frames = Noise();
    for (auto _ : state) {
        auto levels = sonivex::MeasureBuffer(frames.data(), kFrames);
        benchmark::DoNotOptimize(levels);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFrames * 2));
}

// The plain loop: std::max of absolute values and a double sum of squares per channel.
void PlainReference(benchmark::State& state) {
    const std::vector<int16_t> frames = Noise();
    for (auto _ : state) {
        int peak[2] = {0, 0};
        double sum[2] = {0, 0};
        for (size_t f = 0; f < kFrames; ++f) {
            for (int c = 0; c < 2; ++c) {
                const int v = frames[2 * f + c];
                peak[c] = std::max(peak[c], std::abs(v));
                sum[c] += static_cast<double>(v) * v;
            }
        }
        benchmark::DoNotOptimize(peak);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFrames * 2));
}

void ApplyGain(benchmark::State& state) {
    std::vector<int16_t> frames = Noise();
    const float gain = sonivex::DecibelToGain(-3);
    for (auto _ : state) {
        sonivex::ApplyGain(frames.data(), frames.size(), gain);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFrames * 2));
}

}  // namespace

BENCHMARK(MeasureBuffer);
BENCHMARK(PlainReference);
BENCHMARK(ApplyGain);
BENCHMARK_MAIN();
