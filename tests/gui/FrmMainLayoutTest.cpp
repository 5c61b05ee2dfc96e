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

// Saved in twips with the state at shutdown; a maximised window keeps the position it had.
TEST(Placement, SavedInTwipsWithTheState) {
    for (const char* state : {"0", "2"}) {
        GuiHarness h;
        h.SimInputs({""});
        h.Set("WindowLeft", "1500");
        h.Set("WindowTop", "3000");
        h.Set("WindowState", state);
        h.Start();
        EXPECT_EQ(h.window->isMaximized(), *state == '2');
        const bool normal = *state == '0';
        const QRect frame = h.window->frameGeometry();
        if (normal) h.window->move(120, 40);
        h.monitor.reset();  // shutdown saves the placement
        EXPECT_EQ(h.store->ReadSetting("WindowLeft", ""), normal ? "1800" : "1500");
        EXPECT_EQ(h.store->ReadSetting("WindowTop", ""), normal ? "600" : "3000");
        EXPECT_TRUE(!normal ||
                    h.store->ReadSetting("WindowWidth", "") == std::to_string(frame.width() * 15));
        EXPECT_EQ(h.store->ReadSetting("WindowState", ""), state);
    }
}

}  // namespace
}  // namespace sonivex::testing
