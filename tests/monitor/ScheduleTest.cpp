// The monitoring schedule: which moments an entry covers, the file, and a paused input in a run.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "Cp932.h"
#include "monitor/MonitorHarness.h"
#include "monitor/Schedule.h"

namespace sonivex {
namespace {

constexpr int kMonday = 1 << 1;
constexpr int kFriday = 1 << 5;
constexpr int kWorkdays = 0b0111110;
constexpr int kEveryDay = 0b1111111;

struct CoverCase {
    const char* what;
    TimerEntry entry;
    const char* probes;  // broadcast date and time, "+" when covered
};

// 2026/12/07 is a Monday; times before the 05:00 day start carry the previous date and hours 24+.
const CoverCase kCoverCases[] = {
    {"weekday entry: both ends included, other weekday of the mask, weekday not in it",
     {0, "09:00:00", "09:05:00", kMonday | kFriday, ""},
     "+2026/12/07 09:00:00 +2026/12/07 09:05:00 -2026/12/07 09:05:01 +2026/12/11 09:02:00 "
     "-2026/12/08 09:02:00 -2026/12/07 08:59:59"},
    {"date entry: its date only, whatever its mask",
     {0, "09:00:00", "10:00:00", kMonday, "2026/12/08"},
     "+2026/12/08 09:30:00 -2026/12/15 09:30:00 -2026/12/07 09:30:00"},
    {"start equal to end: a whole day from the start",
     {0, "10:00:00", "10:00:00", 0, "2026/12/07"},
     "+2026/12/07 10:00:00 +2026/12/08 10:00:00 -2026/12/08 10:00:01 -2026/12/07 09:59:59"},
    {"to 25:00 within the broadcast day",
     {0, "23:00:00", "25:00:00", 0, "2026/12/07"},
     "+2026/12/07 24:59:59 -2026/12/07 25:00:01"},
    // Until the day start the clock still reads Monday, which sorts before Tuesday 01:00; without
    // the day start Tuesday 00:30 is inside too.
    {"Monday 23-01",
     {0, "23:00:00", "01:00:00", kMonday, ""},
     "+2026/12/07 23:30:00 +2026/12/07 28:59:59 -2026/12/08 05:00:00 +2026/12/08 00:30:00 "
     "-2026/12/06 23:30:00"},
    {"Monday 28-06",
     {0, "28:00:00", "06:00:00", kMonday, ""},
     "+2026/12/08 05:30:00 -2026/12/08 06:00:01 -2026/12/07 27:59:59"},
    // An overnight period runs on into the next day whether that day is ticked or not.
    {"Monday-Friday 28-06",
     {0, "28:00:00", "06:00:00", kWorkdays, ""},
     "+2026/12/08 05:30:00 +2026/12/12 05:59:59 -2026/12/12 06:00:01 -2026/12/13 05:30:00"},
    {"every day 25:00-05:30",
     {0, "25:00:00", "05:30:00", kEveryDay, ""},
     "+2026/12/08 05:15:00 -2026/12/08 05:30:01 +2026/12/08 25:00:00"},
    {"overnight date entry across the month",
     {0, "22:00:00", "02:00:00", 0, "2026/11/30"},
     "+2026/12/01 01:59:59"},
    {"malformed date entry never runs",
     {0, "22:00:00", "02:00:00", 0, "someday"},
     "-2026/12/01 01:00:00"},
};

TEST(ScheduleEvaluation, CoversExactlyItsPeriod) {
    for (const CoverCase& c : kCoverCases) {
        std::istringstream probes(c.probes);
        for (std::string date, time; probes >> date >> time;)
            EXPECT_EQ(EntryCovers(c.entry, date.substr(1), time), date[0] == '+')
                << c.what << " at " << date << " " << time;
    }
}

// The schedule file in a folder of its own.
class ScheduleFile : public ::testing::Test {
  protected:
    std::string Path() const { return dir.File(kScheduleFileName); }
    testing::TempDir dir;
};

// An old file in the Windows code page reads; saved again, a schedule is UTF-8.
TEST_F(ScheduleFile, RoundTripKeepsOrderAndFieldsAndAnEmptyScheduleRemovesTheFile) {
    const std::string line = "\"1\",\"09:00:00\",\"10:00:00\",\"0\",\"定時①髙ｶﾅ\"\r\n";
    testing::WriteText(Path(), testing::ToCp932(line));
    ASSERT_NE(testing::ReadText(Path()), line);  // really in the old code page
    ScheduleTable table = *LoadSchedule(dir.Folder());
    ASSERT_EQ(table.Entries.size(), 1u);
    EXPECT_EQ(table.Entries[0].date, "定時①髙ｶﾅ");
    ASSERT_TRUE(SaveSchedule(table, dir.Folder()));
    EXPECT_EQ(testing::ReadText(Path()), line);
    table.Entries = {{0, "09:00:00", "09:05:00", kMonday | kFriday, ""},
                     {7, "23:00:00", "25:00:00", 0, "2026/12/24"},
                     {2, "09,00,00", "番組休止", 0, "2026/12/31"}};
    ASSERT_TRUE(SaveSchedule(table, dir.Folder()));
    const std::string first = "\"0\",\"09:00:00\",\"09:05:00\",\"34\",\"\"\r\n";
    EXPECT_EQ(testing::ReadText(Path()).substr(0, first.size()), first);
    EXPECT_EQ(LoadSchedule(dir.Folder())->Entries, table.Entries);
    EXPECT_TRUE(SaveSchedule(ScheduleTable{}, dir.Folder()));
    EXPECT_FALSE(std::filesystem::exists(Path()));
    EXPECT_TRUE(SaveSchedule(ScheduleTable{}, dir.Folder()));  // nothing to remove is fine
    EXPECT_TRUE(LoadSchedule(dir.Folder())->Entries.empty());
}

// Saving writes through a link to its target and keeps the file's mode; an empty schedule empties
// the target rather than removing the link.
TEST_F(ScheduleFile, SavingKeepsALinkALinkAndTheFileItsMode) {
    namespace fs = std::filesystem;
    constexpr fs::perms kMode = fs::perms::owner_read | fs::perms::owner_write |
                                fs::perms::group_read;  // not what a new file gets
    fs::create_directory(dir.File("real"));
    const std::string target = dir.File("real/schedule");
    testing::WriteText(target, "");
    fs::permissions(target, kMode);
    fs::create_symlink("real/schedule", Path());
    ScheduleTable table;
    table.Entries = {{0, "09:00:00", "10:00:00", kMonday, ""}};
    ASSERT_TRUE(SaveSchedule(table, dir.Folder()));
    EXPECT_TRUE(fs::is_symlink(Path()));
    EXPECT_EQ(fs::status(target).permissions(), kMode);
    EXPECT_EQ(LoadSchedule(dir.Folder())->Entries, table.Entries);
    ASSERT_TRUE(SaveSchedule(ScheduleTable{}, dir.Folder()));
    EXPECT_TRUE(fs::is_symlink(Path()));
    EXPECT_EQ(testing::ReadText(target), "");
}

// A silent input watched from start-up (09:00:00) and in alert that the schedule pauses: paused
// buffers count towards recovery, and the watch returns when the period ends.
TEST(ScheduleRun, PausedInputRecoversAndIsWatchedAgainAfterThePeriod) {
    testing::MonitorHarness h;
    ScheduleTable table;
    table.Entries = {{0, "09:00:20", "09:01:00", 0, "2026/12/07"}};
    h.SetSchedule(&table);
    h.Set("NumRec", "0");
    h.Set("AutoRec", "1");
    h.Set("HukkiSec", "5");
    h.Set("SimSignal_1", "silence 200");
    h.Start();
    h.RunSeconds(16);
    EXPECT_EQ(h.monitor->AlertActive[0], 1);
    EXPECT_EQ(h.view.alertText[0], "Alert");
    h.RunSeconds(5);
    EXPECT_EQ(h.view.alertText[0], "-");
    int recovery = 0;  // the 25th buffer from 20 s completes at 24.8 s
    while (h.monitor->AlertActive[0] == 1 && recovery < 100) {
        h.RunTicks(1);
        ++recovery;
    }
    EXPECT_GE(recovery, 36);
    EXPECT_LE(recovery, 40);
    h.RunSeconds(30);  // up to 09:00:55: still paused, silent, and no new alert
    EXPECT_EQ(h.monitor->AlertActive[0], 0);
    EXPECT_EQ(h.view.alertText[0], "-");
    h.RunSeconds(20);  // the watch returned at 09:01:01: 15 s of silence are not yet over
    EXPECT_EQ(h.view.alertText[0], "Alert");
    EXPECT_EQ(h.monitor->AlertActive[0], 0);
    h.RunSeconds(2);
    EXPECT_EQ(h.monitor->AlertActive[0], 1);
}

}  // namespace
}  // namespace sonivex
