// The fader law: 256 steps from -99.9 dB to +10 dB, shared by the player's gain and the meters.
#pragma once

#include <array>

namespace sonivex {

constexpr int kFaderSteps = 256;
constexpr int kFaderUnityStep = 207;  // 0 dB: the top of the player's fader travel

struct FaderPoint {
    float gain;
    float dB;
};

// The table, built once on first use.
const std::array<FaderPoint, kFaderSteps>& FaderCurve();

// Gain at fader fraction x (0 = bottom, 1 = 0 dB), interpolated linearly between steps.
float FaderGainAt(double x);

// Fader step (0..255) of a level in dB; with fractional, interpolated between steps, else the
// step whose dB is nearer (the lower one on a tie).
double FaderPositionOf(double dB, bool fractional);

}  // namespace sonivex
