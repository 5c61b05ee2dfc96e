// The log files: the writer and the pruning of old ones.
#include "support/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "support/OldFiles.h"
#include "support/basic.h"

namespace sonivex {
namespace {

using testing::ReadText;

// LogError 0 writes forced lines only. Operation lines (echoed too) and the other kinds' lines go
// to the day's .log and .err, each stamped; the folder is made at the first line. A folder that
// cannot be made loses the line, or throws with ErrorCatch.
TEST(Log, StampedLinesGoToTheDaysFileOfTheirKind) {
    FakeClock clock{LocalDateTime{2026, 12, 5, 10, 0, 0, 0}};
    SetProgramClock(&clock);
    testing::TempDir temp;
    std::vector<std::string> echoed;
    LogConfig config;
    config.folder = temp.File("log/");
    config.echo = [&echoed](const std::string& line) { echoed.push_back(line); };
    config.logError = 0;
    ConfigureLog(config);
    auto path = [&config](const std::string& date, const std::string& ext) {
        std::array<char, 256> host{};
        gethostname(host.data(), host.size() - 1);
        return config.folder + date + " - " + host.data() + " - sonivex" + ext;
    };
    WriteLog("quiet");
    WriteLog("quiet error", 1);
    EXPECT_FALSE(FolderExists(config.folder));
    WriteLog("forced", 0, 1);
    config.logError = 1;
    ConfigureLog(config);
    // Without a display a message box is one operation line, answered by its OK button.
    EXPECT_EQ(CenteredMsgBox("gone\r\nfor\ngood\rnow", MB_OK | MB_ICONSTOP, "sonivex"), IDOK);
    clock.Advance(1500);
    for (int kind : {1, 16, -3}) WriteLog("kind " + std::to_string(kind), kind);
    EXPECT_EQ(
        ReadText(path("20261205", ".log")),
        "2026/12/05 10:00:00 forced\n2026/12/05 10:00:00 [message] sonivex: gone for good now\n");
    const std::string stamp = "2026/12/05 10:00:01 ";
    EXPECT_EQ(ReadText(path("20261205", ".err")),
              stamp + "kind 1\n" + stamp + "kind 16\n" + stamp + "kind -3\n");
    EXPECT_EQ(echoed.size(), 2u);  // operation lines only

    config.folder = temp.File("missing/log/");
    ConfigureLog(config);
    EXPECT_NO_THROW(WriteLog("lost"));
    EXPECT_EQ(echoed.size(), 3u) << "the echo still shows what could not be written";
    config.errorCatch = true;
    ConfigureLog(config);
    EXPECT_THROW(WriteLog("thrown", 1), std::runtime_error);
    EXPECT_FALSE(FolderExists(temp.File("missing")));
    ConfigureLog(LogConfig{});
    SetProgramClock(nullptr);
}

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
    for (const char* kept :
         {"new", "keep/20200101 - pc.log", "keep/20200101 - pc - x.log.bak", "empty"})
        EXPECT_TRUE(exists(kept)) << kept;
    for (const char* gone : {"20200101 - pc - other.err", "deep", "20200101 - pc - link.log"})
        EXPECT_FALSE(exists(gone)) << gone;
    EXPECT_TRUE(FileExists(outside + log));
    SetProgramClock(nullptr);
}

}  // namespace
}  // namespace sonivex
