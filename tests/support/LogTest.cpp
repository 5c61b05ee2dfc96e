// The log writer (file naming by day and kind, line format, LogError, failures) and the message
// box without a display.
#include "support/Log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "support/basic.h"

namespace sonivex {
namespace {

using testing::ReadText;

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
        std::array<char, 256> host{};
        gethostname(host.data(), host.size() - 1);
        return config_.folder + date + " - " + host.data() + " - sonivex" + ext;
    }

    testing::TempDir temp_;
    FakeClock clock_{LocalDateTime{2026, 12, 5, 10, 0, 0, 0}};
    LogConfig config_;
    std::vector<std::string> echoed_;
};

// Operation lines (echoed too) and the other kinds' lines go to the day's .log and .err, each
// stamped; the folder is made at the first line, the files are readable by all.
TEST_F(LogTest, StampedLinesGoToTheDaysFileOfTheirKindCreatingTheFolder) {
    ASSERT_FALSE(FolderExists(config_.folder));
    const mode_t savedMask = umask(022);
    WriteLog("first");
    umask(savedMask);
    // Without a display a message box is one operation line, answered by its OK button.
    EXPECT_EQ(CenteredMsgBox("gone\r\nfor\ngood\rnow", MB_OK | MB_ICONSTOP, "sonivex"), IDOK);
    clock_.Advance(1500);
    for (int kind : {1, 16, -3}) WriteLog("kind " + std::to_string(kind), kind);
    const std::string path = FileOf("20261205", ".log");
    const std::string lines =
        "2026/12/05 10:00:00 first\n2026/12/05 10:00:00 [message] sonivex: gone for good now\n";
    EXPECT_EQ(ReadText(path), lines);
    const std::string stamp = "2026/12/05 10:00:01 ";
    EXPECT_EQ(ReadText(FileOf("20261205", ".err")),
              stamp + "kind 1\n" + stamp + "kind 16\n" + stamp + "kind -3\n");
    EXPECT_EQ(echoed_.size(), 2u);  // operation lines only
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    clock_.Set({2026, 12, 31, 23, 59, 59, 999});
    WriteLog("last");
    clock_.Advance(1);
    WriteLog("first");
    EXPECT_EQ(ReadText(FileOf("20261231", ".log")), "2026/12/31 23:59:59 last\n");
    EXPECT_EQ(ReadText(FileOf("20270101", ".log")), "2027/01/01 00:00:00 first\n");
}

// LogError 0 writes forced lines only; a folder that cannot be made loses the line, or throws
// with ErrorCatch.
TEST_F(LogTest, LogErrorZeroWritesOnlyForcedLinesAndAFailureThrowsOnlyWithErrorCatch) {
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
    config_.folder = temp_.File("missing/log/");
    ConfigureLog(config_);
    EXPECT_NO_THROW(WriteLog("lost", 0, 1));
    EXPECT_EQ(echoed_.size(), 2u) << "the echo still shows what could not be written";
    config_.errorCatch = true;
    ConfigureLog(config_);
    EXPECT_THROW(WriteLog("thrown", 1, 1), std::runtime_error);
    EXPECT_FALSE(FolderExists(temp_.File("missing")));
}

}  // namespace
}  // namespace sonivex
