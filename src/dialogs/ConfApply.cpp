// OK of the settings dialog: the typed texts checked and turned into memory values and settings
// keys, in the order the program has always written them.
#include "dialogs/ConfApply.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "monitor/Schedule.h"
#include "monitor/SettingsStore.h"
#include "platform/AudioBackend.h"
#include "playback/Decibel.h"
#include "playback/WaveDevices.h"

namespace sonivex {

namespace {

constexpr double kInt16Max = std::numeric_limits<int16_t>::max();
constexpr double kInt16Min = std::numeric_limits<int16_t>::min();
constexpr double kInt32Max = std::numeric_limits<int32_t>::max();
constexpr double kInt32Min = std::numeric_limits<int32_t>::min();
constexpr double kMaxSilenceSeconds = 86400;  // a day, as the start-up read limits them
constexpr double kMaxPort = kInt16Max;        // ports are 16-bit signed keys
constexpr int kSecondsPerDay = 86400;
constexpr double kSingleMax = std::numeric_limits<float>::max();  // both keys are read as single

// Rounded to a whole number, halves to even, when that lies within lo..hi.
bool Whole(double value, double lo, double hi, int32_t& out) {
    const double r = std::nearbyint(value);
    if (r < lo || r > hi) return false;
    out = static_cast<int32_t>(r);
    return true;
}

bool WholeText(const std::string& text, double lo, double hi, int32_t& out) {
    double n = 0;
    return NumericText(text, n) && Whole(n, lo, hi, out);
}

std::string Key(const char* base, int n) {
    return base + std::to_string(n);
}

// Writes the store when there is one: the test mail applies the fields to memory only.
class Writer {
  public:
    explicit Writer(SettingsStore* store) : store_(store) {}
    void Text(const std::string& key, const std::string& value) {
        if (store_) store_->WriteSetting(key, value);
    }
    void Number(const std::string& key, int32_t value) {
        if (store_) store_->WriteSetting(key, value);
    }
    void Single(const std::string& key, float value) {
        if (store_) store_->WriteSetting(key, value);
    }

  private:
    SettingsStore* store_;
};

// A silence time: its absolute value, at least one second.
void ApplySeconds(const char* key, const std::string& text, int& memory, Writer& w) {
    double n = 0;
    if (!NumericText(text, n)) return;
    memory = static_cast<int>(std::clamp(std::nearbyint(std::fabs(n)), 1.0, kMaxSilenceSeconds));
    w.Number(key, memory);
}

void ApplyGeneral(const ConfFields& f, MonitorSettings& m, Writer& w) {
    double n = 0;
    int32_t v = 0;
    if (NumericText(f.numDev, n) && Whole(std::fabs(n - 1), 0, kInt32Max, v)) w.Number("NumRec", v);
    if (NumericText(f.freq, n) && Whole(std::fabs(n), 0, kInt32Max, v)) w.Number("nFreq", v);
    if (NumericText(f.alertLevelDB, n) && Whole(std::fabs(n), 0, kInt32Max, v)) {
        m.thresholds.alertLevelDB = 0.0f - static_cast<float>(v);  // 0 stays "0", not "-0"
        w.Single("AlertLevelDB", m.thresholds.alertLevelDB);
    }
    ApplySeconds("MuonSec", f.muonSec, m.thresholds.muonSec, w);
    ApplySeconds("MuonSecMono", f.muonSecMono, m.thresholds.muonSecMono, w);
    ApplySeconds("HukkiSec", f.hukkiSec, m.thresholds.hukkiSec, w);
    if (NumericText(f.sizeRate, n) && std::fabs(n) <= kSingleMax)
        w.Text("SizeRate", FixedText(n, 2));
    if (f.altFont >= 0) w.Number("AltFont", f.altFont);
    if (NumericText(f.vuLevelTrim, n) && std::fabs(n) <= kSingleMax)
        w.Single("VULevelTrim", 0.0f - static_cast<float>(std::fabs(n)));
    const int start = DayStartSeconds(f.hourAdjust);
    if (start >= 0) m.hourAdjust = start;
    w.Number("HourAdjust", m.hourAdjust);
    w.Number("AutoRec", f.autoRec);
}

// A device chosen by name; nothing chosen keeps the configured name (its device may be unplugged).
void ApplyDevice(const std::string& chosen, const DeviceList& devices, bool isInput,
                 std::string& name, int& id) {
    if (!chosen.empty()) name = chosen;
    id = FindWaveDevice(devices, isInput, name, 0);
}

// A level in dB: stored as typed, used as the whole number the next start reads.
void ApplyLevel(const std::string& key, const std::string& text, int& level, float& gain,
                Writer& w) {
    double n = 0;
    int32_t v = 0;
    if (!NumericText(text, n) || !Whole(n, kInt16Min, kInt16Max, v)) return;
    level = v;
    gain = DecibelToGain(static_cast<float>(v));
    w.Single(key, static_cast<float>(n));
}

void ApplyRows(const ConfFields& f, MonitorSettings& m, const DeviceList& d, Writer& w) {
    for (int n = 1; n <= kConfRows; ++n) {
        const ConfRow& row = f.rows[n - 1];
        InputSettings& in = m.inputs[n - 1];
        in.auditName = row.auditName;
        w.Text(Key("AuditName_", n), in.auditName);
        ApplyDevice(row.devIn, d, true, in.devInName, in.devIn);
        w.Text(Key("DevInName_", n), in.devInName);
        ApplyLevel(Key("RecLevelDB_", n), row.recLevelDB, in.recLevelDB, in.recGain, w);
        in.isMono = row.isMono;
        w.Number(Key("IsMono_", n), in.isMono);
    }
    for (int n = 1; n <= kConfRows; ++n) {
        const ConfRow& row = f.rows[n - 1];
        InputSettings& in = m.inputs[n - 1];
        ApplyDevice(row.devOut, d, false, in.devOutName, in.devOut);
        w.Text(Key("DevOutName_", n), in.devOutName);
        ApplyLevel(Key("PlayLevelDB_", n), row.playLevelDB, in.playLevelDB, in.playGain, w);
        in.fillerFile = row.fillerFile;
        w.Text(Key("FillerFile_", n), in.fillerFile);
    }
    m.useBeep = f.useBeep;
    w.Number("UseBeep", m.useBeep);
}

void ApplyPort(const char* key, const std::string& text, int& memory, Writer& w) {
    int32_t v = 0;
    if (!WholeText(text, 0, kMaxPort, v)) return;
    memory = v;
    w.Number(key, v);
}

void ApplyMail(const ConfFields& f, MonitorSettings& m, Writer& w) {
    m.mailHost = f.mailHost;
    w.Text("MailHost", m.mailHost);
    m.mailSenderAddr = f.mailSenderAddr;
    w.Text("MailSenderAddr", m.mailSenderAddr);
    m.mailUserName = f.mailUserName;
    w.Text("MailUserName", m.mailUserName);
    m.mailPassWord = f.mailPassWord;
    w.Text("MailPassWord", m.mailPassWord);
    m.messageLang = f.messageLang;
    w.Number("MessageLang", m.messageLang);
    m.mailAtRestoration = f.mailAtRestoration;
    w.Number("MailAtRestoration", m.mailAtRestoration);
    ApplyPort("MailHostPort", f.mailHostPort, m.mailHostPort, w);
    ApplyPort("MailLocalPort", f.mailLocalPort, m.mailLocalPort, w);
    if (f.mailSecurity >= 0) m.mailSecurity = std::min(f.mailSecurity, 2);
    w.Number("MailSecurity", m.mailSecurity);
    m.mailTlsVerify = f.mailTlsVerify != 0 ? 1 : 0;
    w.Number("MailTlsVerify", m.mailTlsVerify);
    m.mailInUse = false;
    for (int n = 1; n <= kConfRows; ++n) {
        m.inputs[n - 1].mailAddr = f.rows[n - 1].mailAddr;
        if (!m.inputs[n - 1].mailAddr.empty()) m.mailInUse = true;
        w.Text(Key("MailAddr_", n), m.inputs[n - 1].mailAddr);
    }
}

// After every key the program always had, so their order in the file stays as it was.
void ApplyWebhooks(const ConfFields& f, MonitorSettings& m, Writer& w) {
    m.webhookUrl = f.webhookUrl;
    w.Text("WebhookUrl", m.webhookUrl);
    m.webhookText = f.webhookText != 0;
    w.Text("WebhookFormat", m.webhookText ? "text" : "json");
}

// Clock correction numbers: a text that is no number (of the key's size) becomes "0" in its box.
int ZeroOr(std::string& text, double lo, double hi) {
    int32_t v = 0;
    if (WholeText(text, lo, hi, v)) return v;
    text.assign(1, '0');  // not = "0": GCC 12 at -O3 warns falsely (-Wrestrict) on that copy
    return 0;
}

void ApplyExternal(ConfFields& f, MonitorSettings& m, Writer& w) {
    m.aMinute = ZeroOr(f.minute, kInt16Min, kInt16Max);
    w.Number("AMinute", m.aMinute);
    m.aSecond = ZeroOr(f.second, kInt16Min, kInt16Max);
    w.Number("ASecond", m.aSecond);
    m.noAdjustSec = ZeroOr(f.noAdjustSec, kInt32Min, kInt32Max);
    w.Number("NoAdjustSec", m.noAdjustSec);
    if (f.com >= 0 && f.com <= kInt16Max) {
        // ComNo stays nonzero for a detected port, so that the port opens by its path.
        w.Number("ComNo", f.com);
        w.Text("ComDevice", f.com >= kFirstDetectedPort ? f.comText : "");
    }
    int32_t baud = 0;
    if (WholeText(f.baud, 1, kInt32Max, baud)) w.Text("ComBaud", std::to_string(baud));
    w.Number("UseBCD", f.useBCD);
    m.adjustPin1 = std::max(f.adjustPin[0], 0);
    w.Number("AdjustPin_1", m.adjustPin1);
    m.adjustPin2 = std::max(f.adjustPin[1], 0);
    w.Number("AdjustPin_2", m.adjustPin2);
    if (f.hid >= 0 && f.hid <= kInt16Max) w.Number("USBHIDID", f.hid);
}

}  // namespace

void ApplyConf(ConfFields& fields, MonitorSettings& memory, SettingsStore& store,
               const DeviceList& devices) {
    Writer w(&store);
    store.Hold();
    ApplyGeneral(fields, memory, w);
    ApplyRows(fields, memory, devices, w);
    ApplyMail(fields, memory, w);
    ApplyExternal(fields, memory, w);
    ApplyWebhooks(fields, memory, w);
    // The serial port and the HID box reopen from their keys, so memory follows them.
    ReadDevices(store, memory);
    store.Release();
}

MonitorSettings TestMailSettings(const ConfFields& fields, const MonitorSettings& memory) {
    MonitorSettings s = memory;
    Writer none(nullptr);
    ApplyMail(fields, s, none);
    ApplyWebhooks(fields, s, none);
    for (int i = 0; i < kConfRows; ++i) s.inputs[i].auditName = fields.rows[i].auditName;
    return s;
}

int TestMailInput(const ConfFields& fields) {
    for (int i = 0; i < kConfRows; ++i)
        if (!fields.rows[i].mailAddr.empty()) return i;
    return -1;
}

int DayStartSeconds(const std::string& text) {
    const std::optional<int64_t> ms = TimerTimeMs(text);
    if (!ms) return -1;
    const double whole = std::nearbyint(static_cast<double>(*ms) / 1000.0);
    return whole < kSecondsPerDay ? static_cast<int>(whole) : -1;
}

}  // namespace sonivex
