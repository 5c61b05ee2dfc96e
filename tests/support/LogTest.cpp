// Tests of the log writer: file naming by day and kind, line format, LogError, folder and failures.
#include "support/Log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <array>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/basic.h"

namespace sonivex {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string HostName() {
    std::array<char, 256> buf{};
    return gethostname(buf.data(), buf.size() - 1) == 0 ? std::string(buf.data()) : "";
}

class LogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        SetProgramClock(&clock_);
        config_.folder = temp_.path().toStdString() + "/log/";
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

    QTemporaryDir temp_;
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
    const struct {
        int kind;
        const char* ext;
        bool echoed;
    } cases[] = {{0, ".log", true}, {1, ".err", false}, {16, ".err", false}, {-3, ".err", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        echoed_.clear();
        const std::string text = "kind " + std::to_string(c.kind);
        WriteLog(text, c.kind);
        EXPECT_NE(ReadText(FileOf("20261205", c.ext)).find(text), std::string::npos);
        const char* other = std::string(c.ext) == ".log" ? ".err" : ".log";
        EXPECT_EQ(ReadText(FileOf("20261205", other)).find(text), std::string::npos);
        EXPECT_EQ(echoed_.size(), c.echoed ? 1u : 0u);
    }
    EXPECT_EQ(LogFilePath(16), FileOf("20261205", ".err"));
}

TEST_F(LogTest, ALineAfterMidnightStartsTheNextDaysFile) {
    const struct {
        LocalDateTime before;
        const char* dayBefore;
        const char* dayAfter;
    } cases[] = {{{2026, 12, 5, 23, 59, 59, 999}, "20261205", "20261206"},
                 {{2026, 12, 31, 23, 59, 59, 0}, "20261231", "20270101"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dayBefore);
        clock_.Set(c.before);
        WriteLog("last");
        clock_.Set(LocalDateTime{c.before.year, c.before.month, c.before.day, 23, 59, 59, 0});
        clock_.Advance(1000);
        WriteLog("first");
        const std::string before = ReadText(FileOf(c.dayBefore, ".log"));
        const std::string after = ReadText(FileOf(c.dayAfter, ".log"));
        EXPECT_NE(before.find(" 23:59:59 last\n"), std::string::npos);
        EXPECT_EQ(before.find("first"), std::string::npos);
        EXPECT_NE(after.find(" 00:00:00 first\n"), std::string::npos);
        EXPECT_EQ(after.find("last"), std::string::npos);
    }
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
    EXPECT_EQ(echoed_, std::vector<std::string>{"2026/12/05 10:00:00 forced"});
}

TEST_F(LogTest, AMissingParentLosesTheLineOrThrowsWithErrorCatch) {
    config_.folder = temp_.path().toStdString() + "/missing/log/";
    ConfigureLog(config_);
    EXPECT_NO_THROW(WriteLog("lost"));
    EXPECT_FALSE(FolderExists(temp_.path().toStdString() + "/missing"));
    // The echo still shows what could not be written.
    EXPECT_EQ(echoed_, std::vector<std::string>{"2026/12/05 10:00:00 lost"});

    config_.errorCatch = true;
    ConfigureLog(config_);
    EXPECT_THROW(WriteLog("thrown", 1), std::runtime_error);
    EXPECT_FALSE(FolderExists(temp_.path().toStdString() + "/missing"));
}

}  // namespace
}  // namespace sonivex
