// The settings dialog's decisions without widgets: what each field shows on opening, the lists of
// its combo boxes, and how OK turns the typed texts into memory values and settings keys.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "monitor/MonitorSettings.h"
#include "platform/SerialPort.h"
#include "playback/ChoiceList.h"
#include "support/NumberText.h"

namespace sonivex {

class DeviceList;
class SettingsStore;

constexpr int kConfRows = 8;           // every tab shows all eight inputs, whatever NumRec says
constexpr int kFirstDetectedPort = 7;  // ComboCom: "NA", "Com1".."Com6", then detected ports

// One input's fields over the tabs "入力", "出力" and "メール".
struct ConfRow {
    std::string auditName;
    std::string devIn;  // the chosen capture device's name; "" = none chosen (the name stays)
    std::string recLevelDB;
    int isMono = 0;
    std::string devOut;  // as devIn, output side
    std::string playLevelDB;
    std::string fillerFile;
    std::string mailAddr;
};

// The dialog's controls as texts, check values and list indexes.
struct ConfFields {
    // "一般"
    std::string numDev, freq, alertLevelDB, muonSec, muonSecMono, hukkiSec, sizeRate;
    int altFont = 1;
    std::string vuLevelTrim, hourAdjust;
    int autoRec = 0;
    std::array<ConfRow, kConfRows> rows;
    int useBeep = 1;
    // "メール"
    std::string mailHost, mailSenderAddr, mailUserName, mailPassWord, mailHostPort, mailLocalPort;
    int messageLang = 0, mailAtRestoration = 0;
    int mailSecurity = 0;  // 0 plain, 1 STARTTLS, 2 TLS
    int mailTlsVerify = 1;
    std::string webhookUrl;
    int webhookText = 0;  // WebhookFormat text
    // "外部制御"
    std::string minute, second, noAdjustSec;
    int useBCD = 0;
    int com = 0;          // ComboCom index
    std::string comText;  // its text; a detected port's path from kFirstDetectedPort on
    std::string baud;
    int hid = 0;  // ComboHID index = USBHIDID
    std::array<int, 2> adjustPin{};
};

struct ConfLists {
    ChoiceList freq, altFont, com, baud, hid, mailSecurity;
    std::array<ChoiceList, kConfRows> devIn, devOut;
    std::array<ChoiceList, 2> adjustPin;
};

struct ConfView {
    ConfFields fields;
    ConfLists lists;  // each with the item the fields name selected
};

// What the dialog shows on opening: program-wide values from memory, the keys that only take
// effect at the next start from the store. ports: the serial ports found on the machine.
ConfView ShowConf(const MonitorSettings& memory, SettingsStore& store, const DeviceList& devices,
                  const std::vector<SerialPortInfo>& ports);

// OK: every field by its rule, into memory and the store, in the program's fixed order. A number
// field whose text is not a number is skipped, except the three of "外部制御", whose texts
// become "0" first. Afterwards the device keys are read back as the port and box reopen them.
void ApplyConf(ConfFields& fields, MonitorSettings& memory, SettingsStore& store,
               const DeviceList& devices);

// The test mail: memory with the dialog's mail fields and names, nothing stored.
MonitorSettings TestMailSettings(const ConfFields& fields, const MonitorSettings& memory);
// The input whose recipient gets the test mail: the first one, else the first with a recipient;
// -1 when no input has one.
int TestMailInput(const ConfFields& fields);

// The day start in seconds for a "hh:mm:ss[.f..fff]" text within one day; -1 otherwise.
int DayStartSeconds(const std::string& text);

}  // namespace sonivex
