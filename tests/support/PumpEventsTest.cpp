// Tests of PumpEvents: one round, re-entry refused, waits on the program clock, bounded by real
// time.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/basic.h"

namespace sonivex {
namespace {

void Post(std::function<void()> fn) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

class PumpEventsTest : public ::testing::Test {
  protected:
    void SetUp() override { SetProgramClock(&clock_); }
    void TearDown() override {
        *stop_ = true;
        QCoreApplication::processEvents();
        SetProgramClock(nullptr);
    }
    // An event that posts itself again each round, counting rounds and moving the clock.
    void Tick(int64_t stepMs) {
        Post([this, stepMs, stop = stop_] {
            if (*stop) return;
            ++rounds_;
            clock_.Advance(stepMs);
            Tick(stepMs);
        });
    }
    FakeClock clock_;
    int rounds_ = 0;
    std::shared_ptr<bool> stop_ = std::make_shared<bool>(false);
};

TEST_F(PumpEventsTest, RunsPendingEventsOnceAndANestedCallReturnsAtOnce) {
    constexpr int kNestedWaitMs = 20000;
    qint64 nestedMs = -1;
    bool flaggedInside = false;
    Post([&] {
        flaggedInside = PumpingEvents();
        QElapsedTimer nested;
        nested.start();
        PumpEvents(kNestedWaitMs);
        nestedMs = nested.elapsed();
    });
    EXPECT_FALSE(PumpingEvents());
    PumpEvents(0);
    EXPECT_TRUE(flaggedInside);
    EXPECT_FALSE(PumpingEvents());
    ASSERT_GE(nestedMs, 0);
    EXPECT_LT(nestedMs, kNestedWaitMs / 2);
}

TEST_F(PumpEventsTest, WaitsUntilTheProgramClockHasPassedTheTime) {
    constexpr int kWaitMs = 20000;
    constexpr int64_t kStepMs = 100;
    Tick(kStepMs);
    const int64_t start = clock_.MonotonicMs();
    PumpEvents(kWaitMs);
    EXPECT_GT(clock_.MonotonicMs() - start, kWaitMs);
    // One step per round: it stops on the first round past the time, not after real seconds.
    EXPECT_LE(rounds_, kWaitMs / kStepMs + 2);
}

TEST_F(PumpEventsTest, AClockThatNeverMovesEndsByRealTimeAndPausesBetweenRounds) {
    constexpr int kWaitMs = 100;
    constexpr int kPauseMs = 25;
    Tick(0);
    QElapsedTimer real;
    real.start();
    PumpEvents(kWaitMs, kPauseMs);
    EXPECT_GE(real.elapsed(), kWaitMs);
    EXPECT_GE(rounds_, 2);
    EXPECT_LE(rounds_, kWaitMs / kPauseMs + 2);
}

}  // namespace
}  // namespace sonivex
