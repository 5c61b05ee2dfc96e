// Tests of the log writer: file naming by day and kind, line format, LogError, folder and failures.
#include "support/Log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/Clock.h"
#include "support/basic.h"

namespace sonivex {
namespace {

using testing::ReadText;

std::string HostName() {
    std::array<char, 256> buf{};
    return gethostname(buf.data(), buf.size() - 1) == 0 ? std::string(buf.data()) : "";
}

class LogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetProgramClock(&clock_);
        config_.folder = temp_.File("log/");
        config_.echo = [this](const std::string& line) { echoed_.push_back(line); };
        ConfigureLog(config_);
    }
    void TearDown() override {
        ConfigureLog(LogConfig{});
        SetProgramClock(nullptr);
    }
    std::string FileOf(const std::string& date, const std::string& ext) const {
        return config_.folder + date + " - " + HostName() + " - sonivex" + ext;
    }

    testing::TempDir temp_;
    FakeClock clock_{LocalDateTime{2026, 12, 5, 10, 0, 0, 0}};
    LogConfig config_;
    std::vector<std::string> echoed_;
};

TEST_F(LogTest, AppendsStampedLinesToTheDaysFileCreatingTheFolder) {
    ASSERT_FALSE(FolderExists(config_.folder));
    const mode_t savedMask = umask(022);
    WriteLog("first");
    umask(savedMask);
    clock_.Advance(1500);
    WriteLog("second 監視開始");
    const std::string path = FileOf("20261205", ".log");
    EXPECT_EQ(LogFilePath(0), path);
    EXPECT_EQ(ReadText(path), "2026/12/05 10:00:00 first\n2026/12/05 10:00:01 second 監視開始\n");
    EXPECT_EQ(echoed_, (std::vector<std::string>{"2026/12/05 10:00:00 first",
                                                 "2026/12/05 10:00:01 second 監視開始"}));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(LogTest, KindZeroGoesToTheOperationLogAnyOtherKindToTheErrorLog) {
    for (int kind : {0, 1, 16, -3}) WriteLog("kind " + std::to_string(kind), kind);
    const std::string stamp = "2026/12/05 10:00:00 ";
    EXPECT_EQ(ReadText(FileOf("20261205", ".log")), stamp + "kind 0\n");
    EXPECT_EQ(ReadText(FileOf("20261205", ".err")),
              stamp + "kind 1\n" + stamp + "kind 16\n" + stamp + "kind -3\n");
    EXPECT_EQ(echoed_, std::vector<std::string>{stamp + "kind 0"});
    EXPECT_EQ(LogFilePath(16), FileOf("20261205", ".err"));
}

TEST_F(LogTest, ALineAfterMidnightStartsTheNextDaysFile) {
    clock_.Set({2026, 12, 31, 23, 59, 59, 999});
    WriteLog("last");
    clock_.Advance(1);
    WriteLog("first");
    // Each file holds its own day's line only.
    EXPECT_EQ(ReadText(FileOf("20261231", ".log")), "2026/12/31 23:59:59 last\n");
    EXPECT_EQ(ReadText(FileOf("20270101", ".log")), "2027/01/01 00:00:00 first\n");
}

TEST_F(LogTest, LogErrorZeroWritesOnlyForcedLines) {
    config_.logError = 0;
    ConfigureLog(config_);
    WriteLog("quiet");
    WriteLog("quiet error", 1);
    EXPECT_FALSE(FolderExists(config_.folder));
    EXPECT_TRUE(echoed_.empty());

    WriteLog("forced", 0, 1);
    WriteLog("forced error", 16, 1);
    EXPECT_EQ(ReadText(FileOf("20261205", ".log")), "2026/12/05 10:00:00 forced\n");
    EXPECT_EQ(ReadText(FileOf("20261205", ".err")), "2026/12/05 10:00:00 forced error\n");
    EXPECT_EQ(echoed_.size(), 1u);
}

TEST_F(LogTest, AMissingParentLosesTheLineOrThrowsWithErrorCatch) {
    config_.folder = temp_.File("missing/log/");
    ConfigureLog(config_);
    EXPECT_NO_THROW(WriteLog("lost"));
    EXPECT_EQ(echoed_.size(), 1u) << "the echo still shows what could not be written";

    config_.errorCatch = true;
    ConfigureLog(config_);
    EXPECT_THROW(WriteLog("thrown", 1), std::runtime_error);
    EXPECT_FALSE(FolderExists(temp_.File("missing")));
}

}  // namespace
}  // namespace sonivex
