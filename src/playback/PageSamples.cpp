// Per-page sample work. Only pages that need it come here: plain mono and stereo pages without
// level metering go to the device as read.
#include "playback/PageSamples.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "playback/WaveMMIO.h"

namespace sonivex {

namespace {

constexpr int32_t kMax16 = 32767;
constexpr int kLevelBits = 8;  // levels are reported on an 8-bit scale

struct Accumulator {
    std::array<int64_t, kMaxLevelChannels> peak{};
    std::array<double, kMaxLevelChannels> sumSquares{};
};

// Returns the level value of the sample after the gain.
int32_t Scale8(uint8_t* p, float gain) {
    const double s = static_cast<int>(*p) - 128;
    const double stored = std::clamp(std::nearbyint(s * gain + 128.0), 0.0, 255.0);
    *p = static_cast<uint8_t>(stored);
    return static_cast<int32_t>(stored) - 128;
}

int32_t Scale16(uint8_t* p, float gain) {
    int16_t s;
    std::memcpy(&s, p, sizeof s);
    const auto v = static_cast<int32_t>(std::nearbyint(s * static_cast<double>(gain)));
    // -32768 is never written, so a negated sample cannot overflow downstream.
    const auto stored = static_cast<int16_t>(std::abs(v) < kMax16 ? v : (v < 0 ? -kMax16 : kMax16));
    std::memcpy(p, &stored, sizeof stored);
    return v;
}

int32_t Scale24(uint8_t* p, float gain) {
    const int32_t v = Read24Scaled(p, gain);
    Write24Scaled(v, p, 1.0f);
    return v;
}

template <int32_t (*Scale)(uint8_t*, float)>
void ScaleAll(uint8_t* data, size_t frames, int channels, int bytes, float gain, Accumulator& acc) {
    for (size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const int64_t v = Scale(data, gain);
            acc.peak[c] = std::max(acc.peak[c], v < 0 ? -v : v);
            acc.sumSquares[c] += static_cast<double>(v) * static_cast<double>(v);
            data += bytes;
        }
    }
}

}  // namespace

void ProcessFrames(uint8_t* data, size_t frames, int channels, int bits, float gain,
                   PageLevels& levels) {
    levels = PageLevels{};
    if (frames == 0 || channels < 1 || channels > kMaxLevelChannels) return;
    Accumulator acc;
    if (bits == 8) {
        ScaleAll<Scale8>(data, frames, channels, 1, gain, acc);
    } else if (bits == 16) {
        ScaleAll<Scale16>(data, frames, channels, 2, gain, acc);
    } else if (bits == 24) {
        ScaleAll<Scale24>(data, frames, channels, 3, gain, acc);
    } else {
        return;
    }
    const double scale = std::ldexp(1.0, bits - kLevelBits);
    for (int c = 0; c < channels; ++c) {
        const double rms = std::sqrt(acc.sumSquares[c] / static_cast<double>(frames));
        levels.rms[c] = static_cast<int32_t>(std::nearbyint(rms / scale));
        levels.peak[c] = static_cast<int32_t>(std::nearbyint(acc.peak[c] / scale));
    }
    for (int c = channels; c < kMaxLevelChannels; ++c) {
        levels.peak[c] = levels.peak[0];
        levels.rms[c] = levels.rms[0];
    }
}

void SplitPair(const uint8_t* data, size_t frames, int channels, int bits, int pair,
               uint8_t* stereo) {
    const size_t sampleBytes = static_cast<size_t>(bits / 8);
    const size_t frameBytes = sampleBytes * static_cast<size_t>(channels);
    const size_t pairBytes = 2 * sampleBytes;
    const uint8_t* from = data + static_cast<size_t>(pair) * pairBytes;
    for (size_t f = 0; f < frames; ++f) {
        std::memcpy(stereo, from, pairBytes);
        stereo += pairBytes;
        from += frameBytes;
    }
}

}  // namespace sonivex
