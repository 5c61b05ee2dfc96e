// The main window's geometry rule and its saved and restored placement.
#include <gtest/gtest.h>

#include "GuiHarness.h"

namespace sonivex::testing {
namespace {

// Meter heights: 675 x rate cut to whole pixels; VScale = (height - 60) / 615;
// pitch = height + 240 x VScale, rounded; broken rates and row counts are clamped.
TEST(Layout, ScalesOntoWholePixels) {
    const struct {
        float sizeRate, used;  // after clamping
        int numRec, rows;
        int meterHeight, rowPitch;  // twips
        int barWidth;               // pixels, half the bar
    } cases[] = {{1.0f, 1.0f, 3, 4, 675, 915, 5},         {1.2f, 1.2f, 12, 8, 810, 1103, 6},
                 {0.7f, 0.7f, -1, 1, 465, 623, 3},        {0.5f, 0.7f, 3, 4, 465, 623, 3},
                 {3.0f, 3.0f, 3, 4, 2025, 2792, 16},      {5.0f, 3.0f, 3, 4, 2025, 2792, 16},
                 {std::nanf(""), 1.0f, 0, 1, 675, 915, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sizeRate);
        const MainLayout l = ComputeMainLayout(c.sizeRate, c.numRec);
        EXPECT_FLOAT_EQ(l.sizeRate, c.used);
        EXPECT_EQ(l.rows, c.rows);
        EXPECT_EQ(l.picture.height, c.meterHeight);
        EXPECT_EQ(l.audit.height, c.meterHeight);
        EXPECT_EQ(l.rowPitch, c.rowPitch);
        EXPECT_EQ(l.BarWidth(), c.barWidth);
        for (const TwipsRect* r : {&l.clock, &l.audit, &l.picture, &l.alert})
            for (int v : {r->left, r->top, r->width, r->height}) EXPECT_EQ(v % kTwipsPerPixel, 0);
        EXPECT_EQ(l.clientHeight, l.audit.top + (c.rows - 1) * l.rowPitch + l.audit.height + 360);
    }
    EXPECT_EQ(ComputeMainLayout(1.0f, 0).picture.width, 5400);
    EXPECT_EQ(ScaleTwips(1350, 0.7f), 945);  // 944.99... in single precision is still 945
}

// Twips to pixels; negative edges and edges past the screen (800 x 600 offscreen) become 0.
TEST(Placement, RestoresThePosition) {
    const struct {
        const char *left, *top;
        QPoint at;
    } cases[] = {{"1500", "3000", QPoint(100, 200)},
                 {"-300", "450", QPoint(0, 30)},
                 {"99999", "1500", QPoint(0, 100)},
                 {"1500", "99999", QPoint(100, 0)}};
    for (const auto& c : cases) {
        GuiHarness h;
        h.SimInputs({""});
        h.Set("WindowLeft", c.left);
        h.Set("WindowTop", c.top);
        h.Start();
        EXPECT_EQ(h.window->pos(), c.at) << c.left << " " << c.top;
    }
}

TEST(Placement, SavedInTwipsWithTheState) {
    GuiHarness h;
    h.SimInputs({""});
    h.Set("WindowLeft", "1500");
    h.Set("WindowTop", "3000");
    h.Start();
    const QRect frame = h.window->frameGeometry();
    h.window->move(120, 40);
    h.monitor.reset();  // shutdown saves the placement
    EXPECT_EQ(h.store->ReadSetting("WindowLeft", ""), "1800");
    EXPECT_EQ(h.store->ReadSetting("WindowTop", ""), "600");
    EXPECT_EQ(h.store->ReadSetting("WindowWidth", ""), std::to_string(frame.width() * 15));
    EXPECT_EQ(h.store->ReadSetting("WindowState", ""), "0");
}

// A maximised window keeps the position keys it had and saves only its state.
TEST(Placement, MaximisedKeepsThePreviousPosition) {
    GuiHarness h;
    h.SimInputs({""});
    h.Set("WindowLeft", "1500");
    h.Set("WindowState", "2");
    h.Start();
    EXPECT_TRUE(h.window->isMaximized());
    h.monitor.reset();
    EXPECT_EQ(h.store->ReadSetting("WindowLeft", ""), "1500");
    EXPECT_EQ(h.store->ReadSetting("WindowState", ""), "2");
}

}  // namespace
}  // namespace sonivex::testing
