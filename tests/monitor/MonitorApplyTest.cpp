// Settings changed while the monitor runs: a new capture gain acts on the next buffer, a new
// capture device waits until the input is started again.
#include <gtest/gtest.h>

#include "MonitorHarness.h"
#include "playback/Decibel.h"

namespace sonivex::testing {
namespace {

class MonitorApply : public ::testing::Test {
  protected:
    void SetUp() override {
        h.SimInputs(2);
        h.Set("SimSignal_1", "tone -20 100");
        h.Set("SimSignal_2", "tone -40 100");
        h.Start();
        h.monitor->StartCapture(0);
        h.RunSeconds(1);
    }
    float Peak() const { return h.view.left[0].peakDB; }
    MonitorHarness h;
};

TEST_F(MonitorApply, GainActsAtOnceAndDeviceAtTheNextStart) {
    ASSERT_NEAR(Peak(), -20, 0.5);
    h.monitor->settings.inputs[0].recGain = DecibelToGain(-6);
    h.monitor->settings.inputs[0].devIn = 1;  // "Sim In 2"
    h.monitor->ApplySettings();
    h.RunSeconds(0.5);
    EXPECT_NEAR(Peak(), -26, 0.5);
    h.monitor->StopCapture(0);
    h.monitor->StartCapture(0);
    h.RunSeconds(0.5);
    EXPECT_NEAR(Peak(), -46, 0.5);
}

}  // namespace
}  // namespace sonivex::testing
