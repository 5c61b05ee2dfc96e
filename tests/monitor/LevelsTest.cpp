// Level arithmetic against a straightforward reference.
#include "monitor/Levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace sonivex {
namespace {

TEST(Levels, DecibelEdges) {
    EXPECT_FLOAT_EQ(ToDecibel(0), -110);
    EXPECT_FLOAT_EQ(ToDecibel(-1), -110);
    EXPECT_NEAR(ToDecibel(0.5f), -6.0206f, 1e-4);
    EXPECT_FLOAT_EQ(DecibelToGain(-110), 0);
    EXPECT_FLOAT_EQ(DecibelToGain(-200), 0);
    EXPECT_NEAR(DecibelToGain(6), 1.99526f, 1e-5);
    EXPECT_FLOAT_EQ(PeakDecibel(32767), 0);
    EXPECT_GT(PeakDecibel(32768), 0);  // -32768 reads just above full scale
}

TEST(Levels, MeasureMatchesReferenceOnRandomAndExtremeSamples) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> dist(-32768, 32767);
    std::vector<int16_t> frames(2 * 9601);
    for (auto& s : frames) s = static_cast<int16_t>(dist(rng));
    frames[10] = -32768;  // left
    const BufferLevels got = MeasureBuffer(frames.data(), frames.size() / 2);
    for (int c = 0; c < 2; ++c) {
        int32_t peak = 0;
        double sum = 0;
        for (size_t f = 0; f < frames.size() / 2; ++f) {
            const int32_t v = frames[2 * f + c];
            peak = std::max(peak, std::abs(v));
            sum += static_cast<double>(v) * v;
        }
        EXPECT_EQ(got.peak[c], peak) << c;
        EXPECT_EQ(got.sumSquares[c], sum) << c;
    }
    EXPECT_EQ(got.peak[0], 32768);
}

TEST(Levels, RmsAndText) {
    EXPECT_FLOAT_EQ(RmsDecibel(0, 8820), -99.9f);
    EXPECT_EQ(LevelText(0, -99.9f), "-∞");
    EXPECT_EQ(LevelText(1, -20.46f), "-20.5");
    EXPECT_EQ(LevelText(1, -5.3f), "-05.3");
    EXPECT_EQ(LevelText(1, -0.04f), "00.0");
    EXPECT_EQ(LevelText(1, 3.2f), "03.2");
    EXPECT_EQ(LevelText(1, -104.0f), "-104.0");
    // A full-scale square wave has an RMS of 0 dBFS.
    EXPECT_NEAR(RmsDecibel(100.0 * 32767 * 32767, 100), 0, 1e-4);
}

TEST(Levels, GainRoundsHalvesToEvenAndLimits) {
    std::vector<int16_t> s = {20000, -20000, 0, 1, -32768, 3};
    ApplyGain(s.data(), s.size(), DecibelToGain(6));
    EXPECT_EQ(s[0], 32767);
    EXPECT_EQ(s[1], -32767);
    EXPECT_EQ(s[2], 0);
    EXPECT_EQ(s[3], 2);
    EXPECT_EQ(s[4], -32767);
    std::vector<int16_t> h = {1, 3, 5, -1, -3};
    ApplyGain(h.data(), h.size(), 0.5f);  // 0.5, 1.5, 2.5, -0.5, -1.5
    EXPECT_EQ(h, (std::vector<int16_t>{0, 2, 2, 0, -2}));
    std::vector<int16_t> z = {12345, -32768};
    ApplyGain(z.data(), z.size(), DecibelToGain(-110));
    EXPECT_EQ(z, (std::vector<int16_t>{0, 0}));
}

}  // namespace
}  // namespace sonivex
