// Decibel arithmetic shared by playback gains and the level meters.
#pragma once

namespace sonivex {

constexpr float kFloorDB = -110.0f;  // level of digital silence

// 20·log10(x); -110 for x <= 0.
float ToDecibel(float x);
// 10^(dB/20); 0 for dB <= -110.
float DecibelToGain(float dB);

}  // namespace sonivex
