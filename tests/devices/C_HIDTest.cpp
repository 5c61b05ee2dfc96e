// C_HID on the hidraw test double: report lengths, finding the box by ids and order, latch
// commands and inquiries as the firmware sees them, and boxes that misbehave or go away.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>

#include "FakeHid.h"
#include "devices/C_HID.h"
#include "platform/Hidraw.h"
#include "support/Log.h"

namespace sonivex {
namespace {

using testing::FakeFirmware;
using testing::FakeHidTree;
using testing::ReadDescriptorFile;
using V = std::vector<std::string>;

constexpr int kOtherVendor = 0x046D;

TEST(HidDescriptor, LengthsAsTheClassicApiGivesThem) {
    struct Case {
        const char* file;
        int input, output, feature;
        bool numbered;
    };
    for (const Case& c :
         {Case{"box.rdesc", 9, 9, 0, false}, Case{"keyboard.rdesc", 9, 2, 0, false},
          Case{"numbered.rdesc", 7, 7, 0, true}, Case{"shuttle.rdesc", 6, 0, 0, false}}) {
        const HidReportLengths l = ParseReportDescriptor(ReadDescriptorFile(c.file));
        EXPECT_EQ(l.input, c.input) << c.file;
        EXPECT_EQ(l.output, c.output) << c.file;
        EXPECT_EQ(l.feature, c.feature) << c.file;
        EXPECT_EQ(l.numbered, c.numbered) << c.file;
    }
}

TEST(HidDescriptor, CutOffLongAndHugeItemsStaySane) {
    const std::vector<uint8_t> keyboard = ReadDescriptorFile("keyboard.rdesc");
    // Cut inside the LED output item: modifier and reserved bytes are in, keys and LEDs not.
    const HidReportLengths cut =
        ParseReportDescriptor(std::vector<uint8_t>(keyboard.begin(), keyboard.begin() + 39));
    EXPECT_EQ(cut.input, 3);
    EXPECT_EQ(cut.output, 0);
    // A long item skipped whole; size and count at their 32-bit maximum (capped); a pop of
    // nothing.
    EXPECT_EQ(ParseReportDescriptor({0xFE, 2, 0x10, 0x81, 0x02, 0x75, 8, 0x95, 1, 0x81, 2}).input,
              2);
    EXPECT_EQ(ParseReportDescriptor({0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF,
                                     0x81, 0x02, 0x81, 0x02})
                  .input,
              4096 + 1);
    EXPECT_EQ(ParseReportDescriptor({0xA4, 0xB4, 0xB4, 0x06}).input, 0);
}

// hidraw0 a keyboard, hidraw2 and hidraw10 boxes with product 1 (hidraw4 one we may not open),
// hidraw3 a box with product 5; a stray entry and one without a description.
class BoxTree : public ::testing::Test {
  protected:
    void SetUp() override {
        tree.Add(0, kOtherVendor, 1, "keyboard.rdesc", 8, "Keyboard");
        tree.Add(2, kBoxVendorId, 1, "box.rdesc");
        tree.Add(10, kBoxVendorId, 1, "box.rdesc");
        tree.Add(3, kBoxVendorId, 5, "box.rdesc");
        tree.AddLocked(4, kBoxVendorId, 1);
        testing::WriteText(tree.dir.File("sys/class/hidraw/hidrawX"), "");
        std::filesystem::create_directories(tree.dir.File("sys/class/hidraw/hidraw7/device"));
    }
    FakeHidTree tree;
};

TEST_F(BoxTree, FindsTheBoxByIdsAndOrder) {
    struct Case {
        int mode, opt, order;
        std::string file;
        int node;  // -1: none
    };
    const std::string n10 = tree.NodePath(10);
    for (const Case& c : {Case{64, 1, 0, "", 2}, Case{64, 1, 1, "", 10}, Case{64, 1, 2, "", -1},
                          Case{64, 1, -1, "", 2}, Case{64, 1, -1, n10, 10}, Case{64, 1, 0, n10, -1},
                          Case{64, 5, 0, "", 3}, Case{64, 0, 0, "", 2}, Case{64, -3, 0, "", 2},
                          Case{64, 7, 0, "", -1}, Case{1, 0, 0, "", -1}, Case{3, 1, 0, "", -1}}) {
        C_HID hid(tree.Roots());
        const int r = hid.HidInit(c.mode, c.opt, 1, c.order, c.file);
        const std::string where = "mode " + std::to_string(c.mode) + " opt " +
                                  std::to_string(c.opt) + " order " + std::to_string(c.order);
        EXPECT_EQ(r, c.node >= 0 ? 1 : 0) << where;
        EXPECT_EQ(hid.HIDFilename(), c.node >= 0 ? tree.NodePath(c.node) : "") << where;
        EXPECT_EQ(hid.ReceiveSize(), c.node >= 0 ? 9 : 0) << where;
    }
}

class BoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogConfig log;
        log.folder = tree.dir.Folder() + "log/";
        ConfigureLog(log);
        ASSERT_EQ(hid.HidInit(64, 1, sync), 1);
    }
    void TearDown() override { ConfigureLog(LogConfig{}); }

    FakeHidTree tree;
    FakeFirmware& box = tree.Add(0, kBoxVendorId, 1, "box.rdesc");
    C_HID hid{tree.Roots()};
    int sync = 1;
};

TEST_F(BoxTest, CommandsAndInquiriesReachTheFirmwareInOrder) {
    EXPECT_EQ(hid.VelmWrite(1), 1);
    EXPECT_EQ(hid.VelmWrite(101), 1);
    EXPECT_EQ(hid.VelmWrite(0), 0);  // the inquiry codes are no commands
    EXPECT_EQ(hid.VelmWrite(255), 0);
    box.events = {3};
    EXPECT_EQ(hid.VelmRead(), 3);
    EXPECT_EQ(hid.VelmRead(), 0);
    box.state = 0xFE;
    EXPECT_EQ(hid.VelmRead(1), 0xFE);
    box.Service();
    EXPECT_EQ(box.Received(), (V{"cmd 1", "cmd 101", "event 0", "event 0", "state 0"}));
    // Every report is the device's full length: report id 0, code, value, zeros.
    ASSERT_EQ(box.reports.size(), 5u);
    EXPECT_EQ(box.reports[1], (std::vector<uint8_t>{0, 101, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(box.reports[4], (std::vector<uint8_t>{0, 255, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(BoxTest, StateRepliesThePortCacheAndAWrongPort) {
    box.state = 255;
    EXPECT_EQ(hid.VelmRead(1, 0), 255);  // kept as 255 and cached
    EXPECT_EQ(hid.VelmRead(1, 1), 0);    // with pZeroIfFF: 0, cache untouched
    box.reply = FakeFirmware::Reply::WrongPort;
    EXPECT_EQ(hid.VelmRead(1), -1);
    EXPECT_EQ(testing::ReadText(LogFilePath(1)).find("HID Port Different"), std::string::npos);
    hid.LogError(1);
    EXPECT_EQ(hid.VelmRead(1), -1);
    EXPECT_NE(testing::ReadText(LogFilePath(1)).find("HID Port Different"), std::string::npos);
    box.reply = FakeFirmware::Reply::Answer;
    box.state = 0x7F;
    EXPECT_EQ(hid.VelmRead(1, 0, 3), 0x7F);
    // A closed device answers from the cache of the port.
    hid.HidClose();
    EXPECT_EQ(hid.VelmRead(1, 0, 3), 0x7F);
    EXPECT_EQ(hid.VelmRead(1, 0, 2), 255);
    EXPECT_EQ(hid.VelmRead(0), 0);
}

TEST_F(BoxTest, ABoxThatNeverAnswersCostsOneBoundedWaitWithEventsRunning) {
    hid.TimeoutMS(200);
    box.reply = FakeFirmware::Reply::Silent;
    std::vector<int> notes;
    hid.RaiseNotify(1);
    hid.NotifyProc = [&](int code) { notes.push_back(code); };
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
    EXPECT_EQ(notes, (std::vector<int>{1, 0, 2, 3}));
    EXPECT_TRUE(hid.IsOpen());
    EXPECT_EQ(hid.WhileReadFile(), 0);
    // Closed by an event while it waits, the wait ends at once.
    hid.TimeoutMS(10000);
    QTimer::singleShot(20, [&] { hid.HidClose(); });
    EXPECT_EQ(hid.VelmRead(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5000));
    EXPECT_FALSE(hid.IsOpen());
}

class PipelinedBoxTest : public BoxTest {
  protected:
    void SetUp() override {
        sync = 2;
        BoxTest::SetUp();
    }
};

TEST_F(PipelinedBoxTest, TheReplyComesOnALaterCallAndTheNextInquiryGoesAtOnce) {
    box.events = {4, 6};
    EXPECT_EQ(hid.VelmRead(), 0);  // inquiry sent, reply not read yet
    QCoreApplication::processEvents();
    EXPECT_EQ(hid.VelmRead(), 4);
    box.Service();
    EXPECT_EQ(box.Received(), (V{"event 0", "event 0"}));
    EXPECT_EQ(hid.VelmWrite(7), 1);  // waits for the reply in flight first
    EXPECT_EQ(hid.VelmRead(), 6);
}

TEST(HidShuttle, DecodesShuttleButtonsAndJog) {
    FakeHidTree tree;
    FakeFirmware& device = tree.Add(0, kShuttleVendorId, kShuttleProductId, "shuttle.rdesc", 5);
    C_HID hid(tree.Roots());
    ASSERT_EQ(hid.HidInit(1, 0, 1), 1);
    struct Step {
        std::vector<uint8_t> report;  // shuttle, jog, -, buttons 1, buttons 2
        const char* code;
    };
    const Step steps[] = {
        {{0, 0, 0, 0, 0}, ""},           {{3, 0, 0, 0, 0}, "B003"},
        {{3, 0, 0, 0, 0}, ""},           {{0, 0, 0, 0, 0}, "B000"},
        {{253, 0, 0, 0, 0}, "C003"},     {{100, 0, 0, 0, 0}, ""},
        {{100, 255, 0, 0, 0}, "A001"},   {{100, 2, 0, 0, 0}, "A000"},
        {{100, 255, 0, 0, 0}, "A001"},   {{100, 255, 0, 1, 0}, "D001"},
        {{100, 255, 0, 1, 0}, ""},       {{100, 255, 0, 1, 32}, "D010"},
        {{100, 255, 0, 3, 0}, ""},       {{100, 255, 0, 0, 0}, ""},
        {{100, 255, 0, 128, 0}, "D008"}, {{100, 255, 0, 0, 16}, "D015"},
        {{7, 255, 0, 0, 16}, "B007"},
    };
    for (const Step& s : steps) {
        device.Send(s.report);
        EXPECT_EQ(hid.ShuttlePro2Read(), s.code) << int(s.report[0]) << " " << int(s.report[1]);
    }
    // Nothing sent: the read stays pending, then gives up after the retrial count.
    hid.ReadRetrialCount(2);
    for (int n = 0; n < 4; ++n) EXPECT_EQ(hid.ShuttlePro2Read(), "");
    device.Send({255, 255, 0, 0, 0});
    EXPECT_EQ(hid.ShuttlePro2Read(), "C001");
}

}  // namespace
}  // namespace sonivex
