// Broadcast clock: the day start, hours past 23, change flags.
#include "monitor/BroadcastClock.h"

#include <gtest/gtest.h>

namespace sonivex {
namespace {

TEST(BroadcastClock, DayStartShiftsDateAndHour) {
    BroadcastClock c;
    EXPECT_EQ(c.UpdateClock({2026, 12, 6, 4, 59, 59}, 18000), 3);
    EXPECT_EQ(c.BroadcastDate(), "2026/12/05");
    EXPECT_EQ(c.BroadcastTime(), "28:59:59");
    EXPECT_STREQ(WeekdayKanji(c.BroadcastWeekday()), "土");
    EXPECT_EQ(c.UpdateClock({2026, 12, 6, 5, 0, 0}, 18000), 3);
    EXPECT_EQ(c.BroadcastDate(), "2026/12/06");
    EXPECT_EQ(c.BroadcastTime(), "05:00:00");
    EXPECT_STREQ(WeekdayKanji(c.BroadcastWeekday()), "日");
    EXPECT_EQ(c.UpdateClock({2026, 12, 6, 5, 0, 0, 500}, 18000), 0);
    EXPECT_EQ(c.UpdateClock({2026, 12, 6, 5, 0, 1}, 18000), 1);
}

TEST(BroadcastClock, MidnightAndYearEnds) {
    BroadcastClock c;
    c.UpdateClock({2027, 1, 1, 0, 0, 0}, 18000);
    EXPECT_EQ(c.BroadcastDate(), "2026/12/31");
    EXPECT_EQ(c.BroadcastTime(), "24:00:00");
    c.UpdateClock({2028, 3, 1, 1, 2, 3}, 18000);
    EXPECT_EQ(c.BroadcastDate(), "2028/02/29");
    EXPECT_EQ(c.BroadcastTime(), "25:02:03");
    c.UpdateClock({2027, 1, 1, 0, 0, 0}, 0);  // day start at midnight: plain calendar
    EXPECT_EQ(c.BroadcastDate(), "2027/01/01");
    EXPECT_EQ(c.BroadcastTime(), "00:00:00");
}

}  // namespace
}  // namespace sonivex
