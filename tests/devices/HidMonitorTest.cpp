// The monitor with the HID box on the hidraw test double: latch commands from start-up to
// shutdown, control inputs as events and as levels, and boxes that answer wrongly, never
// answer, go away or are not there. Monitoring goes on through all of it.
#include <gtest/gtest.h>

#include <chrono>

#include "DeviceHarness.h"
#include "FakeHid.h"

namespace sonivex {
namespace {

using testing::DeviceHarness;
using testing::FakeFirmware;
using testing::FakeHidTree;
using V = std::vector<std::string>;
using Paused = std::array<int, 2>;

V Commands(std::initializer_list<int> codes) {
    V out;
    for (int c : codes) out.push_back("cmd " + std::to_string(c));
    return out;
}

V Concat(std::initializer_list<V> parts) {
    V out;
    for (const V& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

class HidMonitor : public ::testing::Test {
  protected:
    void Start(int latchMode) {
        h.Set("USBHIDID", "1");
        h.Set("USBHID_Latch", std::to_string(latchMode));
        h.StartOn(tree.Roots());
        ASSERT_TRUE(h.devices.hid->IsOpen());
    }
    int Inquiries() {
        box.Service();
        return static_cast<int>(box.Received().size() - box.Commands().size());
    }

    DeviceHarness h;
    FakeHidTree tree;
    FakeFirmware& box = tree.Add(0, kBoxVendorId, 1, "box.rdesc");
};

const V kAllOff = Commands({101, 102, 103, 104, 105, 106, 107, 108});

TEST_F(HidMonitor, LatchCommandsFromStartUpToShutdown) {
    h.TwoInputs("silence 2; tone -20 1000", "silence 1000");
    Start(0);
    h.RunSeconds(5);  // both alert at 1.2 s, input 1 recovers at 3.2 s
    h.monitor->AlertButtonClick(1);
    h.RunTicks(1);
    h.monitor->Shutdown();
    box.Service();
    EXPECT_EQ(box.Commands(), Concat({kAllOff, Commands({101, 102}), Commands({1, 2}),
                                      Commands({101}), Commands({102}), kAllOff}));
    EXPECT_EQ(Inquiries(), 51) << "one event inquiry per tick";
}

TEST_F(HidMonitor, EventsPauseResumeReleaseAndRequestCorrections) {
    h.TwoInputs();
    h.Set("AdjustPin_2", "5");
    Start(0);
    struct Step {
        std::vector<int> events;
        Paused paused;
        int corrections;
    };
    const Step steps[] = {{{2}, {0, 1}, 0},       {{2}, {0, 0}, 0},    {{1, 2}, {1, 1}, 0},
                          {{7, 0, 9}, {1, 1}, 0}, {{255}, {0, 0}, 0},  {{5}, {0, 0}, 1},
                          {{5}, {0, 0}, 1},       {{1, 5}, {1, 0}, 1}, {{}, {1, 0}, 1}};
    int n = 0;
    for (const Step& s : steps) {
        box.events.assign(s.events.begin(), s.events.end());
        h.RunTicks(static_cast<int>(s.events.size()) + 1);
        EXPECT_EQ(h.Paused(), s.paused) << "step " << n;
        EXPECT_EQ(h.clock.setCalls, s.corrections) << "step " << n++;
    }
    EXPECT_EQ(h.view.alertText[0], "-");
    EXPECT_EQ(h.view.alertText[1], "Alert");
    EXPECT_EQ(h.CountLines("時刻修正終了"), 1);
}

TEST_F(HidMonitor, LevelsPauseWhileActiveAndCorrectOnTheRisingEdge) {
    h.TwoInputs();
    h.Set("AdjustPin_2", "2");
    Start(1);
    struct Step {
        int state;  // active low: 0xFE = pin 1, 0xFC = pins 1 and 2
        double seconds;
        Paused paused;
        int corrections;
    };
    const Step steps[] = {{0xFE, 1, {1, 0}, 0}, {0xFF, 1, {0, 0}, 0},  {0xFC, 25, {1, 0}, 1},
                          {0xFE, 1, {1, 0}, 1}, {0xFC, 1, {1, 0}, 2},  {0x00, 1, {0, 0}, 2},
                          {0xFD, 1, {0, 0}, 2}, {0xFF, 12, {0, 0}, 2}, {0xFD, 1, {0, 0}, 3}};
    int n = 0;
    for (const Step& s : steps) {
        box.state = s.state;
        h.RunSeconds(s.seconds);
        EXPECT_EQ(h.Paused(), s.paused) << "step " << n;
        EXPECT_EQ(h.clock.setCalls, s.corrections) << "step " << n++;
    }
}

TEST_F(HidMonitor, WrongPortRepliesSkipTicksUntilTheBoxIsGivenUp) {
    h.TwoInputs();
    box.reply = FakeFirmware::Reply::WrongPort;
    Start(1);
    h.RunTicks(1);
    EXPECT_EQ(h.view.clock1, "") << "a failed level read skips the rest of the tick";
    h.RunTicks(2);
    EXPECT_EQ(h.CountLines("USB HID 応答なし " + tree.NodePath(0)), 1);
    EXPECT_FALSE(h.devices.hid->IsOpen());
    h.RunSeconds(3);
    EXPECT_NE(h.view.clock1, "");
    EXPECT_EQ(h.CountLines("警報"), 2) << "both inputs still watched";
    h.monitor->Shutdown();
    EXPECT_EQ(Inquiries(), 3);
    EXPECT_EQ(box.Commands(), Concat({kAllOff, Commands({101, 102})}));
}

TEST_F(HidMonitor, ABoxThatNeverAnswersCostsBoundedWaitsThenMonitoringGoesOn) {
    for (const int mode : {0, 1}) {
        DeviceHarness run;
        run.TwoInputs();
        run.Set("USBHIDID", "1");
        run.Set("USBHID_Latch", std::to_string(mode));
        FakeHidTree boxes;
        FakeFirmware& silent = boxes.Add(0, kBoxVendorId, 1, "box.rdesc");
        silent.reply = FakeFirmware::Reply::Silent;
        run.StartOn(boxes.Roots());
        run.devices.hid->Device()->TimeoutMS(100);
        const auto start = std::chrono::steady_clock::now();
        run.RunTicks(3);
        const auto spent = std::chrono::steady_clock::now() - start;
        EXPECT_GE(spent, std::chrono::milliseconds(300)) << "mode " << mode;
        EXPECT_LT(spent, std::chrono::milliseconds(3000)) << "mode " << mode;
        EXPECT_EQ(run.CountLines("USB HID 応答なし"), 1) << "mode " << mode;
        run.RunSeconds(3);
        EXPECT_EQ(run.CountLines("警報"), 2) << "mode " << mode;
    }
}

TEST_F(HidMonitor, UnpluggedMidRunIsLoggedAndClosed) {
    h.TwoInputs("tone -20 2; silence 1000", "tone -20 1000");
    Start(0);
    h.RunSeconds(1);
    box.reply = FakeFirmware::Reply::UnplugOnInquiry;  // gone while an inquiry is awaited
    h.RunSeconds(4);
    EXPECT_EQ(h.CountLines("USB HID 切断 " + tree.NodePath(0)), 1);
    EXPECT_FALSE(h.devices.hid->IsOpen());
    EXPECT_EQ(h.CountLines("警報"), 1) << "input 1 still watched";
    h.monitor->Shutdown();
    EXPECT_TRUE(h.HasLine("*********終了**********"));
}

// Gone, the box can no longer end the pause its input holds: it ends at once. The box is
// looked for every 10 s, shown missing meanwhile, and once back gets the latch still on.
TEST_F(HidMonitor, ABoxThatGoesAwayEndsItsPausesAndComingBackGetsTheLatches) {
    h.TwoInputs("silence 1000", "tone -20 1000");
    Start(1);
    box.state = 0xFD;  // pin 2 active: input 2 paused
    h.RunSeconds(2);   // input 1 in alert since 1.2 s
    ASSERT_EQ(h.Paused(), (Paused{0, 1}));
    box.Unplug();
    tree.Remove(0);
    h.RunSeconds(1);
    EXPECT_EQ(h.Paused(), (Paused{0, 0}));
    EXPECT_EQ(h.CountLines("一時停止解除（USB HID 切断）2"), 1);
    EXPECT_NE(h.view.missing.find("USB HID"), std::string::npos);
    FakeFirmware& back = tree.Add(1, kBoxVendorId, 1, "box.rdesc");
    h.RunSeconds(10);
    EXPECT_EQ(h.CountLines("USB HID 復旧 " + tree.NodePath(1)), 1);
    back.Service();
    EXPECT_EQ(back.Commands(), Concat({kAllOff, Commands({1})}));
    EXPECT_EQ(h.view.missing, "");
    EXPECT_EQ(h.CountLines("警報"), 1);
}

TEST_F(HidMonitor, ABoxThatIsNotThereIsReportedOnceAndLeftAlone) {
    h.TwoInputs();
    h.Set("USBHIDID", "3");
    h.StartOn(tree.Roots());
    EXPECT_EQ(h.CountLines("[message] sonivex: velmarok USB HID not found"), 1);
    EXPECT_FALSE(h.devices.hid->IsOpen());
    h.RunSeconds(2);
    EXPECT_EQ(h.CountLines("警報"), 2);
    EXPECT_EQ(Inquiries(), 0);
    EXPECT_TRUE(box.Commands().empty());
}

}  // namespace
}  // namespace sonivex
