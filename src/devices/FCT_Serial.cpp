// Opening the serial port from the settings, the dialog's lists, and the time code.
#include "devices/FCT_Serial.h"

#include <vector>

#include "platform/MessageBox.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr const char* kBaudRates[] = {"110",   "300",    "600",   "1200",  "2400",
                                      "9600",  "14400",  "19200", "28800", "38400",
                                      "56000", "128000", "256000"};
constexpr int kComChoices = 6;

}  // namespace

std::string SerialPath(const SerialSettings& s, int comNo) {
    if (comNo <= 0) return "";
    if (!s.comDevice.empty()) return s.comDevice;
    return s.devRoot + "/ttyS" + std::to_string(comNo - 1);
}

int OpenSerial(std::unique_ptr<C_Com>& port, int pTimeCode, const SerialSettings& s) {
    if (port) port->CloseComm();
    port.reset();
    const std::string path = SerialPath(s, s.comNo);
    if (path.empty()) return 0;
    port = std::make_unique<C_Com>();
    port->BaudRate(pTimeCode ? kTimeCodeBaud : s.comBaud);
    port->DataSize(pTimeCode ? kTimeCodeReadBytes : 1);
    port->ComPort(path);
    if (port->OpenComm() == 1) return 1;
    if (s.quiet) return 0;
    WriteLog("CreateFile (OpenSerial) Failed r=" + std::to_string(port->Error()) + " " + path, 1);
    const std::string text = s.langMode == 0 ? path + "が開けません" : "Can not open " + path;
    CenteredMsgBox(text, MB_ICONSTOP, "sonivex");
    return 0;
}

void FillBaudCombo(ChoiceList& combo, const std::string& selected) {
    combo.Clear();
    for (const char* rate : kBaudRates) combo.Add(rate);
    for (int i = 0; i < combo.Count(); ++i)
        if (combo.Item(i) == selected) combo.Select(i);
}

void FillComCombo(ChoiceList& combo, int index) {
    combo.Clear();
    combo.Add("NA");
    for (int n = 1; n <= kComChoices; ++n) combo.Add("Com" + std::to_string(n));
    combo.Select(index >= 0 && index <= combo.Count() - 1 ? index : 0);
}

std::string ReadTimeCode(C_Com& port, std::string& text, const AdjustTarget& target, Clock& clock) {
    std::vector<uint8_t> bytes(static_cast<size_t>(kTimeCodeReadBytes) + 1, 0);
    port.RecvDataB(bytes);
    if (bytes[0] == 0) return "";
    return FeedTimeCode(text, bytes.data() + 1, bytes[0], target,
                        [&] { AdjustClock(clock, target); });
}

}  // namespace sonivex
