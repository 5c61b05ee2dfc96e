// The gain stage: the fader law and the gain with its rounding and limits per sample width.
#include <gtest/gtest.h>

#include <vector>

#include "playback/Decibel.h"
#include "playback/FaderCurve.h"
#include "playback/PageSamples.h"

namespace sonivex {
namespace {

// Steps the meters' scale does not already pin, the gain half way along the player's travel, and
// the step of a level (the meters' positions).
TEST(FaderCurveTest, StepsGainAndPositionOfALevel) {
    const auto& curve = FaderCurve();
    const std::pair<int, float> steps[] = {{1, -99.9f},     {2, -96.0f},   {10, -55.0f},
                                           {22, -40.8333f}, {105, -15.0f}, {179, -5.0f},
                                           {230, 4.7917f},  {255, 10.0f}};
    for (const auto& [step, dB] : steps) {
        EXPECT_NEAR(curve[step].dB, dB, 1e-3) << step;
        EXPECT_FLOAT_EQ(curve[step].gain, DecibelToGain(curve[step].dB)) << step;
    }
    EXPECT_FLOAT_EQ(FaderGainAt(1.0), 1.0f);
    EXPECT_NEAR(FaderGainAt(0.5), (curve[103].gain + curve[104].gain) / 2, 1e-6);  // step 103.5
    // -93 dB lies half way from step 2 to step 3; a tie goes to the lower step.
    const struct {
        double dB;
        bool fractional;
        double position;
    } levels[] = {
        {-120, false, 0}, {20, true, 255}, {-93, true, 2.5}, {-93, false, 2}, {-92, false, 3}};
    for (const auto& l : levels) {
        EXPECT_NEAR(FaderPositionOf(l.dB, l.fractional), l.position, 1e-4) << l.dB;
    }
    for (int k = 2; k < kFaderSteps - 1; ++k) EXPECT_EQ(FaderPositionOf(curve[k].dB, false), k);
}

std::vector<uint8_t> Le(int bytes, std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        for (int b = 0; b < bytes; ++b) out.push_back(static_cast<uint8_t>((v >> (8 * b)) & 0xFF));
    }
    return out;
}

// Products round halves to even and are limited to the sample width.
TEST(ApplyGainTest, RoundsAndLimitsPerSampleWidth) {
    const struct {
        int channels, bits;
        float gain;
        std::vector<uint8_t> in, out;
    } cases[] = {
        // 1 × 1.5 → 2 and -3 × 1.5 → -4; 127 and -128 limit at 255 and 0.
        {2, 8, 1.5f, {129, 125, 255, 0}, {130, 124, 255, 0}},
        {2, 16, 1.0f, Le(2, {-32768, 20000}), Le(2, {-32767, 20000})},  // -32768 is never written
        {1, 16, 2.0f, Le(2, {20000}), Le(2, {32767})},
        {2, 24, 0.5f, Le(3, {3, -5}), Le(3, {2, -2})},
        {2, 24, 2.0f, Le(3, {-8388608, 5000000}), Le(3, {-8388608, 8388607})},
        {6, 16, 0.5f, Le(2, {100, 200, 300, 400, 500, 600}), Le(2, {50, 100, 150, 200, 250, 300})},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> page = c.in;
        ApplyGain(page.data(), page.size() / (c.channels * c.bits / 8), c.channels, c.bits, c.gain);
        EXPECT_EQ(page, c.out) << c.channels << "x" << c.bits << " gain " << c.gain;
    }
}

}  // namespace
}  // namespace sonivex
