// Per-page sample work of the player: software gain, peak and RMS levels, stereo-pair split.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sonivex {

constexpr int kMaxLevelChannels = 8;

// Levels of one page on an 8-bit scale (full scale reads about 128), one per channel.
struct PageLevels {
    std::array<int32_t, kMaxLevelChannels> peak{};
    std::array<int32_t, kMaxLevelChannels> rms{};
};

// Applies the gain in place to `frames` interleaved frames of `channels` channels of
// `bits`-bit samples (8 unsigned, 16 or 24 signed little-endian) and measures the page.
// Channels beyond the file's count report channel 0's levels.
void ProcessFrames(uint8_t* data, size_t frames, int channels, int bits, float gain,
                   PageLevels& levels);

// Copies channels 2·pair and 2·pair + 1 of each frame into `stereo` as stereo frames.
void SplitPair(const uint8_t* data, size_t frames, int channels, int bits, int pair,
               uint8_t* stereo);

// The byte value of digital silence for a sample width: 8-bit samples are unsigned.
constexpr uint8_t SilenceByte(int bits) {
    return bits == 8 ? 128 : 0;
}

}  // namespace sonivex
