// The common routines the program leans on: the broadcast-day date text, time of day across
// midnight, and folder paths.
#include "support/basic.h"

#include <gtest/gtest.h>

#include "platform/Clock.h"

namespace sonivex {
namespace {

// Before the day start (05:00) the hours run on past 24 on the day before, across a leap day too.
// Elapsed time crosses midnight; a small step back of the clock is no time at all.
TEST(Basic, BroadcastDayTextAndElapsedSecondsAcrossMidnight) {
    FakeClock clock;
    SetProgramClock(&clock);
    const std::pair<LocalDateTime, const char*> texts[] = {
        {{2026, 12, 6, 4, 59, 59, 0}, "2026/12/05 28:59:59"},
        {{2026, 12, 6, 5, 0, 0, 0}, "2026/12/06 05:00:00"},
        {{2028, 3, 1, 1, 0, 0, 0}, "2028/02/29 25:00:00"}};
    for (const auto& [now, text] : texts) {
        clock.Set(now);
        EXPECT_EQ(DateTimeText(18000), text);
    }
    clock.Set({2026, 12, 6, 10, 20, 30, 45});
    EXPECT_DOUBLE_EQ(TimeOfDaySeconds(), 37230.045);
    const struct {
        LocalDateTime now;
        double start;
        int mode;
        double expected;
    } elapsed[] = {
        {{2026, 12, 7, 0, 0, 1, 0}, 86399.5, 0, 1.5},
        {{2026, 12, 7, 10, 0, 0, 0}, 36000.5, 0, 0.0},
        {{2026, 12, 7, 10, 0, 0, 0}, 36001.5, 0, 86398.5},  // more than a second back: a day
        {{2026, 12, 7, 10, 0, 0, 0}, 36000.5, 1, -0.5},     // mode 1 keeps the sign
    };
    for (const auto& c : elapsed) {
        clock.Set(c.now);
        EXPECT_NEAR(ElapsedSeconds(c.start, c.mode), c.expected, 1e-6) << c.start;
    }
    SetProgramClock(nullptr);
}

TEST(Basic, FolderPaths) {
    for (const auto& [path, remove, expected] : {std::tuple{"/var/log", 0, "/var/log/"},
                                                 {"/var/log/", 1, "/var/log"},
                                                 {"  /a \t", 0, "/a/"},
                                                 {"   ", 0, ""}})
        EXPECT_EQ(AddSeparator(path, remove), expected) << path;
    EXPECT_EQ(SplitPath("/opt/bin/sonivex", true, true, false, false, false), "/opt/bin/");
}

}  // namespace
}  // namespace sonivex
