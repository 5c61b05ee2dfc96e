// PumpEvents: one round, re-entry refused, waits on the program clock, bounded by real time.
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
    void Tick() {
        Post([this, stop = stop_] {
            if (*stop) return;
            ++rounds_;
            clock_.Advance(stepMs_);
            Tick();
        });
    }
    FakeClock clock_;
    int64_t stepMs_ = 100;
    int rounds_ = 0;
    std::shared_ptr<bool> stop_ = std::make_shared<bool>(false);
};

TEST_F(PumpEventsTest, RunsPendingEventsOnceAndANestedCallReturnsAtOnce) {
    qint64 nestedMs = -1;
    bool flaggedInside = false;
    Post([&] {
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
TEST_F(PumpEventsTest, WaitsOnTheProgramClockBoundedByRealTime) {
    Tick();
    const int64_t start = clock_.MonotonicMs();
    PumpEvents(20000);
    EXPECT_GT(clock_.MonotonicMs() - start, 20000);
    EXPECT_LE(rounds_, 20000 / 100 + 2);
    stepMs_ = 0;
    rounds_ = 0;
    QElapsedTimer real;
    real.start();
    PumpEvents(100, 25);
    EXPECT_GE(real.elapsed(), 100);
    EXPECT_GE(rounds_, 2);
    EXPECT_LE(rounds_, 100 / 25 + 2);
}

}  // namespace
}  // namespace sonivex
