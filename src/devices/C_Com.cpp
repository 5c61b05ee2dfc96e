// C_Com over the termios stand-in; a port that vanishes is logged once and closed.
#include "devices/C_Com.h"

#include <algorithm>

#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

int C_Com::OpenComm() {
    if (!port_.Open(c_ComPort)) return 0;
    // A line the driver refuses stays as the driver has it, as it always has; the log says so.
    if (!port_.Configure(c_BaudRate))
        WriteLog("SetCommState (OpenComm) Failed r=" + std::to_string(port_.Error()) + " " +
                     c_ComPort + " " + std::to_string(c_BaudRate),
                 1);
    return 1;
}

void C_Com::CloseComm() {
    port_.Close();
}

void C_Com::Lost() {
    WriteLog(
        "ReadFile/WriteFile (C_Com) Failed r=" + std::to_string(port_.Error()) + " " + c_ComPort,
        1);
    WriteLog("シリアルポート切断 " + c_ComPort);
    CloseComm();
}

void C_Com::SendDataB(const uint8_t* bytes, int count) {
    if (!IsOpen() || !bytes || count <= 0) return;
    if (port_.Write(bytes, static_cast<size_t>(count), kComWriteTimeoutMS) < 0) Lost();
}

int C_Com::Receive(uint8_t* bytes, int max) {
    if (!IsOpen() || max <= 0) return 0;
    receiving_ = true;
    PumpEvents();
    receiving_ = false;
    if (!IsOpen()) return 0;
    const int n = port_.Read(bytes, static_cast<size_t>(max));
    if (n >= 0) return n;
    Lost();
    return 0;
}

void C_Com::RecvDataB(std::vector<uint8_t>& rBytes) {
    const int size = std::max(0, c_DataSize);
    if (rBytes.size() < static_cast<size_t>(size) + 1) rBytes.resize(static_cast<size_t>(size) + 1);
    if (!IsOpen()) return;
    const int n = Receive(rBytes.data() + 1, size);
    if (n < 256) rBytes[0] = static_cast<uint8_t>(n);
}

}  // namespace sonivex
