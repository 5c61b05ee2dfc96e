// Per-page sample work. Only pages that need it come here: plain mono and stereo pages go to the
// device as read.
#include "playback/PageSamples.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "playback/WaveMMIO.h"

namespace sonivex {

namespace {

constexpr int32_t kMax16 = 32767;

void Scale8(uint8_t* p, float gain) {
    const double s = static_cast<int>(*p) - 128;
    *p = static_cast<uint8_t>(std::clamp(std::nearbyint(s * gain + 128.0), 0.0, 255.0));
}

void Scale16(uint8_t* p, float gain) {
    int16_t s;
    std::memcpy(&s, p, sizeof s);
    const auto v = static_cast<int32_t>(std::nearbyint(s * static_cast<double>(gain)));
    // -32768 is never written, so a negated sample cannot overflow downstream.
    const auto stored = static_cast<int16_t>(std::abs(v) < kMax16 ? v : (v < 0 ? -kMax16 : kMax16));
    std::memcpy(p, &stored, sizeof stored);
}

void Scale24(uint8_t* p, float gain) {
    Write24Scaled(Read24Scaled(p, gain), p, 1.0f);
}

template <void (*Scale)(uint8_t*, float), size_t kBytes>
void ScaleAll(uint8_t* data, size_t samples, float gain) {
    for (size_t i = 0; i < samples; ++i) Scale(data + i * kBytes, gain);
}

}  // namespace

void ApplyGain(uint8_t* data, size_t frames, int channels, int bits, float gain) {
    const size_t samples = frames * static_cast<size_t>(std::max(channels, 0));
    if (bits == 8) {
        ScaleAll<Scale8, 1>(data, samples, gain);
    } else if (bits == 16) {
        ScaleAll<Scale16, 2>(data, samples, gain);
    } else if (bits == 24) {
        ScaleAll<Scale24, 3>(data, samples, gain);
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
