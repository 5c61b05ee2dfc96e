// Per-page sample work of the player: software gain and stereo-pair split.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sonivex {

// Applies the gain in place to `frames` interleaved frames of `channels` channels of
// `bits`-bit samples (8 unsigned, 16 or 24 signed little-endian), rounding halves to even and
// limiting to the sample width.
void ApplyGain(uint8_t* data, size_t frames, int channels, int bits, float gain);

// Copies channels 2·pair and 2·pair + 1 of each frame into `stereo` as stereo frames.
void SplitPair(const uint8_t* data, size_t frames, int channels, int bits, int pair,
               uint8_t* stereo);

// The byte value of digital silence for a sample width: 8-bit samples are unsigned.
constexpr uint8_t SilenceByte(int bits) {
    return bits == 8 ? 128 : 0;
}

}  // namespace sonivex
