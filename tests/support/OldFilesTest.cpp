// Tests of the old-file pruning on a temp tree whose file times are set around the cut-off.
#include "support/OldFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <ctime>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/basic.h"

namespace sonivex {
namespace {

// "now" of the tests; with 90 days the cut-off is 2026/09/07 12:00:05.
const LocalDateTime kNow{2026, 12, 6, 12, 0, 5, 0};
const LocalDateTime kCutOff{2026, 9, 7, 12, 0, 5, 0};

time_t LocalToTime(const LocalDateTime& t, int64_t offsetSeconds) {
    tm local{};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1;
    return mktime(&local) + offsetSeconds;
}

class OldFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        SetProgramClock(&clock_);
        root_ = temp_.path().toStdString() + "/log";
        outside_ = temp_.path().toStdString() + "/outside";
        ASSERT_TRUE(MakeFolder(root_));
        ASSERT_TRUE(MakeFolder(outside_));
    }
    void TearDown() override { SetProgramClock(nullptr); }

    // A file (and the folders on its way) under `base`, last written `offset` seconds from the
    // cut-off.
    void File(const std::string& base, const std::string& relative, int64_t offset) {
        const std::string path = base + "/" + relative;
        for (size_t slash = path.find('/', base.size() + 1); slash != std::string::npos;
             slash = path.find('/', slash + 1)) {
            MakeFolder(path.substr(0, slash));
        }
        std::ofstream(path) << "line\n";
        SetTime(path, offset);
    }
    static void SetTime(const std::string& path, int64_t offset) {
        const timespec times[2] = {{LocalToTime(kCutOff, offset), 0},
                                   {LocalToTime(kCutOff, offset), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    }
    bool Exists(const std::string& relative) const {
        struct stat st {};
        return lstat((root_ + "/" + relative).c_str(), &st) == 0;
    }

    QTemporaryDir temp_;
    FakeClock clock_{kNow};
    std::string root_;
    std::string outside_;
};

constexpr int64_t kDaySeconds = 86400;

TEST_F(OldFilesTest, DeletesFilesBeforeTheCutOffAndFoldersLeftEmpty) {
    File(root_, "old.log", -1);
    File(root_, "edge.log", 0);  // at the cut-off itself: not lower, kept
    File(root_, "new.err", kDaySeconds);
    File(root_, "sub/old.txt", -kDaySeconds);
    File(root_, "keep/new.txt", 1);
    File(root_, "keep/old.txt", -1);
    File(root_, "deep/er/old.txt", -400 * kDaySeconds);
    ASSERT_TRUE(MakeFolder(root_ + "/empty"));
    File(root_, "readonly.log", -1);
    ASSERT_EQ(chmod((root_ + "/readonly.log").c_str(), 0444), 0);
    File(root_, "NUL.log", -1);  // a reserved device name is never touched

    DeleteOldFiles(root_, 90);

    const struct {
        const char* relative;
        bool kept;
    } expected[] = {{"old.log", false},      {"edge.log", true},      {"new.err", true},
                    {"sub/old.txt", false},  {"sub", false},          {"keep/new.txt", true},
                    {"keep/old.txt", false}, {"deep/er", false},      {"deep", false},
                    {"empty", false},        {"readonly.log", false}, {"NUL.log", true}};
    for (const auto& e : expected) {
        EXPECT_EQ(Exists(e.relative), e.kept) << e.relative;
    }
    EXPECT_TRUE(FolderExists(root_));
}

TEST_F(OldFilesTest, LinksAreDeletedAsThemselvesAndNeverFollowed) {
    File(outside_, "old.txt", -kDaySeconds);
    File(outside_, "inner/old.txt", -kDaySeconds);
    ASSERT_EQ(symlink(outside_.c_str(), (root_ + "/oldlink").c_str()), 0);
    SetTime(root_ + "/oldlink", -1);
    ASSERT_EQ(symlink(outside_.c_str(), (root_ + "/newlink").c_str()), 0);
    SetTime(root_ + "/newlink", 1);

    DeleteOldFiles(root_ + "/", 90);

    EXPECT_FALSE(Exists("oldlink"));
    EXPECT_TRUE(Exists("newlink"));
    EXPECT_TRUE(FileExists(outside_ + "/old.txt"));
    EXPECT_TRUE(FileExists(outside_ + "/inner/old.txt"));
}

TEST_F(OldFilesTest, TheDaysCountMovesTheCutOffAndAnEmptiedFolderGoesItself) {
    File(root_, "day/ten-days.log", 80 * kDaySeconds);  // written 10 days before now
    DeleteOldFiles(root_, -1);
    DeleteOldFiles(root_ + "/missing", 0);
    DeleteOldFiles("", 0);
    DeleteOldFiles(root_, 11);
    EXPECT_TRUE(Exists("day/ten-days.log"));
    DeleteOldFiles(root_, 9);
    EXPECT_FALSE(FolderExists(root_));
    EXPECT_TRUE(FolderExists(outside_));
}

}  // namespace
}  // namespace sonivex
