// System and fake clocks.
#include "platform/Clock.h"

#include <ctime>

namespace sonivex {

namespace {
int64_t RealLocalMs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    LocalDateTime t{local.tm_year + 1900,
                    local.tm_mon + 1,
                    local.tm_mday,
                    local.tm_hour,
                    local.tm_min,
                    local.tm_sec,
                    static_cast<int>(ts.tv_nsec / 1000000)};
    return CivilToMs(t);
}
}  // namespace

LocalDateTime SystemClock::Now() const {
    return CivilFromMs(RealLocalMs() + offsetMs_);
}

int64_t SystemClock::MonotonicMs() const {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool SystemClock::SetLocalTime(const LocalDateTime& requested) {
    // A run on another date must not move the machine's calendar, which other programs share.
    if (shifted_) {
        StartAt(requested);
        return true;
    }
    std::tm local = LocalTm(requested);
    const time_t when = mktime(&local);
    if (when == static_cast<time_t>(-1)) return false;
    timespec ts{when, static_cast<long>(requested.millisecond) * 1000000};
    return clock_settime(CLOCK_REALTIME, &ts) == 0;
}

void SystemClock::StartAt(const LocalDateTime& start) {
    offsetMs_ = CivilToMs(start) - RealLocalMs();
    shifted_ = true;
}

int64_t CalendarSeconds() {
    return static_cast<int64_t>(time(nullptr));
}

FakeClock::FakeClock(const LocalDateTime& start) : civilMs_(CivilToMs(start)) {}

LocalDateTime FakeClock::Now() const {
    return CivilFromMs(civilMs_);
}

bool FakeClock::SetLocalTime(const LocalDateTime& t) {
    ++setCalls;
    Set(t);
    return true;
}

void FakeClock::Set(const LocalDateTime& t) {
    civilMs_ = CivilToMs(t);
}

void FakeClock::Advance(int64_t ms) {
    civilMs_ += ms;
    monoMs_ += ms;
}

std::tm LocalTm(const LocalDateTime& t) {
    std::tm local{};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1;
    return local;
}

namespace {
Clock* g_clock = nullptr;
}

Clock& ProgramClock() {
    static SystemClock system;
    return g_clock ? *g_clock : system;
}

void SetProgramClock(Clock* clock) {
    g_clock = clock;
}

}  // namespace sonivex
