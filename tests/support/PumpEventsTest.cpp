// PumpEvents: one round, re-entry refused, waits on the program clock, bounded by real time.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/basic.h"

namespace sonivex {
namespace {

// A nested call returns at once. A wait stops on the first round past the time of the program
// clock, not after real seconds; a clock that never moves ends it by real time, pausing between
// rounds.
TEST(PumpEvents, OneRoundNoReentryAndWaitsOnTheProgramClockBoundedByRealTime) {
    FakeClock clock;
    SetProgramClock(&clock);
    QElapsedTimer real;
    qint64 nestedMs = -1;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(PumpingEvents());
        real.start();
        PumpEvents(20000);
        nestedMs = real.elapsed();
    });
    PumpEvents(0);
    EXPECT_FALSE(PumpingEvents());
    ASSERT_GE(nestedMs, 0);
    EXPECT_LT(nestedMs, 10000);

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
    real.start();
    PumpEvents(100, 25);
    EXPECT_GE(real.elapsed(), 100);
    EXPECT_GE(rounds, 2);
    EXPECT_LE(rounds, 100 / 25 + 2);
    SetProgramClock(nullptr);
}

}  // namespace
}  // namespace sonivex
