// Signal programs of the simulated capture devices: parsing and the exact samples they give.
#include "platform/SimSignal.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sonivex {
namespace {

constexpr uint32_t kRate = 8000;  // 8 frames per 1 kHz cycle: crest at 2, trough at 6 (mod 8)

int16_t Peak(double db) {
    return static_cast<int16_t>(std::nearbyint(32767 * std::pow(10, db / 20)));
}

SimProgram Parse(const std::string& text) {
    SimProgram program;
    std::string error;
    EXPECT_TRUE(ParseSimProgram(text, program, error)) << text << ": " << error;
    return program;
}

TEST(SimProgramParse, AcceptsWhitespaceCaseAndEmptySegments) {
    const SimProgram p = Parse("  TONE  -20\t1.5 ;silence 0.25;; Left -6 2; right 0 .5;unplug;");
    ASSERT_EQ(p.segments.size(), 5u);
    const SimSegmentKind kinds[] = {SimSegmentKind::Tone, SimSegmentKind::Silence,
                                    SimSegmentKind::Left, SimSegmentKind::Right,
                                    SimSegmentKind::Unplug};
    const double dbs[] = {-20, 0, -6, 0, 0};
    const double seconds[] = {1.5, 0.25, 2, 0.5, 0};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(p.segments[i].kind, kinds[i]) << i;
        EXPECT_DOUBLE_EQ(p.segments[i].db, dbs[i]) << i;
        EXPECT_DOUBLE_EQ(p.segments[i].seconds, seconds[i]) << i;
    }
    EXPECT_TRUE(Parse("").segments.empty());
    EXPECT_TRUE(Parse(" ; ").segments.empty());
}

TEST(SimProgramParse, RejectsMalformedProgramsWithTheSegmentNamed) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"tone -20", "segment 1: expected 'tone DB SECONDS'"},
        {"tone -20 1; left x 1", "segment 2: expected 'left DB SECONDS'"},
        {"silence 1; ; right -3 1 2", "segment 3: expected 'right DB SECONDS'"},
        {"silence", "segment 1: expected 'silence SECONDS'"},
        {"silence 1s", "segment 1: expected 'silence SECONDS'"},
        {"tone nan 1", "segment 1: expected 'tone DB SECONDS'"},
        {"unplug now", "segment 1: expected 'unplug'"},
        {"tone -20 1;beep 1",
         "segment 2: unknown kind 'beep' (tone, left, right, silence, unplug)"},
        {"tone 3 1", "segment 1: level 3 is above 0 dBFS"},
        {"silence -1", "segment 1: duration -1 is out of range"},
        {"tone -20 0; silence 0", "the program has no length (every duration is 0)"},
    };
    for (const auto& c : cases) {
        SimProgram program;
        program.segments.resize(1);
        std::string error;
        EXPECT_FALSE(ParseSimProgram(c.text, program, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_TRUE(program.segments.empty()) << c.text;
    }
}

TEST(SimSignal, SegmentsGiveTheirLevelOnTheirChannels) {
    const SimSignal s(Parse("tone -6 0.5; left -12 0.25; right 0 0.25; silence 0.5"), kRate);
    const struct {
        uint64_t from, to;
        double left, right;  // dB; 1 = silent
    } spans[] = {{0, 4000, -6, -6}, {4000, 6000, -12, 1}, {6000, 8000, 1, 0}, {8000, 12000, 1, 1}};
    for (const auto& span : spans) {
        for (uint64_t n = span.from; n < span.to; ++n) {
            const double levels[2] = {span.left, span.right};
            for (int ch = 0; ch < 2; ++ch) {
                const int16_t peak = levels[ch] > 0 ? 0 : Peak(levels[ch]);
                const int16_t sample = s.Sample(n, ch);
                if (n % 8 == 2) {
                    ASSERT_EQ(sample, peak) << n << " ch " << ch;
                }
                if (n % 8 == 6) {
                    ASSERT_EQ(sample, -peak) << n << " ch " << ch;
                }
                if (n % 4 == 0) {
                    ASSERT_EQ(sample, 0) << n << " ch " << ch;
                }
                ASSERT_LE(std::abs(sample), peak) << n << " ch " << ch;
            }
        }
    }
}

TEST(SimSignal, ProgramRepeatsSampleForSample) {
    for (const uint32_t rate : {8000u, 44100u, 48000u}) {
        const SimSignal s(Parse("tone -3 0.013; silence 0.0071; left -1 0.01"), rate);
        const uint64_t cycle =
            std::llround(0.013 * rate) + std::llround(0.0071 * rate) + std::llround(0.01 * rate);
        for (uint64_t n = 0; n < cycle; ++n) {
            for (int ch = 0; ch < 2; ++ch) {
                ASSERT_EQ(s.Sample(n, ch), s.Sample(n + cycle, ch)) << rate << " " << n;
                ASSERT_EQ(s.Sample(n, ch), s.Sample(n + 1000 * cycle, ch)) << rate << " " << n;
            }
        }
        // Not trivially equal: the tone is there, and the left-only part leaves the right silent.
        EXPECT_NE(s.Sample(1, 1), 0) << rate;
        const uint64_t leftStart = cycle - std::llround(0.01 * rate);
        for (uint64_t n = leftStart; n < cycle; ++n) ASSERT_EQ(s.Sample(n, 1), 0) << rate;
    }
}

TEST(SimSignal, FillMatchesSampleAcrossSegmentsAndCycles) {
    const SimSignal s(Parse("tone -1 0.01; silence 0.005; right -2 0.0125"), 44100);
    for (const int channels : {1, 2}) {
        std::vector<int16_t> block(5000 * channels);
        const uint64_t first = 123457;
        s.Fill(first, block.data(), 5000, channels);
        for (uint64_t i = 0; i < 5000; ++i) {
            ASSERT_EQ(block[i * channels], s.Sample(first + i, 0)) << i;
            if (channels == 2) {
                ASSERT_EQ(block[i * 2 + 1], s.Sample(first + i, 1)) << i;
            }
        }
    }
}

TEST(SimSignal, EmptyProgramIsASteadyTone) {
    const SimSignal s(SimProgram{}, kRate);
    for (const uint64_t n : {2ull, 10ull, 86400ull * kRate + 2}) {
        EXPECT_EQ(s.Sample(n, 0), Peak(-20)) << n;
        EXPECT_EQ(s.Sample(n, 1), Peak(-20)) << n;
        EXPECT_EQ(s.Sample(n + 4, 0), -Peak(-20)) << n;
    }
    EXPECT_EQ(s.UnplugFrame(), SimSignal::kNever);
}

TEST(SimSignal, UnplugPointAndProgramsTooShortForOneFrame) {
    EXPECT_EQ(SimSignal(Parse("tone -20 1; unplug; tone -20 1"), kRate).UnplugFrame(), kRate);
    EXPECT_EQ(SimSignal(Parse("unplug"), kRate).UnplugFrame(), 0u);
    // Rounds to no frame at all: silence, and no endless search for a segment.
    const SimSignal tiny(Parse("tone 0 0.00001"), kRate);
    std::vector<int16_t> block(200, 7);
    tiny.Fill(5, block.data(), 100, 2);
    EXPECT_EQ(block, std::vector<int16_t>(200, 0));
}

}  // namespace
}  // namespace sonivex
