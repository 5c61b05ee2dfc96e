// The silence state machine buffer by buffer: when alerts come, which kind, when they end.
#include "monitor/SilenceDetector.h"

#include <gtest/gtest.h>

#include <vector>

namespace sonivex {
namespace {

constexpr float kLoud = -20, kQuiet = -80;

struct Stretch {
    int buffers;
    float left, right;  // peaks, dBFS
};

struct Outcome {
    int raisedAt = 0, kind = kAlertNone, cancelledAt = 0;  // buffer numbers from 1; 0 = never
    bool operator==(const Outcome&) const = default;
};

// Feeds the stretches one buffer at a time, as the monitor does, raising and cancelling as told.
Outcome Feed(const SilenceThresholds& t, bool mono, const std::vector<Stretch>& stretches,
             SilenceCounters& c) {
    Outcome o;
    bool alert = false;
    int n = 0;
    for (const Stretch& s : stretches) {
        for (int b = 0; b < s.buffers; ++b) {
            const SilenceDecision d = SilenceStep(c, t, mono, s.left, s.right, true, alert);
            ++n;
            if (d.raise) {
                alert = true;
                o.raisedAt = n;
                o.kind = d.kind;
            }
            if (d.cancel) {
                alert = false;
                o.cancelledAt = n;
            }
        }
    }
    return o;
}

TEST(SilenceStep, AlertsComeAndEndOnTheirBuffer) {
    const SilenceThresholds defaults;  // 15 s both, 20 s one channel, 15 s to recover
    const struct {
        const char* what;
        SilenceThresholds t;
        bool mono;
        std::vector<Stretch> stretches;
        Outcome expected;
    } cases[] = {
        {"defaults: 76th silent buffer, 75th with sound",
         defaults,
         false,
         {{76, kQuiet, kQuiet}, {75, kLoud, kLoud}},
         {76, kAlertBoth, 151}},
        {"right only", defaults, false, {{101, kLoud, kQuiet}}, {101, kAlertRight, 0}},
        {"left only", defaults, false, {{101, kQuiet, kLoud}}, {101, kAlertLeft, 0}},
        {"mono", defaults, true, {{76, kQuiet, kLoud}}, {76, kAlertMono, 0}},
        {"mono ignores the right channel", defaults, true, {{500, kLoud, kQuiet}}, {}},
        {"short one-channel time names the channel first",
         {-50, 15, 5, 15},
         false,
         {{26, kQuiet, kQuiet}},
         {26, kAlertLeft, 0}},
        {"the threshold itself is sound",
         defaults,
         false,
         {{1000, -50.0f, -50.0f}, {76, -50.0001f, -50.0001f}},
         {1076, kAlertBoth, 0}},
        // Right silent for 5 buffers, far below its 101: no alert condition.
        {"one channel briefly silent counts towards recovery",
         defaults,
         false,
         {{76, kQuiet, kQuiet}, {70, kLoud, kLoud}, {5, kLoud, kQuiet}},
         {76, kAlertBoth, 151}},
        {"no recovery with zero time",
         {-50, 15, 20, 0},
         false,
         {{76, kQuiet, kQuiet}, {10000, kLoud, kLoud}},
         {76, kAlertBoth, 0}},
        // The counters are capped; a one-channel time beyond the cap must still be reachable.
        {"one-channel time over ten times the other",
         {-50, 1, 30, 15},
         false,
         {{151, kLoud, kQuiet}},
         {151, kAlertRight, 0}},
        {"zero seconds: the first silent buffer",
         {-50, 0, 20, 15},
         false,
         {{1, kQuiet, kQuiet}},
         {1, kAlertBoth, 0}},
    };
    for (const auto& c : cases) {
        SilenceCounters counters;
        const Outcome o = Feed(c.t, c.mono, c.stretches, counters);
        EXPECT_EQ(o, c.expected) << c.what << ": raised at " << o.raisedAt << " kind " << o.kind
                                 << ", cancelled at " << o.cancelledAt;
    }
}

TEST(SilenceStep, CountersStayBoundedAndNoRaiseWhileAlertOrStopped) {
    SilenceCounters c;
    Feed({}, false, {{100000, kQuiet, kQuiet}}, c);
    EXPECT_EQ(c.silentLeft, 20 * 50);  // the longer of the two times, ten times over
    EXPECT_FALSE(SilenceStep(c, {}, false, kQuiet, kQuiet, false, false).raise);
    const SilenceDecision inAlert = SilenceStep(c, {}, false, kQuiet, kQuiet, true, true);
    EXPECT_FALSE(inAlert.raise);
    EXPECT_EQ(inAlert.kind, kAlertBoth);
}

}  // namespace
}  // namespace sonivex
