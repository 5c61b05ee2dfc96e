// Tests of the message box routing: a set service answers, otherwise a log line and the default.
#include "support/HeadlessMessageBox.h"

#include <QTemporaryDir>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {
namespace {

struct RecordingBox : MessageBoxService {
    int Show(const std::string& text, int flags, const std::string& title) override {
        shown.push_back(title + "|" + text + "|" + std::to_string(flags));
        return answer;
    }
    std::vector<std::string> shown;
    int answer = IDNO;
};

class MessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        SetProgramClock(&clock_);
        LogConfig config;
        config.folder = temp_.path().toStdString() + "/";
        config.echo = [this](const std::string& line) { lines_.push_back(line); };
        ConfigureLog(config);
    }
    void TearDown() override {
        SetMessageBoxService(nullptr);
        ConfigureLog(LogConfig{});
        SetProgramClock(nullptr);
    }
    QTemporaryDir temp_;
    FakeClock clock_{LocalDateTime{2026, 12, 5, 8, 30, 0, 0}};
    std::vector<std::string> lines_;
};

TEST_F(MessageBoxTest, HeadlessLogsOneLineAndAnswersTheFirstButton) {
    const struct {
        int flags;
        int expected;
    } cases[] = {{MB_OK, IDOK},     {MB_OK | MB_ICONSTOP, IDOK},
                 {MB_YESNO, IDYES}, {MB_YESNO | MB_ICONQUESTION, IDYES},
                 {0x1, IDOK},       {0x2, 3},
                 {0x3, IDYES},      {0x5, 4},
                 {0x6, 2}};
    HeadlessMessageBox box;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        lines_.clear();
        EXPECT_EQ(box.Show("first\r\nsecond\nthird\rend", c.flags, "sonivex"), c.expected);
        EXPECT_EQ(lines_, std::vector<std::string>{
                              "2026/12/05 08:30:00 [message] sonivex: first second third end"});
    }
}

TEST_F(MessageBoxTest, CenteredMsgBoxUsesTheSetServiceElseHeadless) {
    RecordingBox recording;
    SetMessageBoxService(&recording);
    EXPECT_EQ(CenteredMsgBox("閉じますか?", MB_YESNO | MB_ICONQUESTION, "sonivex"), IDNO);
    EXPECT_EQ(recording.shown, std::vector<std::string>{"sonivex|閉じますか?|36"});
    EXPECT_TRUE(lines_.empty());

    SetMessageBoxService(nullptr);
    EXPECT_EQ(CenteredMsgBox("閉じますか?", MB_YESNO | MB_ICONQUESTION, "sonivex"), IDYES);
    EXPECT_EQ(recording.shown.size(), 1u);
    EXPECT_EQ(lines_,
              std::vector<std::string>{"2026/12/05 08:30:00 [message] sonivex: 閉じますか?"});
}

}  // namespace
}  // namespace sonivex
