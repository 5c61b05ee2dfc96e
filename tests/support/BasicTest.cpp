// Tests of the common routines: date texts, time of day, elapsed time, paths and file routines.
#include "support/basic.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cmath>
#include <fstream>

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
        {morning, 0, 0, 0, 2, 0, 0, 0, "10:20:30"},
        {morning, 0, 0, 0, 7, 0, 0, 0, "2026/12/06 10:20:30.045"},
        {morning, 0, 0, 2, 7, 0, 0, 0, "2026-12-06 10_20_30_045"},
        {morning, 0, 0, 1, 3, 0, 0, 0, "20261206102030"},
        {morning, 0, 0, 0, 0, 0, 1, 0, "26/12/06 10:20:30"},
        {morning, 0, 0, 0, 1, 0, 2, 0, "/12/06"},
        {morning, 0, -90, 0, 0, 0, 0, 0, "2026/09/07 10:20:30"},
        {morning, 0, 0, 0, 0, 2, 0, 0, "2026/12/06 23:59:59"},
        {morning, 18000, 0, 0, 0, 3, 0, 0, "2026/12/06 05:00:00"},
        {morning, 18000, 0, 0, 0, 1, 0, 0, "2026/12/05 24:00:00"},
        {{2026, 12, 31, 23, 59, 59, 500}, 0, 0, 0, 7, 0, 0, 1.0, "2027/01/01 00:00:00.500"},
        {{2026, 12, 6, 0, 0, 10, 0}, 0, 0, 0, 0, 0, 0, -11.0, "2026/12/05 23:59:59"},
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
        {{2026, 12, 7, 0, 0, 1, 0}, 86399.5, 0, 1.5},  // midnight crossed
        {{2026, 12, 7, 10, 0, 0, 0}, 35995.0, 0, 5.0},
        {{2026, 12, 7, 10, 0, 0, 0}, 36000.5, 0, 0.0},      // the clock stepped back a little
        {{2026, 12, 7, 10, 0, 0, 0}, 36001.5, 0, 86398.5},  // more than a second back: a day
        {{2026, 12, 7, 10, 0, 0, 0}, 36000.5, 1, -0.5},     // mode 1 keeps the sign
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        clock_.Set(c.now);
        EXPECT_NEAR(ElapsedSeconds(c.start, c.mode), c.expected, 1e-6);
    }
}

TEST(PathText, AddSeparator) {
    const struct {
        const char* path;
        int remove;
        const char* expected;
    } cases[] = {
        {"/var/log", 0, "/var/log/"},
        {"/var/log/", 0, "/var/log/"},
        {"/var/log/", 1, "/var/log"},
        {"/var/log", 1, "/var/log"},
        {"  /a \t", 0, "/a/"},
        {"/a//", 1, "/a/"},
        {"", 0, ""},
        {"   ", 1, ""},
        {"HTTP://host/x", 0, "HTTP://host/x/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(AddSeparator(c.path, c.remove), c.expected);
    }
}

TEST(PathText, SplitPathParts) {
    const struct {
        const char* path;
        bool folder, separator, baseName, dot, extension;
        int caseMode;
        const char* expected;
    } cases[] = {
        {"/data/log/a.b.txt", true, false, false, false, false, 0, "/data/log"},
        {"/data/log/a.b.txt", true, true, false, false, false, 0, "/data/log/"},
        {"/data/log/a.b.txt", false, false, true, false, false, 0, "a.b"},
        {"/data/log/a.b.txt", false, false, true, true, true, 0, "a.b.txt"},
        {"/data/log/a.b.txt", false, false, false, false, true, 0, "txt"},
        {"/data/log/a.b.txt", true, true, true, true, true, 2, "/DATA/LOG/A.B.TXT"},
        {"/Data.d/Readme", false, false, true, true, true, 1, "readme"},
        {"/Data.d/Readme", false, false, false, false, true, 0, ""},
        {"name.WAV", true, true, false, false, true, 1, "wav"},
        {"/top", true, true, false, false, false, 0, "/"},
        {"", true, true, true, true, true, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(
            SplitPath(c.path, c.folder, c.separator, c.baseName, c.dot, c.extension, c.caseMode),
            c.expected);
    }
}

TEST(PathText, ReservedDeviceNames) {
    const struct {
        const char* path;
        int expected;
    } cases[] = {{"NUL.txt", 1},      {"/x/nul", 1},     {"com1.log", 1}, {"LPT9", 1},
                 {"CLOCK$.x", 1},     {"/x/Aux.", 1},    {"COM10", 0},    {"console", 0},
                 {"/x/NUL/a.txt", 0}, {"AUX.tar.gz", 0}, {"", 0},         {"LPTX", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IsReservedDeviceName(c.path), c.expected);
    }
}

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(temp_.isValid()); }
    std::string Path(const std::string& name) const {
        return temp_.path().toStdString() + "/" + name;
    }
    void Touch(const std::string& name) const { std::ofstream(Path(name)) << "x"; }
    QTemporaryDir temp_;
};

TEST_F(FileTest, ExistenceAndMakeFolder) {
    Touch("file.txt");
    ASSERT_EQ(MakeFolder(Path("dir")), 1);
    const struct {
        std::string path;
        int folder, file;
    } cases[] = {{Path("dir"), 1, 0},
                 {Path("dir/"), 1, 0},
                 {Path("file.txt"), 0, 1},
                 {Path("missing"), 0, 0},
                 {"", 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderExists(c.path), c.folder);
        EXPECT_EQ(FileExists(c.path), c.file);
    }
    EXPECT_EQ(MakeFolder(Path("dir")), 0);      // already there
    EXPECT_EQ(MakeFolder(Path("no/such")), 0);  // one level only
    EXPECT_EQ(MakeFolder(Path("second/")), 1);
    EXPECT_EQ(FolderExists(Path("second")), 1);
    EXPECT_EQ(FolderExists(Path("no")), 0);
}

TEST_F(FileTest, DeleteFileSafe) {
    Touch("NUL.txt");
    EXPECT_EQ(DeleteFileSafe(Path("NUL.txt")), 1);
    EXPECT_EQ(FileExists(Path("NUL.txt")), 1);  // reserved names are left alone

    EXPECT_EQ(DeleteFileSafe(Path("missing.txt")), 1);

    Touch("readonly.txt");
    ASSERT_EQ(chmod(Path("readonly.txt").c_str(), 0444), 0);
    EXPECT_EQ(DeleteFileSafe(Path("readonly.txt")), 1);
    EXPECT_EQ(FileExists(Path("readonly.txt")), 0);

    // A link goes, its read-only target stays as it was.
    Touch("target.txt");
    ASSERT_EQ(chmod(Path("target.txt").c_str(), 0444), 0);
    ASSERT_EQ(symlink(Path("target.txt").c_str(), Path("link.txt").c_str()), 0);
    EXPECT_EQ(DeleteFileSafe(Path("link.txt")), 1);
    struct stat st {};
    EXPECT_NE(lstat(Path("link.txt").c_str(), &st), 0);
    ASSERT_EQ(stat(Path("target.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);

    ASSERT_EQ(MakeFolder(Path("dir")), 1);
    EXPECT_EQ(DeleteFileSafe(Path("dir")), 0);
    EXPECT_EQ(FolderExists(Path("dir")), 1);
}

}  // namespace
}  // namespace sonivex
