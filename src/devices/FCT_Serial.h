// The serial port from the settings, the lists of the settings dialog, and the time code that
// the port carries in time-code mode.
#pragma once

#include <memory>
#include <string>

#include "devices/C_Com.h"
#include "devices/ClockCorrection.h"
#include "devices/TimeCode.h"
#include "playback/ChoiceList.h"

namespace sonivex {

struct SerialSettings {
    int comNo = 0;          // ComNo: n opens ttyS(n-1); 0 = no port
    int comBaud = 38400;    // ComBaud, code-byte mode only
    std::string comDevice;  // ComDevice: this path instead of ttyS(n-1) when not empty
    int langMode = 1;       // 0 Japanese, 1 English message
    std::string devRoot = "/dev";
    bool quiet = false;  // a failed open neither logged nor shown (the port is looked for again)
};

constexpr int kTimeCodeBaud = 2400;
constexpr int kTimeCodeReadBytes = 18;

// The path ComNo / ComDevice stand for; "" for no port.
std::string SerialPath(const SerialSettings& s, int comNo);

// 1 opened, 0 not (a message box says why, unless no port is configured). The rate and the
// read size follow the mode.
int OpenSerial(std::unique_ptr<C_Com>& port, int pTimeCode, const SerialSettings& s);

void FillBaudCombo(ChoiceList& combo, const std::string& selected);
void FillComCombo(ChoiceList& combo, int index);

// Reads what the port has and corrects the clock when a code shows the target.
std::string ReadTimeCode(C_Com& port, std::string& text, const AdjustTarget& target, Clock& clock);

}  // namespace sonivex
