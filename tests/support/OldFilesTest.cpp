// Tests of the old-log pruning on a temp tree whose file times are set around the cut-off.
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
constexpr char kLog[] = "20260101 - pc - sonivex.log";  // a log file's name

class OldFilesTest : public ::testing::Test {
  protected:
    // File times are the machine's, whatever the program clock says: it runs years ahead here.
    void SetUp() override { SetProgramClock(&clock_); }
    void TearDown() override { SetProgramClock(nullptr); }

    // A file (and the folders on its way) last written `offset` seconds from the 90-day cut-off.
    void File(const std::string& path, int64_t offset) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << "line\n";
        SetTime(path, offset);
    }
    static void SetTime(const std::string& path, int64_t offset) {
        const timespec time{std::time(nullptr) - 90 * kDaySeconds + offset, 0};
        const timespec times[2] = {time, time};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    }
    bool Exists(const std::string& relative) const {
        struct stat st {};
        return lstat((root_ + "/" + relative).c_str(), &st) == 0;
    }

    FakeClock clock_{LocalDateTime{2031, 12, 6, 12, 0, 5, 0}};
    testing::TempDir temp_;
    const std::string root_ = temp_.File("log");
    const std::string outside_ = temp_.File("outside");
};

TEST_F(OldFilesTest, DeletesOnlyOldLogFilesAndFoldersItEmptiedAndNeverFollowsLinks) {
    const std::string log = kLog;
    for (const auto& [path, offset] : std::initializer_list<std::pair<std::string, int64_t>>{
             {"20200101 - pc - other.err", -1},
             {"20200101 -  - sonivex.log", -1},  // no computer name
             {"new/" + log, kDaySeconds},
             {"sub/" + log, -kDaySeconds},
             {"deep/er/" + log, -400 * kDaySeconds},
             {"readonly/" + log, -1},
             {"keep/notes.txt", -400 * kDaySeconds},  // the user's files share the folder
             {"keep/2020 - pc - x.log", -400 * kDaySeconds},
             {"keep/20200101 - pc.log", -400 * kDaySeconds},
             {"keep/20200101 - pc - x.log.bak", -400 * kDaySeconds},
             {"NUL - a - b.log", -1}}) {  // not a log name, and a reserved device name besides
        File(root_ + "/" + path, offset);
    }
    ASSERT_EQ(chmod((root_ + "/readonly/" + log).c_str(), 0444), 0);
    ASSERT_TRUE(MakeFolder(root_ + "/empty"));  // a folder of the user's, empty already
    File(outside_ + "/" + log, -kDaySeconds);
    ASSERT_EQ(symlink(outside_.c_str(), (root_ + "/20200101 - pc - link.log").c_str()), 0);
    SetTime(root_ + "/20200101 - pc - link.log", -1);

    DeleteOldFiles(root_ + "/", 90);

    for (const char* kept :
         {"new", "keep/notes.txt", "keep/2020 - pc - x.log", "keep/20200101 - pc.log",
          "keep/20200101 - pc - x.log.bak", "NUL - a - b.log", "empty"})
        EXPECT_TRUE(Exists(kept)) << kept;
    for (const char* gone : {"20200101 - pc - other.err", "20200101 -  - sonivex.log", "sub",
                             "deep", "readonly", "20200101 - pc - link.log"})
        EXPECT_FALSE(Exists(gone)) << gone;
    EXPECT_TRUE(FileExists(outside_ + "/" + log)) << "a link is deleted as itself";
}

TEST_F(OldFilesTest, TheDaysCountMovesTheCutOffAndAnEmptiedFolderGoesItself) {
    File(root_ + "/day/" + kLog, 80 * kDaySeconds);  // written 10 days ago
    DeleteOldFiles(root_, -1);
    DeleteOldFiles(root_ + "/missing", 0);
    DeleteOldFiles("", 0);
    DeleteOldFiles(root_, 11);
    EXPECT_TRUE(Exists(std::string("day/") + kLog));
    DeleteOldFiles(root_, 9);
    EXPECT_FALSE(FolderExists(root_));
    EXPECT_TRUE(FolderExists(temp_.Folder()));
}

}  // namespace
}  // namespace sonivex
