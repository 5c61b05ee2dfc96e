// The factory and the device list: settings keys of the devices, another vendor id, reopening
// after a settings change, and the --list-devices text.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QTimer>

#include <filesystem>

#include "DeviceHarness.h"
#include "FakeHid.h"
#include "Pty.h"

namespace sonivex {
namespace {

using testing::DeviceHarness;
using testing::FakeHidTree;
using testing::WriteText;
namespace fs = std::filesystem;

TEST(ExternalDevices, ListsSerialPortsAndHidDevices) {
    FakeHidTree tree;
    tree.Add(0, 0x046D, 0xC31C, "keyboard.rdesc", 8, "Logitech Keyboard");
    tree.Add(3, kBoxVendorId, 2, "box.rdesc");
    const std::string sys = tree.dir.File("sys/class/tty/");
    for (const auto& [name, type] : {std::pair{"ttyS0", "4"},
                                     {"ttyS1", "0"},
                                     {"ttyS10", "4"},
                                     {"ttyUSB0", ""},
                                     {"ttyACM1", ""},
                                     {"tty0", ""}}) {
        fs::create_directories(sys + name);
        if (*type) WriteText(sys + name + "/type", type);
    }
    fs::create_directories(tree.dir.File("dev/serial/by-id"));
    WriteText(tree.dir.File("dev/ttyUSB0"), "");
    fs::create_symlink("../../ttyUSB0", tree.dir.File("dev/serial/by-id/usb-FTDI_FT232R-if00"));
    const std::string dev = tree.dir.Folder() + "dev/";
    std::string expected;
    for (const std::string& line :
         {std::string("serial ports:"), "  " + dev + "ttyACM1", "  " + dev + "ttyS0  (ComNo 1)",
          "  " + dev + "ttyS10  (ComNo 11)",
          "  " + dev + "ttyUSB0  [" + dev + "serial/by-id/usb-FTDI_FT232R-if00]",
          std::string("HID devices:"), "  " + dev + "hidraw0  046d:c31c  Logitech Keyboard",
          "  " + dev + "hidraw3  1209:0002  velmarok USB IO  (USBHIDID 2)"})
        expected += line + "\n";
    EXPECT_EQ(ListExternalDevices(tree.Roots()), expected);
    EXPECT_EQ(ListExternalDevices({"/nonexistent", "/nonexistent", {}}),
              "serial ports:\n  none\nHID devices:\n  none\n");
}

TEST(ExternalDevices, NewKeysAreWrittenAndAnotherVendorIdIsRead) {
    struct Case {
        const char* vendor;
        int expected;
        bool logged;
    };
    for (const Case& c :
         {Case{"", 0, false}, Case{"16c0", 0x16C0, false}, Case{"0x16C0", 0x16C0, false},
          Case{"xyz", 0, true}, Case{"10000", 0, true}, Case{"-5", 0, true}}) {
        DeviceHarness h;
        FakeHidTree tree;
        tree.Add(0, 0x16C0, 1, "box.rdesc");
        h.Set("USBHIDID", "1");
        if (*c.vendor) h.Set("USBHIDVendorID", c.vendor);
        h.StartOn(tree.Roots());
        EXPECT_EQ(h.monitor->settings.usbHidVendor, c.expected) << c.vendor;
        EXPECT_EQ(h.devices.hid->IsOpen(), c.expected != 0) << c.vendor;
        EXPECT_EQ(h.HasLine("設定値エラー USBHIDVendorID=" + std::string(c.vendor)), c.logged)
            << c.vendor;
        const std::string ini = testing::ReadText(h.dir.File("sonivex.ini"));
        EXPECT_NE(ini.find("\nComDevice=***"), std::string::npos);
        if (!*c.vendor) {
            EXPECT_NE(ini.find("\nUSBHIDVendorID=***"), std::string::npos);
        }
    }
}

void StartWithPort(DeviceHarness& h, const std::string& path) {
    h.Set("ComNo", "1");
    h.Set("ComDevice", path);
    h.StartOn(DeviceRoots{});
}

TEST(ExternalDevices, ReopenFollowsTheNewSettingsAndKeepsThePauses) {
    testing::Pty pty;
    DeviceHarness h;
    h.TwoInputs();
    StartWithPort(h, pty.SlavePath());
    pty.Write(std::vector<uint8_t>{2});
    h.RunTicks(1);
    ASSERT_EQ(h.monitor->ExternalPause[1], 1);
    EXPECT_EQ(h.devices.serial->Port()->LineBaud(), 38400);
    h.monitor->settings.useBCD = 1;
    h.devices.Reopen(h.monitor->settings);
    EXPECT_EQ(h.devices.serial->Port()->LineBaud(), 2400);
    EXPECT_EQ(h.devices.serial->Port()->DataSize(), 18);
    EXPECT_EQ(h.monitor->ExternalPause[1], 1);
    h.monitor->settings.comNo = 0;
    h.devices.Reopen(h.monitor->settings);
    EXPECT_FALSE(h.devices.serial->IsOpen());
    h.RunTicks(2);  // nothing to read, nothing breaks
    EXPECT_EQ(h.CountLines("[message]"), 0);
}

// The settings dialog's OK while a read lets events run: the port is replaced after the read,
// never under it (AddressSanitizer sees a read on a port that was freed).
TEST(ExternalDevices, AReopenDuringAReadWaitsForTheNextTick) {
    testing::Pty pty;
    DeviceHarness h;
    h.TwoInputs();
    StartWithPort(h, pty.SlavePath());
    h.monitor->settings.useBCD = 1;
    QTimer::singleShot(0, [&] { h.devices.Reopen(h.monitor->settings); });
    h.RunTicks(1);
    EXPECT_EQ(h.devices.serial->Port()->LineBaud(), 38400) << "not while the read runs";
    h.RunTicks(1);
    EXPECT_EQ(h.devices.serial->Port()->LineBaud(), 2400);
}

// A port that is not there is looked for every 10 s, quietly; once there it gets every input's
// latch, and the window stops naming it.
TEST(ExternalDevices, APortThatComesBackIsOpenedAndToldTheLatches) {
    testing::Pty pty;
    DeviceHarness h;
    h.TwoInputs("silence 1000", "tone -20 1000");
    const std::string link = h.dir.File("ttyLater");
    StartWithPort(h, link);
    h.RunSeconds(3);
    EXPECT_NE(h.view.missing.find(link), std::string::npos) << h.view.missing;
    ASSERT_EQ(symlink(pty.SlavePath().c_str(), link.c_str()), 0);
    h.RunSeconds(10);
    EXPECT_EQ(h.CountLines("シリアルポート復旧 " + link), 1);
    EXPECT_EQ(pty.Read(), (std::vector<uint8_t>{1, 102}));
    EXPECT_EQ(h.view.missing, "");
    EXPECT_EQ(h.CountLines("[message] sonivex: Can not open " + link), 1) << "only at start-up";
}

}  // namespace
}  // namespace sonivex
