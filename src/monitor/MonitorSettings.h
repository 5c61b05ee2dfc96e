// The program-wide values read from the settings store at start-up.
#pragma once

#include <array>
#include <string>

#include "mail/AlertText.h"
#include "monitor/SilenceDetector.h"

namespace sonivex {

class SettingsStore;
class DeviceList;

struct InputSettings {
    std::string auditName;  // AuditName_n
    std::string devInName;  // DevInName_n
    int devIn = -1;         // capture device index; -1 = default
    int recLevelDB = 0;     // RecLevelDB_n
    float recGain = 1.0f;
    std::string devOutName;  // DevOutName_n
    int devOut = -1;
    int playLevelDB = 0;  // PlayLevelDB_n
    float playGain = 1.0f;
    std::string fillerFile;  // FillerFile_n
    std::string mailAddr;    // MailAddr_n
    int isMono = 0;          // IsMono_n
};

struct MonitorSettings {
    int logError = 1;
    int errorCatch = 0;
    std::string logFolder;  // with a trailing '/'
    int langMode = 1;       // 0 Japanese, 1 English (text language in use)
    int altFont = 1;
    int numRec = 3;  // highest input index, 0..7
    int hourAdjust = 18000;
    std::array<InputSettings, 8> inputs;
    int nFreq = 44100;
    int useBeep = 1;
    int deviceLossAlert = 1;  // 1: a failed capture device raises an alert and is reopened
    SilenceThresholds thresholds;
    int noClose = 1, muteMS = 200, useExtensible = 0;
    float sizeRate = 1.2f;
    float vuLevelTrim = -20.0f;
    int mailLocalPort = 10001;
    std::string mailHost, mailSenderAddr, mailUserName, mailPassWord;
    int mailHostPort = 587;
    int mailSecurity = 0;      // 0 plain TCP, 1 STARTTLS required, 2 TLS from the start
    int mailTlsVerify = 1;     // 1 check the server certificate and its name, 0 accept any
    std::string mailHeloName;  // the greeting's name; "" = this machine's (see HeloName)
    int mailRetryHours = 24;   // how long a mail that failed for a passing reason is tried again
    bool mailInUse = false;
    std::string webhookUrl;    // WebhookUrl: URLs separated by ";"; "" = no webhooks
    bool webhookText = false;  // WebhookFormat "text": {"text": ...} instead of the full event
    int messageLang = 0;
    int mailAtRestoration = 0;
    int adjustPin1 = 0, adjustPin2 = 0, noAdjustSec = 120;
    int aHour = 0, aMinute = 0, aSecond = 0, adjustMode = 1;
    int usbHidId = 0, usbHidLatch = 1;
    int usbHidVendor = 0;  // USBHIDVendorID (hexadecimal); 0 = the box's own vendor id
    int useBCD = 0, comNo = 0, comBaud = 38400;
    std::string comDevice;  // ComDevice: opened instead of ttyS(ComNo-1) when not empty
    int autoRec = 0;
    int statusPort = 0;  // StatusPort: the status server's TCP port; 0 = no server
    std::string statusBind = "127.0.0.1";
    std::string statusToken;  // "" = no token asked for (loopback only)

    int NumInputs() const { return numRec + 1; }
    AlertTextSettings TextSettings() const;
};

// Default texts for the mail server keys; placeholders of our own until a station sets them.
constexpr char kDefaultMailHost[] = "mail.example.com";
constexpr char kDefaultSenderAddr[] = "sonivex@example.com";
constexpr char kDefaultPassWord[] = "kelp7302";

// A whole number setting; a value outside lo..hi is logged as "設定値エラー key=value (limit
// を使用)" and limited.
int ReadBounded(SettingsStore& store, const std::string& key, int32_t def, int lo, int hi);

// Start-up reads, each in the order the start-up sequence reads them.
void ReadLogSwitches(SettingsStore& store, const std::string& dataFolder, MonitorSettings& s);
// DebugLogPath, or the data folder's log/ when it is empty or cannot be used (then `problem`
// says why).
std::string ReadLogFolder(const std::string& commonIniPath, const std::string& dataFolder,
                          std::string& problem);
void ReadLanguage(SettingsStore& store, MonitorSettings& s);
void ReadInputs(SettingsStore& store, const DeviceList& devices, MonitorSettings& s);
void ReadThresholds(SettingsStore& store, MonitorSettings& s);
void ReadPlayerAndDisplay(SettingsStore& store, MonitorSettings& s);
void ReadMail(SettingsStore& store, MonitorSettings& s);
void ReadDevices(SettingsStore& store, MonitorSettings& s);
void ReadStatusServer(SettingsStore& store, MonitorSettings& s);

}  // namespace sonivex
