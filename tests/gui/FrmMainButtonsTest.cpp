// Clicking the real buttons of the main window: monitoring on and off, the manual cancel, the
// paused alert button, the colours on screen, and meters that redraw only when they change.
#include <gtest/gtest.h>

#include <QImage>

#include "GuiHarness.h"

namespace sonivex::testing {
namespace {

const QColor kGreyRim(176, 176, 176);
const QColor kBlueRim(160, 160, 255);
const QColor kRedRim(255, 160, 160);

// The rim colour as drawn on screen: fill 2 of the colour set in use.
QColor RimOf(UC_TextButton* button) {
    return button->grab().toImage().pixelColor(button->width() / 2, 1);
}

struct Look {
    int auditSet, alertSet;
    QColor auditRim, alertRim;
};

void ExpectLook(GuiHarness& h, int i, const Look& look, const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(h.window->AuditButton(i)->ColourSetInUse(), look.auditSet);
    EXPECT_EQ(h.window->AlertButton(i)->ColourSetInUse(), look.alertSet);
    EXPECT_EQ(RimOf(h.window->AuditButton(i)), look.auditRim);
    EXPECT_EQ(RimOf(h.window->AlertButton(i)), look.alertRim);
}

const Look kIdle{0, 0, kGreyRim, kGreyRim};
const Look kMonitoring{1, 0, kBlueRim, kGreyRim};
const Look kInAlert{1, 1, kBlueRim, kRedRim};

TEST(FrmMainButtons, AuditButtonStartsAndStopsMonitoring) {
    GuiHarness h;
    h.SimInputs({"tone -20 100", "tone -20 100"});
    h.Start();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(h.window->AuditButton(i)->Text(0), "Audit");
        EXPECT_EQ(h.window->AlertButton(i)->Text(0), "Alert");
        ExpectLook(h, i, kIdle, "at start-up");
    }
    h.Click(h.window->AuditButton(1));
    EXPECT_TRUE(h.Capturing(1));
    EXPECT_FALSE(h.Capturing(0));
    EXPECT_TRUE(h.HasLine("監視開始（手動）2"));
    ExpectLook(h, 1, kMonitoring, "monitoring");
    ExpectLook(h, 0, kIdle, "the other row");
    const int before = h.window->MeterRenders(1);
    h.RunTicks(10);
    EXPECT_GT(h.window->MeterRenders(1), before);

    h.Click(h.window->AuditButton(1));
    EXPECT_FALSE(h.Capturing(1));
    EXPECT_TRUE(h.HasLine("監視停止（手動）2"));
    ExpectLook(h, 1, kIdle, "stopped");
}

TEST(FrmMainButtons, AlertButtonCancelsByHandAndStopsTheInput) {
    GuiHarness h;
    h.SimInputs({"silence 100", "tone -20 100"});
    h.Set("MuonSec", "1");
    h.Set("MuonSecMono", "1");
    h.Start();
    h.Click(h.window->AuditButton(0));
    h.Click(h.window->AuditButton(1));
    h.RunTicks(20);  // 1.2 s of silence raises the alert
    ASSERT_EQ(h.monitor->AlertActive[0], 1);
    ExpectLook(h, 0, kInAlert, "in alert");
    EXPECT_EQ(h.window->AlertButton(0)->Text(0), "Alert");

    h.Click(h.window->AlertButton(1));  // not in alert: nothing happens
    h.Click(h.window->AlertButton(0));
    EXPECT_EQ(h.monitor->CancelRequest[0], 1);
    h.RunTicks(1);  // served at the end of the tick
    EXPECT_EQ(h.monitor->AlertActive[0], 0);
    EXPECT_FALSE(h.Capturing(0));
    ExpectLook(h, 0, kIdle, "cancelled by hand");
    EXPECT_TRUE(h.Capturing(1));
    ExpectLook(h, 1, kMonitoring, "the other input goes on");
}

TEST(FrmMainButtons, PausedInputShowsADashOnItsAlertButton) {
    GuiHarness h;
    h.SimInputs({"tone -20 100", "tone -20 100"});
    h.Set("AutoRec", "1");
    h.Start();
    h.monitor->ExternalPause[1] = 1;
    h.RunTicks(1);
    EXPECT_EQ(h.window->AlertButton(1)->Text(0), "-");
    EXPECT_EQ(h.window->AlertButton(0)->Text(0), "Alert");
    // The text is set every tick; the button is painted only when it changes.
    const int paints = h.window->AlertButton(1)->Paints();
    h.RunTicks(5);
    EXPECT_EQ(h.window->AlertButton(1)->Paints(), paints);
    h.monitor->ExternalPause[1] = 0;
    h.RunTicks(1);
    EXPECT_EQ(h.window->AlertButton(1)->Text(0), "Alert");
}

// A downtime period from "sched.txt" on a silent input, in the window: "-" while it runs, no alert;
// the alert once the silence has lasted long enough after it.
TEST(FrmMainButtons, ScheduledInputShowsADashThenAlertsAfterItsPeriod) {
    GuiHarness h;
    h.SimInputs({"tone -20 100", "silence 1000"});
    h.Set("AutoRec", "1");
    h.Set("MuonSec", "5");
    testing::WriteText(h.dir.File("sched.txt"),
                       "\"1\",\"09:30:00\",\"09:30:20\",\"0\",\"2026/12/05\"\r\n");
    h.Start();
    h.RunTicks(200);  // 09:30:20
    EXPECT_EQ(h.window->AlertButton(1)->Text(0), "-");
    EXPECT_EQ(h.monitor->AlertActive[1], 0);
    h.RunTicks(20);  // the period is over; the silence is counted again from here
    EXPECT_EQ(h.window->AlertButton(1)->Text(0), "Alert");
    EXPECT_EQ(h.monitor->AlertActive[1], 0);
    h.RunTicks(50);
    EXPECT_NE(h.monitor->AlertActive[1], 0);
    EXPECT_EQ(h.monitor->AlertActive[0], 0);
}

// One input with a steady tone, one whose level steps every buffer, one idle: only the
// meters whose picture changes are redrawn and repainted.
TEST(FrmMainButtons, OnlyChangedMetersRepaint) {
    GuiHarness h;
    h.SimInputs({"tone -20 100", "tone -10 0.2; tone -30 0.2", "tone -20 100"});
    h.Start();
    h.Click(h.window->AuditButton(0));
    h.Click(h.window->AuditButton(1));
    h.RunTicks(6);  // the first buffers bring the steady meter to its level
    int renders[3], paints[3];
    for (int i = 0; i < 3; ++i) {
        renders[i] = h.window->MeterRenders(i);
        paints[i] = h.window->PictureVU(i)->Paints();
    }
    h.RunTicks(40);  // 4 s: 20 buffers per monitored input
    EXPECT_EQ(h.window->MeterRenders(0), renders[0]);
    EXPECT_GE(h.window->MeterRenders(1) - renders[1], 19);
    EXPECT_EQ(h.window->MeterRenders(2), renders[2]);
    EXPECT_EQ(h.window->PictureVU(0)->Paints(), paints[0]);
    EXPECT_GT(h.window->PictureVU(1)->Paints(), paints[1]);
    EXPECT_EQ(h.window->PictureVU(2)->Paints(), paints[2]);
}

// What the meter shows: the stopped meter at rest, the level figure, the name only when set.
TEST(FrmMainButtons, MeterPictureFollowsTheInput) {
    GuiHarness h;
    h.SimInputs({"tone -6 100", "tone -6 100"});
    h.Set("AuditName_1", "FM 本線");
    h.Start();
    auto litPixels = [&](int i) {
        const QImage image = h.window->PictureVU(i)->Pixmap().toImage();
        int lit = 0;  // bright red or green bar pixels
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (std::abs(c.red() - c.green()) > 40) ++lit;
            }
        return lit;
    };
    const QImage unnamed = h.window->PictureVU(1)->Pixmap().toImage();
    const QImage named = h.window->PictureVU(0)->Pixmap().toImage();
    EXPECT_NE(unnamed, named);  // the name is printed on meter 1 only
    EXPECT_EQ(litPixels(0), 0);
    h.Click(h.window->AuditButton(0));
    h.RunTicks(4);
    EXPECT_GT(litPixels(0), 100);
    h.Click(h.window->AuditButton(0));
    EXPECT_EQ(litPixels(0), 0);
}

}  // namespace
}  // namespace sonivex::testing
