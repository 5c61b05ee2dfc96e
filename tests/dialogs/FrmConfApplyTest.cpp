// The settings dialog's rules without widgets: what OK stores for each kind of typed text, and
// the serial ports it lists.
#include <gtest/gtest.h>

#include <functional>

#include "TempDir.h"
#include "dialogs/ConfApply.h"
#include "monitor/SettingsStore.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"

namespace sonivex::testing {
namespace {

struct Rig {
    Rig() : audio(CreateSimBackend(clock, {})), store(dir.File("sonivex.ini")) {}
    TempDir dir;
    FakeClock clock;
    std::unique_ptr<AudioBackend> audio;
    SettingsStore store;
    MonitorSettings memory;
};

// What OK stores for each kind of typed text, the dialog opened on default settings.
TEST(ConfTypedTexts, StoreWhatTheRuleSays) {
    using F = ConfFields&;
    const struct {
        std::function<void(ConfFields&)> type;
        const char* key;
        const char* stored;
    } cases[] = {{[](F f) { f.numDev = "0"; }, "NumRec", "1"},  // NumRec is |n - 1|
                 {[](F f) { f.freq = "-48000"; }, "nFreq", "48000"},
                 {[](F f) { f.alertLevelDB = "-42.5"; }, "AlertLevelDB", "-42"},
                 {[](F f) { f.alertLevelDB = "0x20"; }, "AlertLevelDB", "missing"},
                 {[](F f) { f.muonSecMono = "1e12"; }, "MuonSecMono", "86400"},
                 {[](F f) { f.sizeRate = "1.5"; }, "SizeRate", "1.50"},
                 {[](F f) { f.vuLevelTrim = "18"; }, "VULevelTrim", "-18"},
                 {[](F f) { f.hourAdjust = "04:00:00.5"; }, "HourAdjust", "14400"},
                 {[](F f) { f.hourAdjust = "24:00:00"; }, "HourAdjust", "18000"},
                 {[](F f) { f.rows[2].recLevelDB = "-6.5"; }, "RecLevelDB_3", "-6.5"},
                 {[](F f) { f.rows[0].devIn = "Sim In 4"; }, "DevInName_1", "Sim In 4"},
                 {[](F f) { f.mailHostPort = "40000"; }, "MailHostPort", "missing"},
                 {[](F f) { f.com = 2; }, "ComDevice", ""},
                 {[](F f) { f.baud = "fast"; }, "ComBaud", "38400"},
                 {[](F f) { f.adjustPin[1] = -1; }, "AdjustPin_2", "0"}};
    for (const auto& c : cases) {
        Rig rig;
        ConfFields fields = ShowConf(rig.memory, rig.store, rig.audio->Devices(), {}).fields;
        c.type(fields);
        ApplyConf(fields, rig.memory, rig.store, rig.audio->Devices());
        EXPECT_EQ(rig.store.ReadSetting(c.key, "missing"), c.stored) << c.key;
    }
}

// Ports that no ComN reaches follow the six names; a configured port that is unplugged stays.
TEST(ConfPorts, ListsDetectedPortsAfterTheNamedOnes) {
    Rig rig;
    auto& store = rig.store;
    const std::vector<SerialPortInfo> ports = {
        {"/dev/ttyS0", "", 1}, {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI-if00", 0}};
    store.WriteSetting("ComNo", "7");
    store.WriteSetting("ComDevice", "/dev/serial/by-id/usb-FTDI-if00");
    ConfView v = ShowConf(rig.memory, store, rig.audio->Devices(), ports);
    EXPECT_EQ(v.lists.com.Items(),
              (std::vector<std::string>{"NA", "Com1", "Com2", "Com3", "Com4", "Com5", "Com6",
                                        "/dev/serial/by-id/usb-FTDI-if00"}));
    EXPECT_EQ(v.fields.com, 7);
    store.WriteSetting("ComDevice", "/dev/ttyACM3");
    v = ShowConf(rig.memory, store, rig.audio->Devices(), ports);
    EXPECT_EQ(v.fields.com, 8);
    EXPECT_EQ(v.fields.comText, "/dev/ttyACM3");
}

}  // namespace
}  // namespace sonivex::testing
