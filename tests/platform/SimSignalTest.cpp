// Signal programs of the simulated capture devices: parsing and the exact samples they give.
#include "platform/SimSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

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
    using Segment = std::tuple<SimSegmentKind, double, double>;  // kind, dB, seconds
    std::vector<Segment> segments;
    for (const SimSegment& s :
         Parse("  TONE  -20\t1.5 ;silence 0.25;; Left -6 2; right 0 .5;gone 3;unplug;").segments) {
        segments.emplace_back(s.kind, s.db, s.seconds);
    }
    EXPECT_EQ(segments, (std::vector<Segment>{{SimSegmentKind::Tone, -20, 1.5},
                                              {SimSegmentKind::Silence, 0, 0.25},
                                              {SimSegmentKind::Left, -6, 2},
                                              {SimSegmentKind::Right, 0, 0.5},
                                              {SimSegmentKind::Gone, 0, 3},
                                              {SimSegmentKind::Unplug, 0, 0}}));
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
        {"silence 1s", "segment 1: expected 'silence SECONDS'"},
        {"tone nan 1", "segment 1: expected 'tone DB SECONDS'"},
        {"unplug now", "segment 1: expected 'unplug'"},
        {"tone -20 1;beep 1",
         "segment 2: unknown kind 'beep' (tone, left, right, silence, unplug, gone)"},
        {"gone -20 1", "segment 1: expected 'gone SECONDS'"},
        {"gone 5", "the program has no length (every duration is 0)"},
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
        int16_t left, right;  // peaks
    } spans[] = {{0, 4000, Peak(-6), Peak(-6)},
                 {4000, 6000, Peak(-12), 0},
                 {6000, 8000, 0, Peak(0)},
                 {8000, 12000, 0, 0}};
    for (const auto& span : spans) {
        for (uint64_t n = span.from; n < span.to; ++n) {
            for (int ch = 0; ch < 2; ++ch) {
                const int16_t peak = ch == 0 ? span.left : span.right;
                const int16_t sample = s.Sample(n, ch);
                const int exact[8] = {0, sample, peak, sample, 0, sample, -peak, sample};
                ASSERT_EQ(sample, exact[n % 8]) << n << " ch " << ch;
                ASSERT_LE(std::abs(sample), peak) << n << " ch " << ch;
            }
        }
    }
}

TEST(SimSignal, ProgramRepeatsSampleForSampleAndFillMatchesSample) {
    for (const uint32_t rate : {8000u, 44100u}) {
        SCOPED_TRACE(rate);
        const SimSignal s(Parse("tone -3 0.013; silence 0.0071; left -1 0.01"), rate);
        const uint64_t left = std::llround(0.01 * rate);
        const uint64_t cycle = std::llround(0.013 * rate) + std::llround(0.0071 * rate) + left;
        for (const int channels : {1, 2}) {
            // Two cycles from just before the thousandth repeat, against the first cycle.
            std::vector<int16_t> block(2 * cycle * channels);
            s.Fill(1000 * cycle - 7, block.data(), 2 * cycle, channels);
            for (uint64_t i = 0; i < block.size(); ++i) {
                const uint64_t n = (cycle - 7 + i / channels) % cycle;
                ASSERT_EQ(block[i], s.Sample(n, static_cast<int>(i % channels))) << i;
            }
        }
        // Not trivially equal: the tone is there, and the left-only part leaves the right silent.
        EXPECT_NE(s.Sample(1, 1), 0);
        for (uint64_t n = cycle - left; n < cycle; ++n) ASSERT_EQ(s.Sample(n, 1), 0) << n;
    }
}

TEST(SimSignal, EmptyProgramUnplugPointAndProgramsTooShortForOneFrame) {
    const SimSignal steady(SimProgram{}, kRate);  // the default tone, for ever
    for (const uint64_t n : {2ull, 86400ull * kRate + 2}) {
        EXPECT_EQ(steady.Sample(n, 0), Peak(-20)) << n;
        EXPECT_EQ(steady.Sample(n + 4, 1), -Peak(-20)) << n;
    }
    EXPECT_EQ(steady.UnplugFrame(), SimSignal::kNever);
    EXPECT_EQ(SimSignal(Parse("tone -20 1; unplug; tone -20 1"), kRate).UnplugFrame(), kRate);
    EXPECT_EQ(SimSignal(Parse("unplug"), kRate).UnplugFrame(), 0u);
    // An outage takes no program time and comes round again with every repeat of the program.
    const SimSignal gone(Parse("tone -20 1; gone 30; silence 1"), kRate);
    double away = 0;
    EXPECT_EQ(gone.NextOutage(0, away), kRate);
    EXPECT_EQ(away, 30);
    EXPECT_EQ(gone.NextOutage(kRate + 1, away), 3 * kRate);
    EXPECT_EQ(gone.Sample(kRate + 2, 0), 0);
    EXPECT_EQ(steady.NextOutage(0, away), SimSignal::kNever);
    // Rounds to no frame at all: silence, and no endless search for a segment.
    const SimSignal tiny(Parse("tone 0 0.00001"), kRate);
    std::vector<int16_t> block(200, 7);
    tiny.Fill(5, block.data(), 100, 2);
    EXPECT_EQ(block, std::vector<int16_t>(200, 0));
}

}  // namespace
}  // namespace sonivex
