// Tests of the old-file pruning on a temp tree whose file times are set around the cut-off.
#include "support/OldFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/Clock.h"
#include "support/basic.h"

namespace sonivex {
namespace {

constexpr int64_t kDaySeconds = 86400;

class OldFilesTest : public ::testing::Test {
  protected:
    // "now" is 2026/12/06 12:00:05; with 90 days the cut-off is 2026/09/07 12:00:05 local time.
    void SetUp() override { SetProgramClock(&clock_); }
    void TearDown() override { SetProgramClock(nullptr); }

    // A file (and the folders on its way) last written `offset` seconds from the cut-off.
    void File(const std::string& path, int64_t offset) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << "line\n";
        SetTime(path, offset);
    }
    static void SetTime(const std::string& path, int64_t offset) {
        tm cutOff{};
        strptime("2026/09/07 12:00:05", "%Y/%m/%d %H:%M:%S", &cutOff);
        cutOff.tm_isdst = -1;
        const timespec time{mktime(&cutOff) + offset, 0};
        const timespec times[2] = {time, time};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    }
    bool Exists(const std::string& relative) const {
        struct stat st {};
        return lstat((root_ + "/" + relative).c_str(), &st) == 0;
    }

    FakeClock clock_{LocalDateTime{2026, 12, 6, 12, 0, 5, 0}};
    testing::TempDir temp_;
    const std::string root_ = temp_.File("log");
    const std::string outside_ = temp_.File("outside");
};

TEST_F(OldFilesTest, DeletesFilesBeforeTheCutOffAndFoldersLeftEmptyButNeverFollowsLinks) {
    for (const auto& [path, offset] : std::initializer_list<std::pair<std::string, int64_t>>{
             {"old.log", -1},
             {"edge.log", 0},  // at the cut-off itself: not lower, kept
             {"new.err", kDaySeconds},
             {"sub/old.txt", -kDaySeconds},
             {"keep/new.txt", 1},
             {"keep/old.txt", -1},
             {"deep/er/old.txt", -400 * kDaySeconds},
             {"readonly.log", -1},
             {"NUL.log", -1}}) {  // a reserved device name is never touched
        File(root_ + "/" + path, offset);
    }
    ASSERT_EQ(chmod((root_ + "/readonly.log").c_str(), 0444), 0);
    ASSERT_TRUE(MakeFolder(root_ + "/empty"));
    File(outside_ + "/inner/old.txt", -kDaySeconds);
    ASSERT_EQ(symlink(outside_.c_str(), (root_ + "/oldlink").c_str()), 0);
    SetTime(root_ + "/oldlink", -1);
    ASSERT_EQ(symlink(outside_.c_str(), (root_ + "/newlink").c_str()), 0);
    SetTime(root_ + "/newlink", 1);
    File(outside_ + "/readonly.txt", 0);  // reached through an old link to a file
    ASSERT_EQ(chmod((outside_ + "/readonly.txt").c_str(), 0444), 0);
    ASSERT_EQ(symlink((outside_ + "/readonly.txt").c_str(), (root_ + "/filelink").c_str()), 0);
    SetTime(root_ + "/filelink", -1);

    DeleteOldFiles(root_ + "/", 90);

    for (const char* kept : {"edge.log", "new.err", "keep/new.txt", "NUL.log", "newlink"}) {
        EXPECT_TRUE(Exists(kept)) << kept;
    }
    for (const char* gone :
         {"old.log", "sub", "keep/old.txt", "deep", "empty", "readonly.log", "oldlink"}) {
        EXPECT_FALSE(Exists(gone)) << gone;
    }
    EXPECT_TRUE(FileExists(outside_ + "/inner/old.txt"));
    struct stat st {};
    ASSERT_EQ(stat((outside_ + "/readonly.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u) << "a link's target is left as it was";
}

TEST_F(OldFilesTest, TheDaysCountMovesTheCutOffAndAnEmptiedFolderGoesItself) {
    File(root_ + "/day/ten-days.log", 80 * kDaySeconds);  // written 10 days before now
    DeleteOldFiles(root_, -1);
    DeleteOldFiles(root_ + "/missing", 0);
    DeleteOldFiles("", 0);
    DeleteOldFiles(root_, 11);
    EXPECT_TRUE(Exists("day/ten-days.log"));
    DeleteOldFiles(root_, 9);
    EXPECT_FALSE(FolderExists(root_));
    EXPECT_TRUE(FolderExists(temp_.Folder()));
}

}  // namespace
}  // namespace sonivex
