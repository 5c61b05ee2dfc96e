// What the settings dialog shows on opening: its field texts and the lists of its combo boxes.
#include <initializer_list>

#include "devices/FCT_Serial.h"
#include "dialogs/ConfApply.h"
#include "monitor/SettingsStore.h"
#include "playback/WaveDevices.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr int kTimeOnly = 2;      // DateTimeText parts: the time
constexpr int kDayStartTime = 3;  // DateTimeText source: the day start as a time
constexpr int kNumberedChoices = 8;

// "NA", "1".."8"; index selected when the list has it, else nothing.
void FillNumberedCombo(ChoiceList& combo, int index) {
    combo.Clear();
    combo.Add("NA");
    for (int n = 1; n <= kNumberedChoices; ++n) combo.Add(std::to_string(n));
    if (index >= 0 && index < combo.Count()) combo.Select(index);
}

void SelectOnly(ChoiceList& combo, std::initializer_list<const char*> items, int index) {
    combo.Clear();
    for (const char* item : items) combo.Add(item);
    if (index >= 0 && index < combo.Count()) combo.Select(index);
}

std::string SelectedText(const ChoiceList& combo) {
    return combo.Selected() >= 0 ? combo.Item(combo.Selected()) : "";
}

// "NA", "Com1".."Com6", then the ports found that no ComN reaches, each by its stable name. A
// configured port that is not plugged in now stays in the list, chosen.
void FillPortCombo(ChoiceList& combo, const std::vector<SerialPortInfo>& ports, int comNo,
                   const std::string& comDevice) {
    FillComCombo(combo, comNo);
    for (const SerialPortInfo& p : ports) {
        if (p.comNo >= 1 && p.comNo < kFirstDetectedPort) continue;
        combo.Add(p.alias.empty() ? p.path : p.alias);
        const bool chosen =
            comDevice.empty() ? p.comNo == comNo : p.path == comDevice || p.alias == comDevice;
        if (comNo > 0 && chosen) combo.Select(combo.Count() - 1);
    }
    if (comNo > 0 && !comDevice.empty() && combo.Selected() < kFirstDetectedPort) {
        combo.Add(comDevice);
        combo.Select(combo.Count() - 1);
    }
}

void ShowGeneral(const MonitorSettings& m, SettingsStore& store, ConfView& v) {
    ConfFields& f = v.fields;
    f.numDev = std::to_string(static_cast<int64_t>(store.ReadSetting("NumRec", int32_t{3})) + 1);
    const int32_t rate = store.ReadSetting("nFreq", int32_t{44100});
    f.freq = std::to_string(rate);
    FillSampleRateCombo(v.lists.freq, rate, 0, 0);
    f.alertLevelDB = NumberText(m.thresholds.alertLevelDB);
    f.muonSec = std::to_string(m.thresholds.muonSec);
    f.muonSecMono = std::to_string(m.thresholds.muonSecMono);
    f.hukkiSec = std::to_string(m.thresholds.hukkiSec);
    f.sizeRate = FixedText(store.ReadSetting("SizeRate", 1.2f), 2);
    f.altFont = store.ReadSetting("AltFont", int32_t{1}) == 1 ? 1 : 0;
    SelectOnly(v.lists.altFont, {"ＭＳ Ｐゴシック", "メイリオ"}, f.altFont);
    f.vuLevelTrim = store.ReadSetting("VULevelTrim", "-20.0");
    double trim = 0;
    if (NumericText(f.vuLevelTrim, trim)) f.vuLevelTrim = FixedText(trim, 1);
    f.hourAdjust = DateTimeText(m.hourAdjust, 0, 0, kTimeOnly, kDayStartTime);
    f.autoRec = store.ReadSetting("AutoRec", int32_t{0}) == 1 ? 1 : 0;
}

// The configured device chosen in a list of all devices; a device known only by its index
// (an empty name means the first) is looked up by that index's name.
std::string ShowDevice(const DeviceList& d, ChoiceList& combo, bool isInput,
                       const std::string& name, int id) {
    const std::string preferred = name.empty() ? GetWaveDeviceName(d, isInput, id) : name;
    FillWaveDeviceCombo(d, combo, isInput, preferred, 0);
    return SelectedText(combo);
}

void ShowRows(const MonitorSettings& m, const DeviceList& d, ConfView& v) {
    for (int i = 0; i < kConfRows; ++i) {
        const InputSettings& in = m.inputs[i];
        ConfRow& row = v.fields.rows[i];
        row.auditName = in.auditName;
        row.devIn = ShowDevice(d, v.lists.devIn[i], true, in.devInName, in.devIn);
        row.recLevelDB = FixedText(in.recLevelDB, 2);
        row.isMono = in.isMono == 1 ? 1 : 0;
        row.devOut = ShowDevice(d, v.lists.devOut[i], false, in.devOutName, in.devOut);
        row.playLevelDB = FixedText(in.playLevelDB, 2);
        row.fillerFile = in.fillerFile;
        row.mailAddr = in.mailAddr;
    }
    v.fields.useBeep = m.useBeep != 0 ? 1 : 0;
}

void ShowMail(const MonitorSettings& m, ConfView& v) {
    ConfFields& f = v.fields;
    f.mailHost = m.mailHost;
    f.mailSenderAddr = m.mailSenderAddr;
    f.mailUserName = m.mailUserName;
    f.mailPassWord = m.mailPassWord;
    f.mailHostPort = std::to_string(m.mailHostPort);
    f.mailLocalPort = std::to_string(m.mailLocalPort);
    f.messageLang = m.messageLang != 0 ? 1 : 0;
    f.mailAtRestoration = m.mailAtRestoration != 0 ? 1 : 0;
    f.mailSecurity = m.mailSecurity;
    SelectOnly(v.lists.mailSecurity, {"なし", "STARTTLS", "SSL/TLS"}, f.mailSecurity);
    f.mailTlsVerify = m.mailTlsVerify != 0 ? 1 : 0;
    f.webhookUrl = m.webhookUrl;
    f.webhookText = m.webhookText ? 1 : 0;
}

void ShowExternal(const MonitorSettings& m, SettingsStore& store,
                  const std::vector<SerialPortInfo>& ports, ConfView& v) {
    ConfFields& f = v.fields;
    f.minute = std::to_string(m.aMinute);
    f.second = std::to_string(m.aSecond);
    f.noAdjustSec = std::to_string(m.noAdjustSec);
    f.useBCD = store.ReadSetting("UseBCD", int32_t{0}) != 0 ? 1 : 0;
    const int32_t comNo = store.ReadSetting("ComNo", int32_t{0});
    FillPortCombo(v.lists.com, ports, comNo, store.ReadSetting("ComDevice", ""));
    f.com = v.lists.com.Selected();
    f.comText = SelectedText(v.lists.com);
    f.baud = store.ReadSetting("ComBaud", "38400");
    FillBaudCombo(v.lists.baud, f.baud);
    FillNumberedCombo(v.lists.hid, store.ReadSetting("USBHIDID", int32_t{0}));
    f.hid = v.lists.hid.Selected();
    const int pins[2] = {m.adjustPin1, m.adjustPin2};
    for (int k = 0; k < 2; ++k) {
        FillNumberedCombo(v.lists.adjustPin[k], pins[k]);
        f.adjustPin[k] = v.lists.adjustPin[k].Selected();
    }
}

}  // namespace

ConfView ShowConf(const MonitorSettings& memory, SettingsStore& store, const DeviceList& devices,
                  const std::vector<SerialPortInfo>& ports) {
    ConfView v;
    store.Hold();
    ShowGeneral(memory, store, v);
    ShowRows(memory, devices, v);
    ShowMail(memory, v);
    ShowExternal(memory, store, ports, v);
    store.Release();
    return v;
}

}  // namespace sonivex
