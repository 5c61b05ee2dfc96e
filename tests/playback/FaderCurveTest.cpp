// The fader law: its steps, the gain along the travel, and the step of a level.
#include "playback/FaderCurve.h"

#include <gtest/gtest.h>

#include "playback/Decibel.h"

namespace sonivex {
namespace {

TEST(FaderCurveTest, StepsFollowTheScale) {
    const struct {
        int step;
        float dB;
    } steps[] = {{0, -99.9f},      {1, -99.9f},      {2, -96.0f},    {3, -90.0f},   {10, -55.0f},
                 {11, -50.0f},     {22, -40.8333f},  {23, -40.0f},   {43, -30.0f},  {79, -20.0f},
                 {103, -15.3846f}, {104, -15.1923f}, {105, -15.0f},  {143, -10.0f}, {179, -5.0f},
                 {206, -0.17857f}, {207, 0.0f},      {230, 4.7917f}, {231, 5.0f},   {255, 10.0f}};
    for (const auto& s : steps) {
        const FaderPoint& p = FaderCurve()[s.step];
        EXPECT_NEAR(p.dB, s.dB, 1e-3) << "step " << s.step;
        EXPECT_FLOAT_EQ(p.gain, DecibelToGain(p.dB)) << "step " << s.step;
    }
    for (int k = 2; k < kFaderSteps; ++k) EXPECT_GT(FaderCurve()[k].dB, FaderCurve()[k - 1].dB);
}

TEST(FaderCurveTest, GainAlongTheTravel) {
    const auto& curve = FaderCurve();
    EXPECT_FLOAT_EQ(FaderGainAt(1.0), 1.0f);
    EXPECT_FLOAT_EQ(FaderGainAt(2.0), 1.0f);
    EXPECT_FLOAT_EQ(FaderGainAt(0.0), curve[0].gain);
    EXPECT_FLOAT_EQ(FaderGainAt(-1.0), curve[0].gain);
    // Half way is step 103.5: the mean of steps 103 and 104.
    EXPECT_NEAR(FaderGainAt(0.5), (curve[103].gain + curve[104].gain) / 2, 1e-6);
    EXPECT_NEAR(FaderGainAt(0.5), 0.172, 0.001);
    EXPECT_FLOAT_EQ(FaderGainAt(100.0 / 207), curve[100].gain);
}

TEST(FaderCurveTest, PositionOfALevel) {
    EXPECT_EQ(FaderPositionOf(-120, false), 0);
    EXPECT_EQ(FaderPositionOf(-99.9, true), 0);
    EXPECT_EQ(FaderPositionOf(10, false), 255);
    EXPECT_EQ(FaderPositionOf(20, true), 255);
    EXPECT_EQ(FaderPositionOf(-15, false), 105);
    EXPECT_NEAR(FaderPositionOf(-15, true), 105, 1e-4);
    EXPECT_NEAR(FaderPositionOf(-93, true), 2.5, 1e-6);  // half way from -96 to -90
    EXPECT_EQ(FaderPositionOf(-93, false), 2);           // a tie goes to the lower step
    EXPECT_EQ(FaderPositionOf(-92, false), 3);
    EXPECT_EQ(FaderPositionOf(-97, false), 2);
    for (int k = 2; k < kFaderSteps - 1; ++k) {
        EXPECT_EQ(FaderPositionOf(FaderCurve()[k].dB, false), k) << k;
    }
}

}  // namespace
}  // namespace sonivex
