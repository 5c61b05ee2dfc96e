// The silence state machine buffer by buffer: when alerts come, which kind, when they end.
#include "monitor/SilenceDetector.h"

#include <gtest/gtest.h>

namespace sonivex {
namespace {

constexpr float kLoud = -20, kQuiet = -80;

struct Feeder {
    SilenceThresholds t;
    bool mono = false;
    SilenceCounters c;
    bool alert = false;
    int raisedKind = 0;
    int raisedAt = 0, cancelledAt = 0, buffers = 0;

    // Feeds n buffers; returns after the first raise or cancel when stopAtEvent.
    void Feed(int n, float left, float right) {
        for (int b = 0; b < n; ++b) {
            ++buffers;
            const SilenceDecision d = SilenceStep(c, t, mono, left, right, true, alert);
            if (d.raise) {
                alert = true;
                raisedKind = d.kind;
                raisedAt = buffers;
            }
            if (d.cancel) {
                alert = false;
                cancelledAt = buffers;
            }
        }
    }
};

TEST(SilenceStep, DefaultsAlertOnThe76thSilentBufferAndRecoverOnThe75th) {
    Feeder r;
    r.Feed(75, kQuiet, kQuiet);
    EXPECT_FALSE(r.alert);
    r.Feed(1, kQuiet, kQuiet);
    EXPECT_EQ(r.raisedAt, 76);
    EXPECT_EQ(r.raisedKind, kAlertBoth);  // MuonSecMono 20 > MuonSec 15
    r.Feed(74, kLoud, kLoud);
    EXPECT_TRUE(r.alert);
    r.Feed(1, kLoud, kLoud);
    EXPECT_EQ(r.cancelledAt, 76 + 75);
}

TEST(SilenceStep, OneChannelKinds) {
    Feeder right;
    right.Feed(101, kLoud, kQuiet);
    EXPECT_EQ(right.raisedAt, 101);
    EXPECT_EQ(right.raisedKind, kAlertRight);
    Feeder left;
    left.Feed(101, kQuiet, kLoud);
    EXPECT_EQ(left.raisedKind, kAlertLeft);
    Feeder mono;
    mono.mono = true;
    mono.Feed(76, kQuiet, kLoud);
    EXPECT_EQ(mono.raisedAt, 76);
    EXPECT_EQ(mono.raisedKind, kAlertMono);
    Feeder monoRight;  // the right channel of a mono input is ignored
    monoRight.mono = true;
    monoRight.Feed(500, kLoud, kQuiet);
    EXPECT_FALSE(monoRight.alert);
}

TEST(SilenceStep, ShortOneChannelTimeReportsTheChannelFirst) {
    Feeder r;
    r.t.muonSec = 15;
    r.t.muonSecMono = 5;
    r.Feed(26, kQuiet, kQuiet);
    EXPECT_EQ(r.raisedAt, 26);
    EXPECT_EQ(r.raisedKind, kAlertLeft);
}

TEST(SilenceStep, ThresholdItselfCountsAsSound) {
    Feeder r;
    r.Feed(1000, -50.0f, -50.0f);
    EXPECT_FALSE(r.alert);
    r.Feed(76, -50.0001f, -50.0001f);
    EXPECT_TRUE(r.alert);
}

TEST(SilenceStep, OneChannelSilentShorterThanItsTimeCountsTowardsRecovery) {
    Feeder r;
    r.Feed(76, kQuiet, kQuiet);
    ASSERT_TRUE(r.alert);
    r.Feed(70, kLoud, kLoud);
    r.Feed(5, kLoud, kQuiet);  // right silent for 5 buffers < 101: no alert condition
    EXPECT_FALSE(r.alert);
    EXPECT_EQ(r.cancelledAt, 151);
}

TEST(SilenceStep, NoRecoveryWithZeroTimeAndNoRaiseWhileAlertOrStopped) {
    Feeder r;
    r.t.hukkiSec = 0;
    r.Feed(76, kQuiet, kQuiet);
    r.Feed(10000, kLoud, kLoud);
    EXPECT_TRUE(r.alert);
    SilenceCounters c;
    c.silentLeft = c.silentRight = 100;
    EXPECT_FALSE(SilenceStep(c, {}, false, kQuiet, kQuiet, false, false).raise);
    EXPECT_FALSE(SilenceStep(c, {}, false, kQuiet, kQuiet, true, true).raise);
    EXPECT_EQ(SilenceStep(c, {}, false, kQuiet, kQuiet, true, true).kind, kAlertBoth);
}

TEST(SilenceStep, CountersStayBoundedYetReachLongOneChannelTimes) {
    Feeder r;
    r.Feed(100000, kQuiet, kQuiet);
    EXPECT_EQ(r.c.silentLeft, 20 * 50);  // the longer of the two times, ten times over
    // A one-channel time beyond ten times the two-channel time must still be reachable.
    Feeder longMono;
    longMono.t.muonSec = 1;
    longMono.t.muonSecMono = 30;
    longMono.Feed(151, kLoud, kQuiet);
    EXPECT_EQ(longMono.raisedAt, 151);
    // Zero seconds: the first silent buffer raises.
    Feeder zero;
    zero.t.muonSec = 0;
    zero.Feed(1, kQuiet, kQuiet);
    EXPECT_EQ(zero.raisedAt, 1);
}

}  // namespace
}  // namespace sonivex
