// Tests of the common routines: date texts, time of day, elapsed time and path texts.
#include "support/basic.h"

#include <cmath>

#include <gtest/gtest.h>

#include "platform/Clock.h"

namespace sonivex {
namespace {

class ClockTest : public ::testing::Test {
  protected:
    void SetUp() override { SetProgramClock(&clock_); }
    void TearDown() override { SetProgramClock(nullptr); }
    FakeClock clock_;
};

TEST_F(ClockTest, DateTimeTextFormsAndBroadcastDay) {
    const LocalDateTime morning{2026, 12, 6, 10, 20, 30, 45};
    const struct {
        LocalDateTime now;
        int dayStart, dayOffset, sepMode, parts, timeSource, yearMode;
        double secOffset;
        const char* expected;
    } cases[] = {
        {{2026, 12, 6, 4, 59, 59, 0}, 18000, 0, 0, 0, 0, 0, 0, "2026/12/05 28:59:59"},
        {{2026, 12, 6, 5, 0, 0, 0}, 18000, 0, 0, 0, 0, 0, 0, "2026/12/06 05:00:00"},
        {{2028, 3, 1, 1, 0, 0, 0}, 18000, 0, 0, 0, 0, 0, 0, "2028/02/29 25:00:00"},
        {morning, 0, 0, 1, 1, 0, 0, 0, "20261206"},
        {morning, 0, 0, 2, 7, 0, 0, 0, "2026-12-06 10_20_30_045"},
        {morning, 0, 0, 0, 1, 0, 2, 0, "/12/06"},
        {morning, 0, 0, 0, 0, 0, 1, 0, "26/12/06 10:20:30"},
        {morning, 0, -90, 0, 0, 0, 0, 0, "2026/09/07 10:20:30"},
        {morning, 0, 0, 0, 0, 2, 0, 0, "2026/12/06 23:59:59"},
        {morning, 18000, 0, 0, 0, 3, 0, 0, "2026/12/06 05:00:00"},
        {morning, 18000, 0, 0, 0, 1, 0, 0, "2026/12/05 24:00:00"},
        {{2026, 12, 31, 23, 59, 59, 500}, 0, 0, 0, 7, 0, 0, 1.0, "2027/01/01 00:00:00.500"},
        {{2026, 12, 6, 5, 0, 5, 0}, 18000, 0, 0, 0, 0, 0, -10.0, "2026/12/05 28:59:55"},
        {morning, 0, 0, 0, 0, 0, 0, std::nan(""), "2026/12/06 10:20:30"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        clock_.Set(c.now);
        EXPECT_EQ(DateTimeText(c.dayStart, c.dayOffset, c.sepMode, c.parts, c.timeSource,
                               c.yearMode, c.secOffset),
                  c.expected);
    }
}

TEST_F(ClockTest, TimeOfDayAndElapsedSecondsAcrossMidnight) {
    clock_.Set({2026, 12, 6, 10, 20, 30, 45});
    EXPECT_DOUBLE_EQ(TimeOfDaySeconds(), 37230.045);
    const struct {
        LocalDateTime now;
        double start;
        int mode;
        double expected;
    } cases[] = {
        {{2026, 12, 7, 0, 0, 1, 0}, 86399.5, 0, 1.5},       // midnight crossed
        {{2026, 12, 7, 10, 0, 0, 0}, 36000.5, 0, 0.0},      // the clock stepped back a little
        {{2026, 12, 7, 10, 0, 0, 0}, 36001.5, 0, 86398.5},  // more than a second back: a day
        {{2026, 12, 7, 10, 0, 0, 0}, 36000.5, 1, -0.5},     // mode 1 keeps the sign
    };
    for (const auto& c : cases) {
        clock_.Set(c.now);
        EXPECT_NEAR(ElapsedSeconds(c.start, c.mode), c.expected, 1e-6) << c.start;
    }
}

TEST(PathText, AddSeparatorSplitPathAndReservedNames) {
    const struct {
        const char* path;
        int remove;
        const char* expected;
    } separators[] = {{"/var/log", 0, "/var/log/"},
                      {"/var/log/", 1, "/var/log"},
                      {"  /a \t", 0, "/a/"},
                      {"/a//", 1, "/a/"},
                      {"   ", 1, ""},
                      {"HTTP://host/x", 0, "HTTP://host/x/"}};
    for (const auto& c : separators) EXPECT_EQ(AddSeparator(c.path, c.remove), c.expected);
    const std::string path = "/data/log/a.b.txt";
    EXPECT_EQ(SplitPath(path, true, false, false, false, false), "/data/log");
    EXPECT_EQ(SplitPath(path, false, false, false, false, true), "txt");
    EXPECT_EQ(SplitPath(path, true, true, true, true, true, 2), "/DATA/LOG/A.B.TXT");
    EXPECT_EQ(SplitPath("/Data.d/Readme", false, false, true, true, true, 1), "readme");
    EXPECT_EQ(SplitPath("/top", true, true, false, false, false), "/");
    EXPECT_EQ(SplitPath("", true, true, true, true, true), "");
    for (const char* reserved : {"NUL.txt", "/x/nul", "com1.log", "LPT9", "CLOCK$.x", "/x/Aux."}) {
        EXPECT_EQ(IsReservedDeviceName(reserved), 1) << reserved;
    }
    for (const char* name : {"COM10", "console", "/x/NUL/a.txt", "AUX.tar.gz", "", "LPTX"}) {
        EXPECT_EQ(IsReservedDeviceName(name), 0) << name;
    }
}

}  // namespace
}  // namespace sonivex
