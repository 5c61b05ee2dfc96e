// The fader law: a piecewise-linear dB scale, finer near 0 dB where the ear is most sensitive.
#include "playback/FaderCurve.h"

#include "playback/Decibel.h"

namespace sonivex {

namespace {

constexpr float kFaderBottomDB = -99.9f;

// One straight stretch of the scale: from step `first` at `startDB`, `dBPerStep` per step.
struct Segment {
    int first;
    double startDB;
    double dBPerStep;
};

constexpr Segment kSegments[] = {
    {3, -90.0, 5.0},          {11, -50.0, 5.0 / 6.0},  {23, -40.0, 0.5},
    {43, -30.0, 5.0 / 18.0},  {79, -20.0, 5.0 / 26.0}, {105, -15.0, 5.0 / 38.0},
    {143, -10.0, 5.0 / 36.0}, {179, -5.0, 5.0 / 28.0}, {207, 0.0, 5.0 / 24.0},
    {231, 5.0, 5.0 / 24.0},
};

float StepDecibel(int k) {
    if (k <= 1) return kFaderBottomDB;
    if (k == 2) return -96.0f;
    const Segment* segment = &kSegments[0];
    for (const Segment& s : kSegments) {
        if (k >= s.first) segment = &s;
    }
    return static_cast<float>(segment->startDB + segment->dBPerStep * (k - segment->first));
}

std::array<FaderPoint, kFaderSteps> BuildCurve() {
    std::array<FaderPoint, kFaderSteps> curve{};
    for (int k = 0; k < kFaderSteps; ++k) {
        curve[k].dB = StepDecibel(k);
        curve[k].gain = DecibelToGain(curve[k].dB);
    }
    return curve;
}

}  // namespace

const std::array<FaderPoint, kFaderSteps>& FaderCurve() {
    static const std::array<FaderPoint, kFaderSteps> curve = BuildCurve();
    return curve;
}

float FaderGainAt(double x) {
    const auto& curve = FaderCurve();
    if (x >= 1.0) return curve[kFaderUnityStep].gain;
    if (x <= 0.0) return curve[0].gain;
    const double p = kFaderUnityStep * x;
    const int i = static_cast<int>(p);
    const double f = p - i;
    if (f == 0.0) return curve[i].gain;
    return static_cast<float>((1.0 - f) * curve[i].gain + f * curve[i + 1].gain);
}

double FaderPositionOf(double dB, bool fractional) {
    const auto& curve = FaderCurve();
    // Compared at the table's precision, so that a step's own level finds that step.
    const float value = static_cast<float>(dB);
    if (value <= curve[0].dB) return 0;
    if (value >= curve[kFaderSteps - 1].dB) return kFaderSteps - 1;
    int k = 1;
    while (k < kFaderSteps - 1 && curve[k].dB < value) ++k;
    const double below = curve[k - 1].dB;
    const double above = curve[k].dB;
    if (fractional) return (k - 1) + (value - below) / (above - below);
    return (value - below) <= (above - value) ? k - 1 : k;
}

}  // namespace sonivex
