// Screenshots of the main window, written as test artefacts (PNG) for a person to look at:
// one row and eight rows, the three display sizes, and the three states of a row side by side.
#include <gtest/gtest.h>

#include <QImage>

#include "GuiHarness.h"

namespace sonivex::testing {
namespace {

struct Scene {
    const char* file;
    const char* sizeRate;
    std::vector<std::string> signals;  // one per input
    int aliveTicks;                    // how long the inputs monitor before the picture
};

const std::vector<std::string> kNames = {"FM 本線",    "AM 本線",  "Studio A", "ラジオ第２",
                                         "中継回線 B", "Studio B", "予備系",   ""};

class ScreenshotTest : public ::testing::TestWithParam<Scene> {};

std::string SceneName(const ::testing::TestParamInfo<Scene>& scene) {
    std::string name = scene.param.file;
    for (char& c : name)
        if (c == '.') c = '_';
    return name;
}

// Every input monitors a tone except the ones named silent; the picture must hold the whole
// layout (nothing cut off) and be written.
TEST_P(ScreenshotTest, WritesTheWindow) {
    const Scene& scene = GetParam();
    GuiHarness h;
    h.SimInputs(scene.signals);
    h.Set("SizeRate", scene.sizeRate);
    h.Set("AutoRec", "1");
    for (size_t k = 0; k < scene.signals.size(); ++k)
        h.Set("AuditName_" + std::to_string(k + 1), kNames[k % kNames.size()]);
    h.Start();
    h.RunTicks(scene.aliveTicks);
    const QImage shot = h.window->grab().toImage();
    const MainLayout& l = h.window->Geometry();
    EXPECT_GE(shot.width(), l.ClientWidthPx());
    EXPECT_GE(shot.height(), l.ClientHeightPx());
    EXPECT_FALSE(h.Screenshot(scene.file).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Window, ScreenshotTest,
    ::testing::Values(Scene{"numrec0", "1.2", {"tone -12 100"}, 12},
                      Scene{"numrec7",
                            "1.2",
                            {"tone -3 100", "tone -9 100", "tone -15 100", "tone -20 100",
                             "tone -26 100", "left -18 100", "tone -40 100", "tone 0 100"},
                            12},
                      Scene{"sizerate0.7", "0.7", {"tone -6 100", "tone -30 100"}, 12},
                      Scene{"sizerate1.2", "1.2", {"tone -6 100", "tone -30 100"}, 12},
                      Scene{"sizerate3.0", "3.0", {"tone -6 100", "tone -30 100"}, 12}),
    SceneName);

// Input 1 falls silent into alert, input 2 monitors a tone, input 3 is idle.
TEST(ScreenshotScene, AlertBesideMonitoringAndIdle) {
    GuiHarness h;
    h.SimInputs({"silence 100", "tone -18 100", ""});
    h.Set("MuonSec", "1");
    h.Set("MuonSecMono", "1");
    for (int k = 1; k <= 3; ++k) h.Set("AuditName_" + std::to_string(k), kNames[k - 1]);
    h.Start();
    h.Click(h.window->AuditButton(0));
    h.Click(h.window->AuditButton(1));
    h.RunTicks(20);
    ASSERT_EQ(h.monitor->AlertActive[0], 1);
    EXPECT_EQ(h.window->AlertButton(0)->ColourSetInUse(), 1);
    EXPECT_EQ(h.window->AuditButton(1)->ColourSetInUse(), 1);
    EXPECT_EQ(h.window->AuditButton(2)->ColourSetInUse(), 0);
    EXPECT_FALSE(h.Screenshot("alert-monitoring-idle").empty());
}

}  // namespace
}  // namespace sonivex::testing
