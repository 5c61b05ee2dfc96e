// The old-log pruning on a temp tree whose file times are set around the cut-off.
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

constexpr int64_t kDay = 86400;

// A file last written `offset` seconds from the 90-day cut-off of the machine's clock.
void SetTime(const std::string& path, int64_t offset) {
    const timespec time{std::time(nullptr) - 90 * kDay + offset, 0};
    const timespec times[2] = {time, time};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// Old log files go, in subfolders too, and the folders that leaves empty; the user's files and
// folders stay, and a link is deleted as itself. File times are the machine's, whatever the
// program clock says: it runs years ahead here.
TEST(OldFiles, DeletesOnlyOldLogFilesAndFoldersItEmptiedAndNeverFollowsLinks) {
    FakeClock clock{LocalDateTime{2031, 12, 6, 12, 0, 5, 0}};
    SetProgramClock(&clock);
    testing::TempDir temp;
    const std::string root = temp.File("log/"), outside = temp.File("outside/");
    const std::string log = "20260101 - pc - sonivex.log";
    auto file = [](const std::string& path, int64_t offset) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << "line\n";
        SetTime(path, offset);
    };
    for (const auto& [path, offset] : std::initializer_list<std::pair<std::string, int64_t>>{
             {"20200101 - pc - other.err", -1},
             {"new/" + log, kDay},
             {"deep/er/" + log, -400 * kDay},
             {"keep/notes.txt", -400 * kDay},
             {"keep/20200101 - pc.log", -400 * kDay},
             {"keep/20200101 - pc - x.log.bak", -400 * kDay}})
        file(root + path, offset);
    ASSERT_TRUE(MakeFolder(root + "empty"));
    file(outside + log, -kDay);
    ASSERT_EQ(symlink(outside.c_str(), (root + "20200101 - pc - link.log").c_str()), 0);
    SetTime(root + "20200101 - pc - link.log", -1);

    DeleteOldFiles(root, 90);

    auto exists = [&](const std::string& relative) {
        struct stat st {};
        return lstat((root + relative).c_str(), &st) == 0;
    };
    for (const char* kept : {"new", "keep/notes.txt", "keep/20200101 - pc.log",
                             "keep/20200101 - pc - x.log.bak", "empty"})
        EXPECT_TRUE(exists(kept)) << kept;
    for (const char* gone : {"20200101 - pc - other.err", "deep", "20200101 - pc - link.log"})
        EXPECT_FALSE(exists(gone)) << gone;
    EXPECT_TRUE(FileExists(outside + log));
    SetProgramClock(nullptr);
}

}  // namespace
}  // namespace sonivex
