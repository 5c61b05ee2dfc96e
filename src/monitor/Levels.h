// Level arithmetic of the monitor: decibels, capture gain, peak and energy of a stereo buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "playback/Decibel.h"

namespace sonivex {

constexpr float kNoRmsDB = -99.9f;  // RMS shown for a channel without energy
constexpr float kFullScale = 32767.0f;

struct BufferLevels {
    int32_t peak[2] = {0, 0};       // largest absolute sample per channel (-32768 gives 32768)
    double sumSquares[2] = {0, 0};  // sum of squared samples per channel
};

// Scans interleaved 16-bit stereo frames.
BufferLevels MeasureBuffer(const int16_t* frames, size_t frameCount);

// Peak level in dBFS of a channel's largest absolute sample.
float PeakDecibel(int32_t peak);
// RMS level in dBFS, or -99.9 when the channel had no energy.
float RmsDecibel(double sumSquares, size_t frameCount);
// The meter's level text: "-∞" without energy, else the level as "00.0" (-5.3 → "-05.3").
std::string LevelText(double sumSquares, float rmsDB);

// Applies a linear gain in place, rounding halves to even and limiting to ±32767.
void ApplyGain(int16_t* samples, size_t sampleCount, float gain);

}  // namespace sonivex
