// PumpEvents: one round, re-entry refused, waits on the program clock, bounded by real time.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/basic.h"

namespace sonivex {
namespace {

TEST(PumpEvents, RunsPendingEventsOnceAndANestedCallReturnsAtOnce) {
    qint64 nestedMs = -1;
    bool flaggedInside = false;
    QTimer::singleShot(0, [&] {
        flaggedInside = PumpingEvents();
        QElapsedTimer nested;
        nested.start();
        PumpEvents(20000);
        nestedMs = nested.elapsed();
    });
    PumpEvents(0);
    EXPECT_TRUE(flaggedInside);
    EXPECT_FALSE(PumpingEvents());
    ASSERT_GE(nestedMs, 0);
    EXPECT_LT(nestedMs, 10000);
}

// It stops on the first round past the time of the program clock, not after real seconds; a
// clock that never moves ends it by real time, pausing between rounds.
TEST(PumpEvents, WaitsOnTheProgramClockBoundedByRealTime) {
    FakeClock clock;
    SetProgramClock(&clock);
    int rounds = 0, stepMs = 100;
    QTimer tick;  // one timeout each round
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++rounds;
        clock.Advance(stepMs);
    });
    tick.start(0);
    const int64_t start = clock.MonotonicMs();
    PumpEvents(20000);
    EXPECT_GT(clock.MonotonicMs() - start, 20000);
    EXPECT_LE(rounds, 20000 / 100 + 2);
    stepMs = 0;
    rounds = 0;
    QElapsedTimer real;
    real.start();
    PumpEvents(100, 25);
    EXPECT_GE(real.elapsed(), 100);
    EXPECT_GE(rounds, 2);
    EXPECT_LE(rounds, 100 / 25 + 2);
    SetProgramClock(nullptr);
}

}  // namespace
}  // namespace sonivex
