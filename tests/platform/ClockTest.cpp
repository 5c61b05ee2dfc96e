// Calendar arithmetic, date parsing and the system clock started at a given moment. (The fake
// clock drives every monitor test.)
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <ctime>
#include <tuple>

#include "platform/CivilTime.h"

namespace sonivex {
namespace {

std::string Text(const LocalDateTime& t) {
    char s[40];
    std::snprintf(s, sizeof s, "%04d/%02d/%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond);
    return s;
}

// The C library's calendar (UTC, no zone) is the reference for day numbers and weekdays.
TEST(CivilTime, LeapYearEdgesAgreeWithTheCLibrary) {
    const int dates[][3] = {{1969, 12, 31}, {1970, 1, 1},  {1900, 2, 28}, {1900, 3, 1},
                            {2000, 2, 29},  {2000, 3, 1},  {2100, 2, 28}, {2100, 3, 1},
                            {2023, 3, 1},   {2024, 2, 29}, {2400, 2, 29}, {9999, 12, 31}};
    for (const auto& [y, m, d] : dates) {
        SCOPED_TRACE(Text({y, m, d}));
        tm t{};
        t.tm_year = y - 1900;
        t.tm_mon = m - 1;
        t.tm_mday = d;
        const int64_t days = static_cast<int64_t>(timegm(&t)) / 86400;  // fills in tm_wday too
        EXPECT_EQ(DaysFromCivil(y, m, d), days);
        EXPECT_EQ(Weekday(y, m, d), t.tm_wday);
        int by = 0, bm = 0, bd = 0;
        CivilFromDays(days, by, bm, bd);
        EXPECT_EQ(std::tie(by, bm, bd), std::tie(y, m, d));
    }
}

TEST(CivilTime, ParseDateTimeAcceptsOnlyRealDates) {
    for (const char* text :
         {"2023/02/29 00:00:00", "2100/02/29 12:00:00", "2026/04/31 00:00:00",
          "1969/12/31 23:59:59", "10000/01/01 00:00:00", "2026/13/01 00:00:00",
          "2026/01/01 24:00:00", "2026/01/01 12:00:60", "2026/01/01 12:00:00x", "2026/01/01"}) {
        LocalDateTime t{1999, 9, 9, 9, 9, 9, 9};
        EXPECT_FALSE(ParseDateTime(text, t)) << text;
        EXPECT_EQ(Text(t), "1999/09/09 09:09:09.009") << text << " changed the time";
    }
    LocalDateTime t;
    EXPECT_FALSE(ParseDateTime(nullptr, t));
    EXPECT_TRUE(ParseDateTime("2000/02/29 12:00:00", t));
    EXPECT_TRUE(ParseDateTime("9999/12/31 23:59:59", t));
    ASSERT_TRUE(ParseDateTime("2024/02/29 07:08:09", t));
    EXPECT_EQ(Text(t), "2024/02/29 07:08:09.000");
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
