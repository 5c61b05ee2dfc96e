// The settings dialog's rules without widgets: what OK stores for each kind of typed text, the
// order of the keys, what memory gets, and what the dialog shows on opening.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "TempDir.h"
#include "dialogs/ConfApply.h"
#include "monitor/SettingsStore.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"

namespace sonivex::testing {
namespace {

// Key order and values of the ini file's "conf" section.
std::vector<std::pair<std::string, std::string>> IniKeys(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> keys;
    std::istringstream in(ReadText(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (eq != std::string::npos) keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return keys;
}

class ConfRules : public ::testing::Test {
  protected:
    ConfRules() : audio(CreateSimBackend(clock, {})), store(dir.File("sonivex.ini")) {}
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

struct TypedCase {
    const char* what;
    std::function<void(ConfFields&)> type;
    const char* key;
    const char* stored;
};

class TypedTexts : public ConfRules, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedTexts, StoreWhatTheRuleSays) {
    Ok(GetParam().type);
    EXPECT_EQ(Stored(GetParam().key), GetParam().stored);
}

using F = ConfFields&;
const TypedCase kTyped[] = {
    {"rateNegative", [](F f) { f.freq = "-48000"; }, "nFreq", "48000"},
    {"levelHalf", [](F f) { f.alertLevelDB = "-42.5"; }, "AlertLevelDB", "-42"},
    {"levelHex", [](F f) { f.alertLevelDB = "0x20"; }, "AlertLevelDB", "missing"},
    {"silenceHuge", [](F f) { f.muonSecMono = "1e12"; }, "MuonSecMono", "86400"},
    {"size", [](F f) { f.sizeRate = "1.5"; }, "SizeRate", "1.50"},
    {"trim", [](F f) { f.vuLevelTrim = "18"; }, "VULevelTrim", "-18"},
    {"dayStartMs", [](F f) { f.hourAdjust = "04:00:00.5"; }, "HourAdjust", "14400"},
    {"dayStartPastDay", [](F f) { f.hourAdjust = "24:00:00"; }, "HourAdjust", "18000"},
    {"recLevel", [](F f) { f.rows[2].recLevelDB = "-6.5"; }, "RecLevelDB_3", "-6.5"},
    {"deviceChosen", [](F f) { f.rows[0].devIn = "Sim In 4"; }, "DevInName_1", "Sim In 4"},
    {"portTooLarge", [](F f) { f.mailHostPort = "40000"; }, "MailHostPort", "missing"},
    {"namedPort", [](F f) { f.com = 2; }, "ComDevice", ""},
    {"baudText", [](F f) { f.baud = "fast"; }, "ComBaud", "38400"},
    {"pinNone", [](F f) { f.adjustPin[1] = -1; }, "AdjustPin_2", "0"}};
INSTANTIATE_TEST_SUITE_P(Ok, TypedTexts, ::testing::ValuesIn(kTyped),
                         [](const auto& p) { return std::string(p.param.what); });

TEST_F(ConfRules, NoDeviceChosenKeepsTheConfiguredName) {
    memory.inputs[0].devInName = "USB Mic (unplugged)";
    Ok([](ConfFields& f) { EXPECT_EQ(f.rows[0].devIn, ""); });
    EXPECT_EQ(Stored("DevInName_1"), "USB Mic (unplugged)");
    EXPECT_EQ(memory.inputs[0].devIn, -1);
}

// Mail is in use once any input has a recipient; the number of inputs waits for the next start.
TEST_F(ConfRules, MemoryFollowsExceptForStartUpValues) {
    Ok([](ConfFields& f) {
        f.rows[4].mailAddr = "desk@example.com";
        f.numDev = "8";
    });
    EXPECT_TRUE(memory.mailInUse);
    EXPECT_EQ(memory.numRec, 3);
}

// On an empty file the keys appear in the order they were written.
TEST_F(ConfRules, WritesTheKeysInTheFixedOrder) {
    SettingsStore fresh(dir.File("fresh.ini"));
    fields = ShowConf(memory, store, audio->Devices(), {}).fields;
    ApplyConf(fields, memory, fresh, audio->Devices());
    std::vector<std::string> expected = {"NumRec",      "nFreq",      "AlertLevelDB", "MuonSec",
                                         "MuonSecMono", "HukkiSec",   "SizeRate",     "AltFont",
                                         "VULevelTrim", "HourAdjust", "AutoRec"};
    const auto add = [&](std::initializer_list<const char*> bases) {
        for (int n = 1; n <= 8; ++n)
            for (const char* base : bases) expected.push_back(base + std::to_string(n));
    };
    add({"AuditName_", "DevInName_", "RecLevelDB_", "IsMono_"});
    add({"DevOutName_", "PlayLevelDB_", "FillerFile_"});
    for (const char* key :
         {"UseBeep", "MailHost", "MailSenderAddr", "MailUserName", "MailPassWord", "MessageLang",
          "MailAtRestoration", "MailHostPort", "MailLocalPort", "MailSecurity", "MailTlsVerify"})
        expected.push_back(key);
    add({"MailAddr_"});
    for (const char* key :
         {"AMinute", "ASecond", "NoAdjustSec", "ComNo", "ComDevice", "ComBaud", "UseBCD",
          "AdjustPin_1", "AdjustPin_2", "USBHIDID", "WebhookUrl", "WebhookFormat"})
        expected.push_back(key);
    const auto keys = IniKeys(fresh.Path());
    ASSERT_GE(keys.size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(keys[k].first, expected[k]) << k;
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
