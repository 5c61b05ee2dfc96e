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

// An event that posts itself again each round, counting rounds and moving the clock.
struct Ticker {
    int rounds = 0;
    bool stop = false;
    int64_t advanceMs = 0;
    FakeClock* clock = nullptr;

    static void Start(const std::shared_ptr<Ticker>& t) {
        Post([t] {
            if (t->stop) return;
            ++t->rounds;
            t->clock->Advance(t->advanceMs);
            Start(t);
        });
    }
};

class PumpEventsTest : public ::testing::Test {
  protected:
    void SetUp() override { SetProgramClock(&clock_); }
    void TearDown() override {
        if (ticker_) ticker_->stop = true;
        QCoreApplication::processEvents();
        SetProgramClock(nullptr);
    }
    Ticker& StartTicker(int64_t advanceMs) {
        ticker_ = std::make_shared<Ticker>();
        ticker_->advanceMs = advanceMs;
        ticker_->clock = &clock_;
        Ticker::Start(ticker_);
        return *ticker_;
    }
    FakeClock clock_;
    std::shared_ptr<Ticker> ticker_;
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
    const Ticker& ticker = StartTicker(kStepMs);
    const int64_t start = clock_.MonotonicMs();
    PumpEvents(kWaitMs);
    EXPECT_GT(clock_.MonotonicMs() - start, kWaitMs);
    // One step per round: it stops on the first round past the time, not after real seconds.
    EXPECT_LE(ticker.rounds, kWaitMs / kStepMs + 2);
}

TEST_F(PumpEventsTest, AClockThatNeverMovesEndsByRealTimeAndPausesBetweenRounds) {
    constexpr int kWaitMs = 100;
    constexpr int kPauseMs = 25;
    const Ticker& ticker = StartTicker(0);
    QElapsedTimer real;
    real.start();
    PumpEvents(kWaitMs, kPauseMs);
    EXPECT_GE(real.elapsed(), kWaitMs);
    EXPECT_GE(ticker.rounds, 2);
    EXPECT_LE(ticker.rounds, kWaitMs / kPauseMs + 2);
}

}  // namespace
}  // namespace sonivex
