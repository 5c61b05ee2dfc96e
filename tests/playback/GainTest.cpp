// The gain stage: the fader law, page processing (gain with rounding and limits per sample width,
// levels, stereo-pair split) and the scaled 24-bit sample routines.
#include <gtest/gtest.h>

#include <vector>

#include "playback/Decibel.h"
#include "playback/FaderCurve.h"
#include "playback/PageSamples.h"
#include "playback/WaveMMIO.h"

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
    const struct {
        double dB;
        bool fractional;
        double position;
    } levels[] = {{-120, false, 0},
                  {20, true, 255},
                  {-93, true, 2.5},  // half way -96 to -90
                  {-93, false, 2},   // a tie goes to the lower step
                  {-92, false, 3}};
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

TEST(PageSamplesTest, GainRoundsAndLimitsPerSampleWidth) {
    const struct {
        const char* name;
        int channels, bits;
        float gain;
        std::vector<uint8_t> in, out;
        int peak0, peak1;
    } cases[] = {
        // 1 × 1.5 → 2 and -3 × 1.5 → -4 (halves to even); 127 and -128 limit at 255 and 0.
        {"8-bit", 2, 8, 1.5f, {129, 125, 255, 0}, {130, 124, 255, 0}, 127, 128},
        {"16-bit halves", 2, 16, 0.5f, Le(2, {101, -101}), Le(2, {50, -50}), 0, 0},
        // Wider samples are measured before they are limited; -32768 is written as -32767.
        {"16-bit", 2, 16, 1.0f, Le(2, {-32768, 20000}), Le(2, {-32767, 20000}), 128, 78},
        {"16-bit over", 1, 16, 2.0f, Le(2, {20000}), Le(2, {32767}), 156, 156},
        {"24-bit", 2, 24, 2.0f, Le(3, {-8388608, 5000000}), Le(3, {-8388608, 8388607}), 256, 153},
        {"surround", 6, 16, 0.5f, Le(2, {100, 200, 300, 400, 500, 600}),
         Le(2, {50, 100, 150, 200, 250, 300}), 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> page = c.in;
        PageLevels levels;
        ProcessFrames(page.data(), page.size() / (c.channels * c.bits / 8), c.channels, c.bits,
                      c.gain, levels);
        EXPECT_EQ(page, c.out) << c.name;
        EXPECT_EQ(levels.peak[0], c.peak0) << c.name;
        EXPECT_EQ(levels.peak[1], c.peak1) << c.name;
    }
}

TEST(PageSamplesTest, LevelsPerChannelAndCopiedBeyondTheFile) {
    std::vector<uint8_t> page = Le(2, {3000, -1000, -4000, 1000, 0, 0, 0, 0});
    PageLevels levels;
    ProcessFrames(page.data(), 4, 2, 16, 1.0f, levels);
    EXPECT_EQ(levels.peak[0], 16);  // 4000 / 256 = 15.6
    EXPECT_EQ(levels.peak[1], 4);   // 3.9
    EXPECT_EQ(levels.rms[0], 10);   // √(25e6 / 4) / 256 = 9.8
    EXPECT_EQ(levels.rms[1], 3);    // √(2e6 / 4) / 256 = 2.8
    for (int c = 2; c < kMaxLevelChannels; ++c) {
        EXPECT_EQ(levels.peak[c], levels.peak[0]);
        EXPECT_EQ(levels.rms[c], levels.rms[0]);
    }
    const std::vector<uint8_t> frames = Le(3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    for (int pair = 0; pair < 3; ++pair) {
        std::vector<uint8_t> stereo(2 * 6);
        SplitPair(frames.data(), 2, 6, 24, pair, stereo.data());
        const int a = 1 + 2 * pair;
        EXPECT_EQ(stereo, Le(3, {a, a + 1, a + 6, a + 7})) << pair;
    }
}

TEST(Wave24, ReadAndWriteScaled) {
    const uint8_t three[] = {0x03, 0x00, 0x00};
    EXPECT_EQ(Read24Scaled(three, 0.5f), 2);  // 1.5 rounds to even
    uint8_t out[3];
    Write24Scaled(8000000, out, 2.0f);
    EXPECT_EQ(Read24Scaled(out, 1.0f), 8388607);
    Write24Scaled(-5, out, 0.5f);  // -2.5 → -2
    EXPECT_EQ(Read24Scaled(out, 1.0f), -2);
}

}  // namespace
}  // namespace sonivex
