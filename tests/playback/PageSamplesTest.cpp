// Page processing: gain with rounding and limits per sample width, levels, stereo-pair split.
#include "playback/PageSamples.h"

#include <gtest/gtest.h>

#include <vector>

namespace sonivex {
namespace {

std::vector<uint8_t> Le16(std::initializer_list<int> values) {
    std::vector<uint8_t> bytes;
    for (int v : values) bytes.insert(bytes.end(), {uint8_t(v & 0xFF), uint8_t((v >> 8) & 0xFF)});
    return bytes;
}

std::vector<uint8_t> Le24(std::initializer_list<int> values) {
    std::vector<uint8_t> bytes;
    for (int v : values) {
        bytes.insert(bytes.end(),
                     {uint8_t(v & 0xFF), uint8_t((v >> 8) & 0xFF), uint8_t((v >> 16) & 0xFF)});
    }
    return bytes;
}

struct GainCase {
    const char* name;
    int channels, bits;
    SampleGains gains;
    std::vector<uint8_t> in, out;
    int peak0, peak1;
};

TEST(PageSamplesTest, GainRoundsAndLimitsPerSampleWidth) {
    const GainCase cases[] = {
        // 2.5 × 0.5 = 1.25 → 1; -3 × 0.5 = -1.5 → -2 (halves to even); 127 × 2 limits at 255.
        {"8-bit", 2, 8, {0.5f, 2.0f, 1.0f}, {130, 125, 128, 255}, {129, 122, 128, 255}, 1, 127},
        // -32768 is written as -32767, but measured as it was.
        {"16-bit", 2, 16, {1.0f, 0.5f, 1.0f}, Le16({-32768, 101}), Le16({-32767, 50}), 128, 0},
        {"16-bit over", 1, 16, {2.0f, 1.0f, 1.0f}, Le16({20000}), Le16({32767}), 156, 156},
        {"24-bit",
         2,
         24,
         {1.0f, 2.0f, 1.0f},
         Le24({-8388608, 5000000}),
         Le24({-8388608, 8388607}),
         128,
         153},
        {"surround uses the master gain",
         6,
         16,
         {0.0f, 0.0f, 0.5f},
         Le16({100, 200, 300, 400, 500, 600}),
         Le16({50, 100, 150, 200, 250, 300}),
         0,
         0},
    };
    for (const GainCase& c : cases) {
        std::vector<uint8_t> page = c.in;
        PageLevels levels;
        ProcessFrames(page.data(), page.size() / (c.channels * c.bits / 8), c.channels, c.bits,
                      c.gains, levels);
        EXPECT_EQ(page, c.out) << c.name;
        EXPECT_EQ(levels.peak[0], c.peak0) << c.name;
        EXPECT_EQ(levels.peak[1], c.peak1) << c.name;
    }
}

TEST(PageSamplesTest, LevelsPerChannelAndCopiedBeyondTheFile) {
    std::vector<uint8_t> page = Le16({3000, -1000, -4000, 1000, 0, 0, 0, 0});
    PageLevels levels;
    ProcessFrames(page.data(), 4, 2, 16, SampleGains{}, levels);
    EXPECT_EQ(levels.peak[0], 16);  // 4000 / 256 = 15.6
    EXPECT_EQ(levels.peak[1], 4);   // 3.9
    EXPECT_EQ(levels.rms[0], 10);   // √(25e6 / 4) / 256 = 9.8
    EXPECT_EQ(levels.rms[1], 3);    // √(2e6 / 4) / 256 = 2.8
    for (int c = 2; c < kMaxLevelChannels; ++c) {
        EXPECT_EQ(levels.peak[c], levels.peak[0]);
        EXPECT_EQ(levels.rms[c], levels.rms[0]);
    }
}

TEST(PageSamplesTest, SplitCopiesOnePairPerDevice) {
    const std::vector<uint8_t> frames = Le24({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    for (int pair = 0; pair < 3; ++pair) {
        std::vector<uint8_t> stereo(2 * 6);
        SplitPair(frames.data(), 2, 6, 24, pair, stereo.data());
        const int a = 1 + 2 * pair;
        EXPECT_EQ(stereo, Le24({a, a + 1, a + 6, a + 7})) << pair;
    }
}

}  // namespace
}  // namespace sonivex
