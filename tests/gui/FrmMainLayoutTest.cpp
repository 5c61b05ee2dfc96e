// The main window's geometry: scaling onto whole pixels, the row pitch, the window height rule,
// the widgets where the layout puts them, and the saved and restored placement.
#include <gtest/gtest.h>

#include <QMenuBar>

#include "GuiHarness.h"

namespace sonivex::testing {
namespace {

struct ScaleCase {
    float sizeRate;
    float used;       // after clamping
    int meterHeight;  // twips
    int rowPitch;     // twips
    int barWidth;     // pixels, half the bar
};

class LayoutScaleTest : public ::testing::TestWithParam<ScaleCase> {};

// Meter heights: 675 x rate cut to whole pixels; VScale = (height - 60) / 615;
// pitch = height + 240 x VScale, rounded.
TEST_P(LayoutScaleTest, ScalesOntoWholePixels) {
    const ScaleCase& c = GetParam();
    const MainLayout l = ComputeMainLayout(c.sizeRate, 3);
    EXPECT_FLOAT_EQ(l.sizeRate, c.used);
    EXPECT_EQ(l.picture.height, c.meterHeight);
    EXPECT_EQ(l.audit.height, c.meterHeight);
    EXPECT_EQ(l.rowPitch, c.rowPitch);
    EXPECT_EQ(l.BarWidth(), c.barWidth);
    for (const TwipsRect* r : {&l.clock, &l.audit, &l.picture, &l.alert}) {
        EXPECT_EQ(r->left % kTwipsPerPixel, 0);
        EXPECT_EQ(r->top % kTwipsPerPixel, 0);
        EXPECT_EQ(r->width % kTwipsPerPixel, 0);
        EXPECT_EQ(r->height % kTwipsPerPixel, 0);
    }
    EXPECT_EQ(l.clientHeight, l.audit.top + 3 * l.rowPitch + l.audit.height + 360);
}

INSTANTIATE_TEST_SUITE_P(Rates, LayoutScaleTest,
                         ::testing::Values(ScaleCase{1.0f, 1.0f, 675, 915, 5},
                                           ScaleCase{1.2f, 1.2f, 810, 1103, 6},
                                           ScaleCase{0.7f, 0.7f, 465, 623, 3},
                                           ScaleCase{0.5f, 0.7f, 465, 623, 3},
                                           ScaleCase{3.0f, 3.0f, 2025, 2792, 16},
                                           ScaleCase{5.0f, 3.0f, 2025, 2792, 16}));

TEST(Layout, DesignSizeAndBrokenSettings) {
    const MainLayout l = ComputeMainLayout(1.0f, 0);
    EXPECT_EQ(l.audit.width, 1350);
    EXPECT_EQ(l.picture.width, 5400);
    EXPECT_EQ(ScaleTwips(1350, 0.7f), 945);  // 944.99... in single precision is still 945
    EXPECT_EQ(ComputeMainLayout(1.2f, 12).rows, 8);
    EXPECT_EQ(ComputeMainLayout(1.2f, -1).rows, 1);
    EXPECT_FLOAT_EQ(ComputeMainLayout(std::nanf(""), 0).sizeRate, 1.0f);
}

struct WindowCase {
    const char* sizeRate;
    int numRec;
};

class WindowLayoutTest : public ::testing::TestWithParam<WindowCase> {};

// Every row one pitch below the one before, its three controls on one top edge, and the window
// holding the last row with 360 twips to spare.
TEST_P(WindowLayoutTest, RowsWhereTheLayoutPutsThem) {
    const WindowCase& c = GetParam();
    GuiHarness h;
    h.SimInputs(std::vector<std::string>(c.numRec + 1, ""));
    h.Set("SizeRate", c.sizeRate);
    h.Start();
    const MainLayout& l = h.window->Geometry();
    ASSERT_EQ(h.window->Rows(), c.numRec + 1);
    ASSERT_EQ(h.window->AuditButton(c.numRec + 1), nullptr);
    for (int i = 0; i < h.window->Rows(); ++i) {
        SCOPED_TRACE(i);
        const QRect audit = h.window->AuditButton(i)->geometry();
        const QRect picture = h.window->PictureVU(i)->geometry();
        const QRect alert = h.window->AlertButton(i)->geometry();
        EXPECT_EQ(audit,
                  QRect(l.Audit(i).left, l.Audit(i).top, l.Audit(i).width, l.Audit(i).height));
        EXPECT_EQ(picture.top(), audit.top());
        EXPECT_EQ(alert.top(), audit.top());
        EXPECT_EQ(picture.height(), audit.height());
        EXPECT_LT(audit.right(), picture.left());
        EXPECT_LT(picture.right(), alert.left());
        EXPECT_EQ(audit.top(), (l.audit.top + i * l.rowPitch) / kTwipsPerPixel);
    }
    const QWidget* face = h.window->centralWidget();
    const int lastBottom = h.window->AuditButton(c.numRec)->geometry().bottom() + 1;
    EXPECT_GE(face->height() - lastBottom, 360 / kTwipsPerPixel);
    EXPECT_GE(face->width(), h.window->AlertButton(0)->geometry().right() + 1);
    EXPECT_TRUE(face->geometry().top() >= h.window->menuBar()->geometry().bottom());
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowLayoutTest,
                         ::testing::Values(WindowCase{"1.2", 0}, WindowCase{"1.2", 7},
                                           WindowCase{"0.7", 7}, WindowCase{"3.0", 1}));

struct PlacementCase {
    const char* left;
    const char* top;
    QPoint at;
};

class PlacementTest : public ::testing::TestWithParam<PlacementCase> {};

// Twips to pixels; negative edges and edges past the screen (800 x 600 offscreen) become 0.
TEST_P(PlacementTest, RestoresThePosition) {
    const PlacementCase& c = GetParam();
    GuiHarness h;
    h.SimInputs({""});
    h.Set("WindowLeft", c.left);
    h.Set("WindowTop", c.top);
    h.Start();
    EXPECT_EQ(h.window->pos(), c.at);
}

INSTANTIATE_TEST_SUITE_P(Edges, PlacementTest,
                         ::testing::Values(PlacementCase{"1500", "3000", QPoint(100, 200)},
                                           PlacementCase{"-300", "450", QPoint(0, 30)},
                                           PlacementCase{"99999", "1500", QPoint(0, 100)},
                                           PlacementCase{"1500", "99999", QPoint(100, 0)}));

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
