// The program's only source of time: local date and time, monotonic time, setting the clock.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>

#include "platform/CivilTime.h"

namespace sonivex {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() const = 0;    // local civil date and time
    virtual int64_t MonotonicMs() const = 0;  // never goes back
    // Sets the local date and time; true on success.
    virtual bool SetLocalTime(const LocalDateTime& t) = 0;
    // True while Now() runs apart from the machine's calendar (--clock-start): setting the time
    // then moves this clock only.
    virtual bool Shifted() const { return false; }
};

// The real clock, optionally running from another starting moment (--clock-start).
class SystemClock : public Clock {
  public:
    LocalDateTime Now() const override;
    int64_t MonotonicMs() const override;
    // Shifted: moves Now() only, never the machine's clock.
    bool SetLocalTime(const LocalDateTime& t) override;
    bool Shifted() const override { return shifted_; }
    // From now on Now() runs on from `start`.
    void StartAt(const LocalDateTime& start);

  private:
    int64_t offsetMs_ = 0;  // added to the real local time
    bool shifted_ = false;
};

// A clock that only moves when told to; tests and --fast run whole days on it.
class FakeClock : public Clock {
  public:
    explicit FakeClock(const LocalDateTime& start = LocalDateTime{2026, 12, 7, 9, 0, 0, 0});
    LocalDateTime Now() const override;
    int64_t MonotonicMs() const override { return monoMs_; }
    bool SetLocalTime(const LocalDateTime& t) override;
    void Set(const LocalDateTime& t);
    void Advance(int64_t ms);
    int setCalls = 0;  // SetLocalTime calls seen

  private:
    int64_t civilMs_;  // local civil time in ms since 1970
    int64_t monoMs_ = 0;
};

// The machine's calendar in seconds since 1970, whatever clock the program runs on: what file
// times are compared with.
int64_t CalendarSeconds();

// A local date and time as the C library's broken-down time (daylight saving left to mktime).
std::tm LocalTm(const LocalDateTime& t);

// The process-wide clock; a SystemClock unless a test or --fast installs another.
Clock& ProgramClock();
void SetProgramClock(Clock* clock);  // nullptr restores the system clock

}  // namespace sonivex
