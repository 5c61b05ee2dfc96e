// C_HID on the hidraw test double: finding the box by its ids, latch commands and inquiries as
// the firmware sees them, and a box that does not answer.
#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>

#include "FakeHid.h"
#include "devices/C_HID.h"
#include "support/Log.h"

namespace sonivex {
namespace {

using testing::FakeFirmware;
using testing::FakeHidTree;

// The box is found by its product id. hidraw0 is a keyboard, hidraw2 and hidraw10
// are boxes with product 1 (hidraw2 comes first; hidraw4 is one we may not open), hidraw3 is a
// box with product 5; a stray entry and one without a description are passed over.
TEST(BoxTree, FindsTheBoxByItsIds) {
    FakeHidTree tree;
    tree.Add(0, 0x046D, 1, "Keyboard");
    tree.Add(2, kBoxVendorId, 1);
    tree.Add(10, kBoxVendorId, 1);
    tree.Add(3, kBoxVendorId, 5);
    tree.AddLocked(4, kBoxVendorId, 1);
    testing::WriteText(tree.dir.File("sys/class/hidraw/hidrawX"), "");
    std::filesystem::create_directories(tree.dir.File("sys/class/hidraw/hidraw7/device"));
    for (const auto& [opt, node] : {std::pair{1, 2}, {5, 3}, {0, 2}, {-3, 2}, {7, -1}}) {
        C_HID hid(tree.Roots());
        EXPECT_EQ(hid.HidInit(opt), node >= 0 ? 1 : 0) << opt;
        EXPECT_EQ(hid.HIDFilename(), node >= 0 ? tree.NodePath(node) : "") << opt;
        EXPECT_EQ(hid.ReceiveSize(), node >= 0 ? 9 : 0) << opt;
    }
}

class BoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogConfig log;
        log.folder = tree.dir.Folder() + "log/";
        ConfigureLog(log);
        ASSERT_EQ(hid.HidInit(1), 1);
    }
    void TearDown() override { ConfigureLog(LogConfig{}); }

    FakeHidTree tree;
    FakeFirmware& box = tree.Add(0, kBoxVendorId, 1);
    C_HID hid{tree.Roots()};
};

TEST_F(BoxTest, ABoxThatNeverAnswersCostsOneBoundedWaitWithEventsRunning) {
    hid.TimeoutMS(200);
    box.reply = FakeFirmware::Reply::Silent;
    int timerRuns = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++timerRuns; });
    timer.start(10);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(hid.VelmRead(), -1);
    const auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_GE(spent, std::chrono::milliseconds(200));
    EXPECT_LT(spent, std::chrono::milliseconds(1500));
    EXPECT_GE(timerRuns, 5) << "the event loop ran while the box was awaited";
    EXPECT_TRUE(hid.IsOpen());
    EXPECT_EQ(hid.WhileReadFile(), 0);
    // Closed by an event while it waits, the wait ends at once.
    hid.TimeoutMS(10000);
    QTimer::singleShot(20, [&] { hid.HidClose(); });
    EXPECT_EQ(hid.VelmRead(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5000));
    EXPECT_FALSE(hid.IsOpen());
}

}  // namespace
}  // namespace sonivex
