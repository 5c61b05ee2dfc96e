// The settings dialog's rules without widgets: what OK stores for each kind of typed text, what
// memory gets, and what the dialog shows on opening.
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
    // The fields as the dialog opens on default settings, changed by `type`, then OK.
    void Ok(const std::function<void(ConfFields&)>& type) {
        fields = ShowConf(memory, store, audio->Devices(), {}).fields;
        type(fields);
        ApplyConf(fields, memory, store, audio->Devices());
    }
    std::string Stored(const std::string& key) { return store.ReadSetting(key, "missing"); }

    TempDir dir;
    FakeClock clock;
    std::unique_ptr<AudioBackend> audio;
    SettingsStore store;
    MonitorSettings memory;
    ConfFields fields;
};

class ConfRules : public ::testing::Test, public Rig {};

// What OK stores for each kind of typed text.
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
        SCOPED_TRACE(c.key);
        Rig rig;
        rig.Ok(c.type);
        EXPECT_EQ(rig.Stored(c.key), c.stored);
    }
}

// No device chosen keeps the configured name; mail is in use once any input has a recipient;
// the number of inputs waits for the next start.
TEST_F(ConfRules, MemoryFollowsExceptForStartUpValues) {
    memory.inputs[0].devInName = "USB Mic (unplugged)";
    Ok([](ConfFields& f) {
        EXPECT_EQ(f.rows[0].devIn, "");
        f.rows[4].mailAddr = "desk@example.com";
        f.numDev = "8";
    });
    EXPECT_EQ(Stored("DevInName_1"), "USB Mic (unplugged)");
    EXPECT_EQ(memory.inputs[0].devIn, -1);
    EXPECT_TRUE(memory.mailInUse);
    EXPECT_EQ(memory.numRec, 3);
}

TEST_F(ConfRules, ShowsMemoryOrStoreAsEachFieldSays) {
    store.WriteSetting("NumRec", "1");
    store.WriteSetting("SizeRate", "1.5");
    store.WriteSetting("VULevelTrim", "-18");
    store.WriteSetting("MuonSec", "30");
    memory.thresholds.muonSec = 7;
    memory.hourAdjust = 19800;
    memory.inputs[0].recLevelDB = -6;
    memory.inputs[1].devInName = "Sim In 3";
    const ConfView v = ShowConf(memory, store, audio->Devices(), {});
    EXPECT_EQ(v.fields.numDev, "2");
    EXPECT_EQ(v.fields.sizeRate, "1.50");
    EXPECT_EQ(v.fields.vuLevelTrim, "-18.0");
    EXPECT_EQ(v.fields.muonSec, "7");
    EXPECT_EQ(v.fields.hourAdjust, "05:30:00");
    EXPECT_EQ(v.fields.rows[0].recLevelDB, "-6.00");
    EXPECT_EQ(v.lists.devIn[1].Selected(), 2);
    EXPECT_EQ(v.lists.freq.Item(v.lists.freq.Selected()), "44100");
}

// Ports that no ComN reaches follow the six names; a configured port that is unplugged stays.
TEST_F(ConfRules, ListsDetectedPortsAfterTheNamedOnes) {
    const std::vector<SerialPortInfo> ports = {
        {"/dev/ttyS0", "", 1}, {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI-if00", 0}};
    store.WriteSetting("ComNo", "7");
    store.WriteSetting("ComDevice", "/dev/serial/by-id/usb-FTDI-if00");
    ConfView v = ShowConf(memory, store, audio->Devices(), ports);
    EXPECT_EQ(v.lists.com.Items(),
              (std::vector<std::string>{"NA", "Com1", "Com2", "Com3", "Com4", "Com5", "Com6",
                                        "/dev/serial/by-id/usb-FTDI-if00"}));
    EXPECT_EQ(v.fields.com, 7);
    store.WriteSetting("ComDevice", "/dev/ttyACM3");
    v = ShowConf(memory, store, audio->Devices(), ports);
    EXPECT_EQ(v.fields.com, 8);
    EXPECT_EQ(v.fields.comText, "/dev/ttyACM3");
}

}  // namespace
}  // namespace sonivex::testing
