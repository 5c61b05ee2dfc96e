// Tests of the message box routing: a set service answers, otherwise a log line and the default.
#include "support/HeadlessMessageBox.h"

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
        return IDNO;
    }
    std::vector<std::string> shown;
};

class MessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetProgramClock(&clock_);
        LogConfig config;  // no folder: lines are only echoed
        config.echo = [this](const std::string& line) { lines_.push_back(line); };
        ConfigureLog(config);
    }
    void TearDown() override {
        SetMessageBoxService(nullptr);
        ConfigureLog(LogConfig{});
        SetProgramClock(nullptr);
    }
    FakeClock clock_{LocalDateTime{2026, 12, 5, 8, 30, 0, 0}};
    std::vector<std::string> lines_;
};

TEST_F(MessageBoxTest, HeadlessLogsOneLineAndAnswersTheFirstButton) {
    // Button sets 0..6 by their first button, with icon bits that must not matter.
    const std::pair<int, int> cases[] = {{MB_OK | MB_ICONSTOP, IDOK},
                                         {0x2, 3},
                                         {MB_YESNO | MB_ICONQUESTION, IDYES},
                                         {0x5, 4},
                                         {0x6, 2}};
    HeadlessMessageBox box;
    for (const auto& [flags, expected] : cases) {
        lines_.clear();
        EXPECT_EQ(box.Show("first\r\nsecond\nthird\rend", flags, "sonivex"), expected) << flags;
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
