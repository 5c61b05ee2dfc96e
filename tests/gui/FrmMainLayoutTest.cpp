// The main window's placement: restored from twips at start, saved in twips with the state at
// shutdown.
#include <gtest/gtest.h>

#include "GuiHarness.h"

namespace sonivex::testing {
namespace {

// An edge that is negative or past the screen (800 x 600 offscreen) becomes 0; a maximised
// window keeps the position it had.
TEST(Placement, RestoredAndSavedInTwipsWithTheState) {
    const struct {
        const char *left, *top, *state;
        QPoint at;
    } cases[] = {{"1500", "3000", "0", QPoint(100, 200)},
                 {"-300", "99999", "0", QPoint(0, 0)},
                 {"99999", "-300", "0", QPoint(0, 0)},
                 {"1500", "3000", "2", QPoint()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.left) + " " + c.top);
        GuiHarness h;
        h.SimInputs({""});
        h.Set("WindowLeft", c.left);
        h.Set("WindowTop", c.top);
        h.Set("WindowState", c.state);
        h.Start();
        const bool normal = *c.state == '0';
        EXPECT_EQ(h.window->isMaximized(), !normal);
        const QRect frame = h.window->frameGeometry();
        if (normal) {
            EXPECT_EQ(h.window->pos(), c.at);
            h.window->move(120, 40);
        }
        h.monitor.reset();  // shutdown saves the placement
        EXPECT_EQ(h.store->ReadSetting("WindowLeft", ""), normal ? "1800" : c.left);
        EXPECT_EQ(h.store->ReadSetting("WindowTop", ""), normal ? "600" : c.top);
        EXPECT_TRUE(!normal ||
                    h.store->ReadSetting("WindowWidth", "") == std::to_string(frame.width() * 15));
        EXPECT_EQ(h.store->ReadSetting("WindowState", ""), c.state);
    }
}

}  // namespace
}  // namespace sonivex::testing
