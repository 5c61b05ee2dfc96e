// Whole alert cycles of the monitor in simulated time.
#include <gtest/gtest.h>

#include "monitor/MonitorHarness.h"

namespace sonivex {
namespace {

using testing::MonitorHarness;
using V = std::vector<std::string>;

// One silent input watched from start-up; buffers complete every 0.2 s of the clock.
void SilentInput(MonitorHarness& h, const std::string& program) {
    h.Set("NumRec", "0");
    h.Set("AutoRec", "1");
    h.Set("AuditName_1", "FM");
    h.Set("SimSignal_1", program);
}

// Mail for alerts and restorations.
void StartWithMail(MonitorHarness& h, bool mailCancel = true) {
    h.Set("MailAtRestoration", mailCancel ? "1" : "0");
    h.Set("MailAddr_1", "ops@example.com");
    h.Start();
}

// The end of an alert is always logged; MailAtRestoration decides only whether it is mailed.
TEST(MonitorCycle, DefaultAlertOnThe76thSilentBufferAndRecoveryOnThe75th) {
    for (const bool mailCancel : {true, false}) {
        SCOPED_TRACE(mailCancel);
        MonitorHarness h;
        SilentInput(h, "silence 20; tone -20 1000");
        StartWithMail(h, mailCancel);
        EXPECT_TRUE(h.HasLine("監視開始（起動）"));
        // Buffer n completes 0.2·n s after the start: the 76th at 15.2 s.
        EXPECT_EQ(h.TicksUntilLine("両ch 15秒以上", 400), 152);
        EXPECT_EQ(h.view.alert[0], 1);
        // Sound returns at 20.0 s; the 75th buffer with sound completes at 35.0 s.
        EXPECT_EQ(h.TicksUntilLine("音声復旧", 400), 350 - 152);
        EXPECT_EQ(h.view.alert[0], 0);
        h.RunTicks(10);
        const std::string mail = "mail 1 sonivex無音検出 FM";
        V expected{"hid 101", "hid 1", "tone on", mail, "hid 101", "tone off"};
        if (mailCancel) expected.push_back(mail);
        EXPECT_EQ(h.rec.events, expected);
        EXPECT_EQ(h.CountLines("警報 "), 1);
        EXPECT_EQ(h.CountLines("警報解除 "), 1);
    }
}

// By hand: a cancel is served at the end of the next tick and stops the input, an alert and its
// cancel in one mail period are two mails in order, a stopped watch leaves its alert on.
TEST(MonitorCycle, AuditAndAlertButtonsByHand) {
    MonitorHarness h;
    SilentInput(h, "silence 100");
    h.Set("AutoRec", "0");
    h.Set("MailAtRestoration", "1");
    h.Set("MailAddr_1", "ops@example.com");
    h.Start();
    h.monitor->AuditButtonClick(0);
    EXPECT_EQ(h.view.audit[0], 1);
    EXPECT_TRUE(h.HasLine("監視開始（手動）1"));
    h.RunTicks(151);  // the mail timer has just run; the alert comes on the next tick
    h.RunTicks(1);
    ASSERT_EQ(h.monitor->AlertActive[0], 1);
    h.monitor->AlertButtonClick(0);
    EXPECT_EQ(h.monitor->AlertActive[0], 1);
    h.RunTicks(1);
    EXPECT_EQ(h.monitor->AlertActive[0], 0);
    EXPECT_EQ(h.monitor->Capture().CaptureState[0], 0);
    EXPECT_EQ(h.view.audit[0], 0);
    EXPECT_EQ(h.view.alert[0], 0);
    EXPECT_EQ(h.view.left[0].text, "-∞");
    EXPECT_TRUE(h.HasLine("(手動解除)"));
    h.monitor->AlertButtonClick(0);  // not in alert: nothing
    h.RunTicks(7);
    ASSERT_EQ(h.mail.bodies.size(), 2u);
    EXPECT_TRUE(h.mail.bodies[0].starts_with("警報\r\n"));
    EXPECT_TRUE(h.mail.bodies[1].starts_with("警報解除\r\n"));
    h.RunSeconds(20);
    EXPECT_EQ(h.monitor->AlertActive[0], 0);
    h.monitor->AuditButtonClick(0);
    h.RunSeconds(16);
    h.monitor->AuditButtonClick(0);
    EXPECT_TRUE(h.HasLine("監視停止（手動）1"));
    EXPECT_EQ(h.view.audit[0], 0);
    EXPECT_EQ(h.monitor->AlertActive[0], 1);
    h.monitor->AuditButtonClick(5);  // beyond the inputs: ignored
    EXPECT_EQ(h.CountLines("（手動）"), 3);
    const std::string mail = "mail 1 sonivex無音検出 FM";
    EXPECT_EQ(h.rec.events, (V{"hid 101", "hid 1", "tone on", "hid 101", "tone off", mail, mail,
                               "hid 1", "tone on", mail}));
}

// The device goes at 3 s and is back at 15 s: the alert comes at once with every outlet and a
// blank meter, the device is tried again every 5 s without a line per try, and its first buffer
// after the return ends the alert, with silence counted from there.
TEST(MonitorCycle, LostCaptureDeviceAlertsUntilItDeliversAgain) {
    MonitorHarness h;
    SilentInput(h, "tone -20 3; gone 12; silence 100");
    StartWithMail(h);
    EXPECT_EQ(h.TicksUntilLine("ch1 FM (録音デバイス異常)", 100), 30);
    EXPECT_EQ(h.view.left[0].text, "-∞");
    EXPECT_EQ(h.view.audit[0], 1);
    // Tries at 8, 13 and 18 s; the first buffer comes 0.2 s after the last.
    EXPECT_EQ(h.TicksUntilLine("ch1 FM (録音デバイス復旧)", 400), 152);
    EXPECT_EQ(h.TicksUntilLine("両ch 15秒以上", 400), 150);
    EXPECT_EQ(h.CountLines("録音デバイス異常 1"), 1);
    EXPECT_EQ(h.CountLines("録音デバイス復旧 1"), 1);
    h.RunTicks(10);
    const std::string mail = "mail 1 sonivex無音検出 FM";
    EXPECT_EQ(h.rec.events, (V{"hid 101", "hid 1", "tone on", mail, "hid 101", "tone off", mail,
                               "hid 1", "tone on", mail}));
}

TEST(MonitorCycle, BroadcastDayOnTheClockDisplay) {
    MonitorHarness h({2026, 12, 7, 4, 59, 58});
    SilentInput(h, "");
    h.Start();
    h.RunTicks(10);
    EXPECT_EQ(h.view.clock0, "2026/12/06(日)");
    EXPECT_EQ(h.view.clock1, "28:59:59");
    h.RunTicks(10);
    EXPECT_EQ(h.view.clock0, "2026/12/07(月)");
    EXPECT_EQ(h.view.clock1, "05:00:00");
}

}  // namespace
}  // namespace sonivex
