// Start-up reads of the settings store, with the limits that keep the monitor sane on bad values.
#include "monitor/MonitorSettings.h"

#include <algorithm>
#include <cstdlib>

#include "monitor/Levels.h"
#include "monitor/SettingsStore.h"
#include "platform/AudioBackend.h"
#include "playback/WaveDevices.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

namespace {

// A value outside lo..hi is logged and limited, so that no setting can make the counters
// overflow or turn the comparisons upside down.
int Bounded(const std::string& key, int value, int lo, int hi) {
    if (value >= lo && value <= hi) return value;
    const int limited = std::clamp(value, lo, hi);
    WriteLog("設定値エラー " + key + "=" + std::to_string(value) + " (" + std::to_string(limited) +
             " を使用)");
    return limited;
}

std::string Key(const char* base, int n) {
    return base + std::to_string(n);
}

bool SystemIsJapanese() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return std::string(v).rfind("ja", 0) == 0;
    }
    return false;
}

// A USB id as lsusb shows it ("16c0", "0x16C0"); "" or a bad one is 0 (the built-in id).
int HexId(const std::string& key, const std::string& text) {
    if (text.empty()) return 0;
    char* end = nullptr;
    const long id = std::strtol(text.c_str(), &end, 16);
    if (*end == '\0' && id > 0 && id <= 0xFFFF) return static_cast<int>(id);
    WriteLog("設定値エラー " + key + "=" + text + " (0 を使用)");
    return 0;
}

constexpr int kMaxSeconds = 86400;  // a day: longer silence times make no sense
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;

}  // namespace

AlertTextSettings MonitorSettings::TextSettings() const {
    return {thresholds.muonSec, thresholds.muonSecMono, messageLang, hourAdjust};
}

void ReadLogSwitches(SettingsStore& store, const std::string& dataFolder, MonitorSettings& s) {
    s.logError = store.ReadSetting("LogError", int32_t{1});
    s.errorCatch = store.ReadSetting("ErrorCatch", int32_t{0});
    if (FileExists(dataFolder + "ec.txt")) s.errorCatch = 1;
}

std::string ReadLogFolder(const std::string& commonIniPath, const std::string& dataFolder) {
    SettingsStore common(commonIniPath, false);
    const std::string path = common.ReadSetting("DebugLogPath", "");
    return path.empty() ? dataFolder + "log/" : AddSeparator(path);
}

void ReadLanguage(SettingsStore& store, MonitorSettings& s) {
    const int32_t mode = store.ReadSetting("LangMode", int32_t{0});
    s.langMode = SystemIsJapanese() ? mode : 1;
    s.altFont = store.ReadSetting("AltFont", int32_t{1});
}

void ReadInputs(SettingsStore& store, const DeviceList& devices, MonitorSettings& s) {
    s.numRec = std::clamp(store.ReadSetting("NumRec", int32_t{3}), 0, 7);
    s.hourAdjust =
        Bounded("HourAdjust", store.ReadSetting("HourAdjust", int32_t{18000}), 0, kMaxSeconds - 1);
    for (int n = 1; n <= 8; ++n) {
        InputSettings& in = s.inputs[n - 1];
        in.auditName = store.ReadSetting(Key("AuditName_", n), "");
        in.devInName = store.ReadSetting(Key("DevInName_", n), "");
        in.devIn = FindWaveDevice(devices, true, in.devInName, 0);
        in.recLevelDB = store.ReadSetting(Key("RecLevelDB_", n), int16_t{0});
        in.recGain = DecibelToGain(static_cast<float>(in.recLevelDB));
        in.devOutName = store.ReadSetting(Key("DevOutName_", n), "");
        in.devOut = FindWaveDevice(devices, false, in.devOutName, 0);
        in.playLevelDB = store.ReadSetting(Key("PlayLevelDB_", n), int16_t{0});
        in.playGain = DecibelToGain(static_cast<float>(in.playLevelDB));
        in.fillerFile = store.ReadSetting(Key("FillerFile_", n), "");
    }
    const int rate = store.ReadSetting("nFreq", int32_t{44100});
    s.nFreq =
        rate >= kMinRate && rate <= kMaxRate ? rate : Bounded("nFreq", rate, kMinRate, kMaxRate);
}

void ReadThresholds(SettingsStore& store, MonitorSettings& s) {
    s.useBeep = store.ReadSetting("UseBeep", int32_t{1});
    SilenceThresholds& t = s.thresholds;
    t.alertLevelDB = static_cast<float>(store.ReadSetting("AlertLevelDB", int32_t{-50}));
    t.muonSec = Bounded("MuonSec", store.ReadSetting("MuonSec", int32_t{15}), 0, kMaxSeconds);
    t.muonSecMono =
        Bounded("MuonSecMono", store.ReadSetting("MuonSecMono", int32_t{20}), 0, kMaxSeconds);
    t.hukkiSec = Bounded("HukkiSec", store.ReadSetting("HukkiSec", int32_t{15}), 0, kMaxSeconds);
}

void ReadPlayerAndDisplay(SettingsStore& store, MonitorSettings& s) {
    s.noClose = store.ReadSetting("NoClose", int32_t{1});
    s.muteMS = store.ReadSetting("MuteMS", int32_t{200});
    s.useExtensible = store.ReadSetting("UseExtensible", int32_t{0});
    s.sizeRate = std::clamp(store.ReadSetting("SizeRate", 1.2f), 0.7f, 3.0f);
    const std::string trim = store.ReadSetting("VULevelTrim", "-20.0");
    char* end = nullptr;
    const float v = std::strtof(trim.c_str(), &end);
    s.vuLevelTrim = end != trim.c_str() && *end == '\0' ? v : -20.0f;
}

void ReadMail(SettingsStore& store, MonitorSettings& s) {
    s.mailLocalPort = store.ReadSetting("MailLocalPort", int16_t{10001});
    s.mailHost = store.ReadSetting("MailHost", kDefaultMailHost);
    s.mailHostPort = store.ReadSetting("MailHostPort", int16_t{587});
    s.mailSenderAddr = store.ReadSetting("MailSenderAddr", kDefaultSenderAddr);
    s.mailUserName = store.ReadSetting("MailUserName", kDefaultSenderAddr);
    s.mailPassWord = store.ReadSetting("MailPassWord", kDefaultPassWord);
    s.mailSecurity = Bounded("MailSecurity", store.ReadSetting("MailSecurity", int32_t{0}), 0, 2);
    s.mailTlsVerify = store.ReadSetting("MailTlsVerify", int32_t{1}) != 0 ? 1 : 0;
    s.mailInUse = false;
    for (int n = 1; n <= 8; ++n) {
        InputSettings& in = s.inputs[n - 1];
        in.mailAddr = store.ReadSetting(Key("MailAddr_", n), "");
        if (!in.mailAddr.empty()) s.mailInUse = true;
        in.isMono = store.ReadSetting(Key("IsMono_", n), int32_t{0});
    }
    s.messageLang = store.ReadSetting("MessageLang", int32_t{0});
    s.mailAtRestoration = store.ReadSetting("MailAtRestoration", int32_t{0});
}

void ReadDevices(SettingsStore& store, MonitorSettings& s) {
    s.adjustPin1 = store.ReadSetting("AdjustPin_1", int32_t{0});
    s.adjustPin2 = store.ReadSetting("AdjustPin_2", int32_t{0});
    s.noAdjustSec = store.ReadSetting("NoAdjustSec", int32_t{120});
    s.aHour = store.ReadSetting("AHour", int32_t{0});
    s.aSecond = store.ReadSetting("ASecond", int32_t{0});
    s.aMinute = store.ReadSetting("AMinute", int32_t{0});
    s.adjustMode = store.ReadSetting("AdjustMode", int32_t{1});
    s.useBCD = store.ReadSetting("UseBCD", int32_t{0});
    s.comNo = store.ReadSetting("ComNo", int32_t{0});
    s.comBaud = store.ReadSetting("ComBaud", int32_t{38400});
    s.comDevice = store.ReadSetting("ComDevice", "");
    s.usbHidId = store.ReadSetting("USBHIDID", int32_t{0});
    s.usbHidLatch = store.ReadSetting("USBHID_Latch", int32_t{1});
    s.usbHidVendor = HexId("USBHIDVendorID", store.ReadSetting("USBHIDVendorID", ""));
}

void ReadStatusServer(SettingsStore& store, MonitorSettings& s) {
    s.statusPort = Bounded("StatusPort", store.ReadSetting("StatusPort", int32_t{0}), 0, 65535);
    s.statusBind = store.ReadSetting("StatusBind", "127.0.0.1");
    s.statusToken = store.ReadSetting("StatusToken", "");
}

}  // namespace sonivex
