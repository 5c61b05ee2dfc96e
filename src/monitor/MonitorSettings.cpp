// Start-up reads of the settings store, with the limits that keep the monitor sane on bad values.
#include "monitor/MonitorSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "monitor/Levels.h"
#include "monitor/SettingsStore.h"
#include "platform/AudioBackend.h"
#include "playback/WaveDevices.h"
#include "support/Log.h"
#include "support/NumberText.h"
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
constexpr int kLowestThresholdDB = -100;  // only digital silence lies below
constexpr int kHighestThresholdDB = -1;   // at 0 dBFS every buffer would be silent
constexpr int kMaxMuteMS = 10000;
constexpr int kMaxComNo = 255;

}  // namespace

int ReadBounded(SettingsStore& store, const std::string& key, int32_t def, int lo, int hi) {
    return Bounded(key, store.ReadSetting(key, def), lo, hi);
}

AlertTextSettings MonitorSettings::TextSettings() const {
    return {thresholds.muonSec, thresholds.muonSecMono, messageLang, hourAdjust};
}

void ReadLogSwitches(SettingsStore& store, const std::string& dataFolder, MonitorSettings& s) {
    s.logError = store.ReadSetting("LogError", int32_t{1});
    s.errorCatch = store.ReadSetting("ErrorCatch", int32_t{0});
    if (FileExists(dataFolder + "ec.txt")) s.errorCatch = 1;
}

std::string ReadLogFolder(const std::string& commonIniPath, const std::string& dataFolder,
                          std::string& problem) {
    SettingsStore common(commonIniPath, false);
    const std::string path = common.ReadSetting("DebugLogPath", "");
    const std::string why = path.empty() ? "" : LogFolderProblem(path);
    problem = why.empty() ? "" : "DebugLogPath " + path + ": " + why;
    return path.empty() || !why.empty() ? dataFolder + "log/" : AddSeparator(path);
}

void ReadLanguage(SettingsStore& store, MonitorSettings& s) {
    const int mode = ReadBounded(store, "LangMode", 0, 0, 1);
    s.langMode = SystemIsJapanese() ? mode : 1;
    s.altFont = store.ReadSetting("AltFont", int32_t{1});
}

void ReadInputs(SettingsStore& store, const DeviceList& devices, MonitorSettings& s) {
    s.numRec = ReadBounded(store, "NumRec", 3, 0, 7);
    s.hourAdjust = ReadBounded(store, "HourAdjust", 18000, 0, kMaxSeconds - 1);
    s.deviceLossAlert = ReadBounded(store, "DeviceLossAlert", 1, 0, 1);
    // Watching the default device instead would watch another input and miss this one's
    // silence: with device alerts on, a capture device not found is a failed device.
    const std::string instead = s.deviceLossAlert != 0
                                    ? " 録音デバイス: 見つかるまで録音デバイス異常の警報"
                                    : " 録音デバイス: 既定のデバイス default を使用";
    for (int n = 1; n <= 8; ++n) {
        InputSettings& in = s.inputs[n - 1];
        in.auditName = store.ReadSetting(Key("AuditName_", n), "");
        in.devInName = store.ReadSetting(Key("DevInName_", n), "");
        in.devIn = FindWaveDevice(devices, true, in.devInName, 0, Key("ch", n) + instead);
        if (s.deviceLossAlert != 0 &&
            LocateWaveDevice(devices, true, in.devInName) == kMissingWaveDevice)
            in.devIn = kMissingWaveDevice;
        in.recLevelDB = store.ReadSetting(Key("RecLevelDB_", n), int16_t{0});
        in.recGain = DecibelToGain(static_cast<float>(in.recLevelDB));
        in.devOutName = store.ReadSetting(Key("DevOutName_", n), "");
        // An output not found is not replaced: the default output is where the alarm sounds.
        in.devOut = FindWaveDevice(devices, false, in.devOutName, 0,
                                   Key("ch", n) + " 出力デバイス: フィラーは再生されません");
        if (in.devOut == -1) in.devOut = kMissingWaveDevice;
        in.playLevelDB = store.ReadSetting(Key("PlayLevelDB_", n), int16_t{0});
        in.playGain = DecibelToGain(static_cast<float>(in.playLevelDB));
        in.fillerFile = store.ReadSetting(Key("FillerFile_", n), "");
    }
    s.nFreq = ReadBounded(store, "nFreq", 44100, kMinRate, kMaxRate);
}

void ReadThresholds(SettingsStore& store, MonitorSettings& s) {
    s.useBeep = ReadBounded(store, "UseBeep", 1, 0, 1);
    SilenceThresholds& t = s.thresholds;
    t.alertLevelDB = static_cast<float>(
        ReadBounded(store, "AlertLevelDB", -50, kLowestThresholdDB, kHighestThresholdDB));
    t.muonSec = ReadBounded(store, "MuonSec", 15, 0, kMaxSeconds);
    t.muonSecMono = ReadBounded(store, "MuonSecMono", 20, 0, kMaxSeconds);
    t.hukkiSec = ReadBounded(store, "HukkiSec", 15, 0, kMaxSeconds);
}

void ReadPlayerAndDisplay(SettingsStore& store, MonitorSettings& s) {
    s.noClose = ReadBounded(store, "NoClose", 1, 0, 1);
    s.muteMS = ReadBounded(store, "MuteMS", 200, 0, kMaxMuteMS);
    s.useExtensible = ReadBounded(store, "UseExtensible", 0, 0, 1);
    const float rate = store.ReadSetting("SizeRate", 1.2f);
    s.sizeRate = std::clamp(rate, 0.7f, 3.0f);
    if (s.sizeRate != rate)
        WriteLog("設定値エラー SizeRate=" + NumberText(rate) + " (" + NumberText(s.sizeRate) +
                 " を使用)");
    const std::string trim = store.ReadSetting("VULevelTrim", "-20.0");
    double v = 0;
    const bool numeric = NumericText(trim, v);
    s.vuLevelTrim = numeric ? static_cast<float>(v) : -20.0f;
    if (!numeric) WriteLog("設定値エラー VULevelTrim=" + trim + " (-20.0 を使用)");
}

void ReadMail(SettingsStore& store, MonitorSettings& s) {
    s.mailLocalPort = store.ReadSetting("MailLocalPort", int16_t{10001});
    s.mailHost = store.ReadSetting("MailHost", kDefaultMailHost);
    s.mailHostPort = Bounded("MailHostPort", store.ReadSetting("MailHostPort", int16_t{587}), 1,
                             std::numeric_limits<int16_t>::max());
    s.mailSenderAddr = store.ReadSetting("MailSenderAddr", kDefaultSenderAddr);
    s.mailUserName = store.ReadSetting("MailUserName", "");
    s.mailPassWord = store.ReadSetting("MailPassWord", kDefaultPassWord);
    s.mailSecurity = ReadBounded(store, "MailSecurity", 0, 0, 2);
    s.mailTlsVerify = ReadBounded(store, "MailTlsVerify", 1, 0, 1);
    s.mailHeloName = store.ReadSetting("MailHeloName", "");
    s.mailRetryHours = ReadBounded(store, "MailRetryHours", 24, 0, 24 * 30);
    s.webhookUrl = store.ReadSetting("WebhookUrl", "");
    const std::string format = store.ReadSetting("WebhookFormat", "json");
    s.webhookText = format == "text";
    if (format != "json" && format != "text")
        WriteLog("設定値エラー WebhookFormat=" + format + " (json を使用)");
    s.mailInUse = false;
    for (int n = 1; n <= 8; ++n) {
        InputSettings& in = s.inputs[n - 1];
        in.mailAddr = store.ReadSetting(Key("MailAddr_", n), "");
        if (!in.mailAddr.empty()) s.mailInUse = true;
        in.isMono = ReadBounded(store, Key("IsMono_", n), 0, 0, 1);
    }
    s.messageLang = store.ReadSetting("MessageLang", int32_t{0});
    s.mailAtRestoration = ReadBounded(store, "MailAtRestoration", 0, 0, 1);
}

void ReadDevices(SettingsStore& store, MonitorSettings& s) {
    s.adjustPin1 = store.ReadSetting("AdjustPin_1", int32_t{0});
    s.adjustPin2 = store.ReadSetting("AdjustPin_2", int32_t{0});
    s.noAdjustSec = store.ReadSetting("NoAdjustSec", int32_t{120});
    s.aHour = ReadBounded(store, "AHour", 0, 0, 23);
    s.aSecond = ReadBounded(store, "ASecond", 0, 0, 59);
    s.aMinute = ReadBounded(store, "AMinute", 0, 0, 59);
    s.adjustMode = store.ReadSetting("AdjustMode", int32_t{1});
    s.useBCD = ReadBounded(store, "UseBCD", 0, 0, 1);
    s.comNo = ReadBounded(store, "ComNo", 0, 0, kMaxComNo);
    s.comBaud = store.ReadSetting("ComBaud", int32_t{38400});
    s.comDevice = store.ReadSetting("ComDevice", "");
    s.usbHidId = ReadBounded(store, "USBHIDID", 0, 0, 0xFFFF);
    s.usbHidLatch = ReadBounded(store, "USBHID_Latch", 1, 0, 1);
    s.usbHidVendor = HexId("USBHIDVendorID", store.ReadSetting("USBHIDVendorID", ""));
}

void ReadStatusServer(SettingsStore& store, MonitorSettings& s) {
    s.statusPort = Bounded("StatusPort", store.ReadSetting("StatusPort", int32_t{0}), 0, 65535);
    s.statusBind = store.ReadSetting("StatusBind", "127.0.0.1");
    s.statusToken = store.ReadSetting("StatusToken", "");
}

}  // namespace sonivex
