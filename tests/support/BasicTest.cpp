// The common routines on the program clock.
#include "support/basic.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/Clock.h"

namespace sonivex {
namespace {

// Before the day start (05:00) the hours run on past 24 on the day before. Elapsed time crosses
// midnight; a small step back of the clock is no time at all. A nested PumpEvents returns at once.
// A wait stops on the first round past the time of the program clock, not after real seconds; a
// clock that never moves ends it by real time, pausing between rounds.
TEST(Basic, BroadcastDayElapsedTimeAndEventPumpingOnTheProgramClock) {
    FakeClock clock;
    SetProgramClock(&clock);
    const std::pair<LocalDateTime, const char*> texts[] = {
        {{2026, 12, 6, 4, 59, 59, 0}, "2026/12/05 28:59:59"},
        {{2026, 12, 6, 5, 0, 0, 0}, "2026/12/06 05:00:00"}};
    for (const auto& [now, text] : texts) {
        clock.Set(now);
        EXPECT_EQ(DateTimeText(18000), text);
    }
    clock.Set({2026, 12, 6, 10, 20, 30, 45});
    EXPECT_DOUBLE_EQ(TimeOfDaySeconds(), 37230.045);
    for (const auto& [now, start, mode, expected] :
         {std::tuple{LocalDateTime{2026, 12, 7, 0, 0, 1, 0}, 86399.5, 0, 1.5},
          {{2026, 12, 7, 10, 0, 0, 0}, 36000.5, 0, 0.0},
          {{2026, 12, 7, 10, 0, 0, 0}, 36001.5, 0, 86398.5},  // more than a second back: a day
          {{2026, 12, 7, 10, 0, 0, 0}, 36000.5, 1, -0.5}}) {  // mode 1 keeps the sign
        clock.Set(now);
        EXPECT_NEAR(ElapsedSeconds(start, mode), expected, 1e-6) << start;
    }

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
