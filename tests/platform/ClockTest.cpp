// Calendar arithmetic, date parsing and the fake, system and program clocks.
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <ctime>

#include "platform/CivilTime.h"

namespace sonivex {
namespace {

std::string Text(const LocalDateTime& t) {
    char s[40];
    std::snprintf(s, sizeof s, "%04d/%02d/%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond);
    return s;
}

// The C library's own count of days (UTC, no zone) as the reference.
int64_t LibcDays(int year, int month, int day) {
    tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    return static_cast<int64_t>(timegm(&t)) / 86400;
}

TEST(CivilTime, DaysAndWeekdaysAgreeWithTheCLibrary) {
    const struct {
        int y, m, d;
        int weekday;  // 0 Sunday
    } cases[] = {{1970, 1, 1, 4},  {1969, 12, 31, 3}, {2000, 2, 29, 2}, {2000, 3, 1, 3},
                 {2100, 2, 28, 0}, {2100, 3, 1, 1},   {2024, 2, 29, 4}, {2026, 12, 7, 1},
                 {1900, 3, 1, 4},  {9999, 12, 31, 5}};
    for (const auto& c : cases) {
        EXPECT_EQ(DaysFromCivil(c.y, c.m, c.d), LibcDays(c.y, c.m, c.d)) << c.y << "-" << c.m;
        EXPECT_EQ(Weekday(c.y, c.m, c.d), c.weekday) << c.y << "-" << c.m << "-" << c.d;
    }
}

TEST(CivilTime, EveryDayFollowsTheOneBefore) {
    const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int y = 0, m = 0, d = 0;
    CivilFromDays(-800000, y, m, d);
    for (int64_t days = -799999; days < 800000; ++days) {
        const int py = y, pm = m, pd = d;
        CivilFromDays(days, y, m, d);
        const bool leap = (py % 4 == 0 && py % 100 != 0) || py % 400 == 0;
        const int length = monthDays[pm - 1] + (pm == 2 && leap ? 1 : 0);
        const bool next =
            pd < length
                ? (y == py && m == pm && d == pd + 1)
                : (d == 1 && (pm < 12 ? (y == py && m == pm + 1) : (y == py + 1 && m == 1)));
        ASSERT_TRUE(next) << days << ": " << py << "-" << pm << "-" << pd << " then " << y << "-"
                          << m << "-" << d;
        ASSERT_EQ(DaysFromCivil(y, m, d), days);
    }
}

TEST(CivilTime, MillisecondsRoundTripOnBothSidesOf1970) {
    const struct {
        int64_t ms;
        LocalDateTime t;
    } cases[] = {
        {0, {1970, 1, 1, 0, 0, 0, 0}},
        {-1, {1969, 12, 31, 23, 59, 59, 999}},
        {-86400000, {1969, 12, 31, 0, 0, 0, 0}},
        {951782400000 + 86399999, {2000, 2, 29, 23, 59, 59, 999}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(CivilFromMs(c.ms)), Text(c.t)) << c.ms;
        EXPECT_EQ(CivilToMs(c.t), c.ms) << Text(c.t);
    }
}

TEST(CivilTime, ParseDateTimeAcceptsOnlyRealDates) {
    const struct {
        const char* text;
        bool ok;
    } cases[] = {
        {"2024/02/29 23:59:59", true},
        {"2023/02/29 00:00:00", false},
        {"2000/02/29 12:00:00", true},
        {"2100/02/29 12:00:00", false},
        {"2026/04/30 00:00:00", true},
        {"2026/04/31 00:00:00", false},
        {"1970/01/01 00:00:00", true},
        {"1969/12/31 23:59:59", false},
        {"9999/12/31 23:59:59", true},
        {"10000/01/01 00:00:00", false},
        {"2026/13/01 00:00:00", false},
        {"2026/00/10 00:00:00", false},
        {"2026/01/00 00:00:00", false},
        {"2026/01/32 00:00:00", false},
        {"2026/01/01 24:00:00", false},
        {"2026/01/01 12:60:00", false},
        {"2026/01/01 12:00:60", false},
        {"2026/01/01 12:00:00x", false},
        {"2026/01/01", false},
        {"2026-01-01 12:00:00", false},
        {"", false},
        {nullptr, false},
    };
    for (const auto& c : cases) {
        LocalDateTime t{1999, 9, 9, 9, 9, 9, 9};
        const char* name = c.text ? c.text : "(null)";
        EXPECT_EQ(ParseDateTime(c.text, t), c.ok) << name;
        if (!c.ok) {
            EXPECT_EQ(Text(t), "1999/09/09 09:09:09.009") << name;  // untouched
        }
    }
    LocalDateTime t;
    ASSERT_TRUE(ParseDateTime("2024/02/29 07:08:09", t));
    EXPECT_EQ(Text(t), "2024/02/29 07:08:09.000");
}

TEST(FakeClock, AdvanceCrossesMidnightMonthAndYearEnds) {
    const struct {
        LocalDateTime start;
        int64_t advanceMs;
        const char* after;
    } cases[] = {
        {{2026, 12, 31, 23, 59, 59, 950}, 100, "2027/01/01 00:00:00.050"},
        {{2024, 2, 28, 23, 0, 0, 0}, 3600000, "2024/02/29 00:00:00.000"},
        {{2024, 2, 28, 23, 0, 0, 0}, 90000000, "2024/03/01 00:00:00.000"},
        {{2023, 2, 28, 23, 59, 59, 999}, 1, "2023/03/01 00:00:00.000"},
        {{2026, 4, 30, 23, 59, 59, 999}, 1, "2026/05/01 00:00:00.000"},
        {{2026, 1, 31, 12, 0, 0, 0}, 31LL * 86400000, "2026/03/03 12:00:00.000"},
    };
    for (const auto& c : cases) {
        FakeClock clock(c.start);
        clock.Advance(c.advanceMs / 2);
        clock.Advance(c.advanceMs - c.advanceMs / 2);
        EXPECT_EQ(Text(clock.Now()), c.after) << Text(c.start);
        EXPECT_EQ(clock.MonotonicMs(), c.advanceMs);
    }
}

TEST(FakeClock, SettingTheTimeLeavesMonotonicTimeAlone) {
    FakeClock clock;
    clock.Advance(500);
    EXPECT_TRUE(clock.SetLocalTime({2020, 6, 1, 5, 0, 0, 0}));
    clock.Set({2019, 1, 1, 0, 0, 0, 0});
    EXPECT_EQ(clock.setCalls, 1);
    EXPECT_EQ(Text(clock.Now()), "2019/01/01 00:00:00.000");
    EXPECT_EQ(clock.MonotonicMs(), 500);
    clock.Advance(1500);
    EXPECT_EQ(Text(clock.Now()), "2019/01/01 00:00:01.500");
}

TEST(ProgramClock, InstalledClockServesUntilRemoved) {
    FakeClock fake({2031, 3, 4, 5, 6, 7, 8});
    SetProgramClock(&fake);
    EXPECT_EQ(Text(ProgramClock().Now()), "2031/03/04 05:06:07.008");
    fake.Advance(1000);
    EXPECT_EQ(ProgramClock().MonotonicMs(), 1000);
    SetProgramClock(nullptr);
    EXPECT_EQ(dynamic_cast<SystemClock*>(&ProgramClock()) != nullptr, true);
    const int64_t a = ProgramClock().MonotonicMs();
    EXPECT_GE(ProgramClock().MonotonicMs(), a);
}

TEST(SystemClock, StartAtRunsOnFromTheGivenMoment) {
    SystemClock clock;
    const LocalDateTime start{2031, 7, 8, 23, 59, 58, 0};
    clock.StartAt(start);
    const int64_t drift = CivilToMs(clock.Now()) - CivilToMs(start);
    EXPECT_GE(drift, 0);
    EXPECT_LT(drift, 5000);
}

}  // namespace
}  // namespace sonivex
