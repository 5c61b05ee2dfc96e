// Alert and cancel texts in both languages on broadcast-day time.
#include "mail/AlertText.h"

#include <gtest/gtest.h>

#include "platform/Clock.h"

namespace sonivex {
namespace {

class AlertTextTest : public ::testing::Test {
  protected:
    void SetUp() override { SetProgramClock(&clock_); }
    void TearDown() override { SetProgramClock(nullptr); }
    FakeClock clock_{LocalDateTime{2026, 12, 6, 2, 30, 15}};
};

TEST_F(AlertTextTest, JapaneseAlertOnBroadcastTime) {
    AlertTextSettings s;
    EXPECT_EQ(AlertText(0, 3, "A", s),
              "警報\r\n2026/12/05 26:30:15 (監視PC内部時刻) \r\nSonivexが無音を検出しました。\r\n"
              "ch1 A (Lch 20秒以上)");
    EXPECT_EQ(FlattenCrLf(AlertText(7, 2, "", s)),
              "警報 2026/12/05 26:30:15 (監視PC内部時刻)  Sonivexが無音を検出しました。 ch8  (両ch "
              "15秒以上)");
    const std::string unknown = AlertText(0, 9, "A", s);  // a kind beyond 1..4 ends after " ("
    EXPECT_EQ(unknown.substr(unknown.size() - 7), "ch1 A (");
}

TEST_F(AlertTextTest, EnglishTextsAndCauses) {
    AlertTextSettings s;
    s.messageLang = 1;
    clock_.Set({2026, 12, 6, 5, 0, 0});
    EXPECT_EQ(
        AlertText(1, 1, "FM", s),
        "2026/12/06 05:00:00 (PC local time) \r\nSonivex has detected the absence of audio in "
        "your broadcasting signal.\r\nch2 FM (mono ch more than 15sec)");
    EXPECT_NE(AlertText(1, 4, "FM", s).find("(Rch more than 20sec)"), std::string::npos);
    EXPECT_TRUE(AlertText(1, 5, "FM", s).ends_with("\r\nch2 FM (capture device failure)"));
    EXPECT_TRUE(CancelText(1, 2, "FM", s).ends_with("\r\nch2 FM (capture device restored)"));
    EXPECT_EQ(CancelText(1, 0, "FM", s),
              "2026/12/06 05:00:00 (PC local time) \r\nAlert has canceled.\r\nch2 FM (Manually "
              "canceled)");
    EXPECT_EQ(MailSubject("FM", 1), "Sonivex has detected the absence of audio #FM");
    EXPECT_EQ(MailSubject("FM", 0), "sonivex無音検出 FM");
}

TEST_F(AlertTextTest, JapaneseCancelTexts) {
    AlertTextSettings s;
    EXPECT_EQ(FlattenCrLf(CancelText(2, 1, "B", s)),
              "警報解除 2026/12/05 26:30:15 (PC内部時刻)  警報が解除されました。 ch3 B (音声復旧)");
    EXPECT_NE(CancelText(2, 0, "B", s).find("(手動解除)"), std::string::npos);
    EXPECT_EQ(FlattenCrLf("a\r\nb\rc\nd\r\n"), "a b\rc\nd ");
}

}  // namespace
}  // namespace sonivex
