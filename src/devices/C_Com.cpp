// C_Com over the termios stand-in; a port that vanishes is logged once and closed.
#include "devices/C_Com.h"

#include <algorithm>

#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

int C_Com::OpenComm() {
    if (!port_.Open(c_ComPort)) return 0;
    // A line the driver refuses stays as the driver has it, as it always has; the log says so.
    if (!port_.Configure(c_BaudRate, c_ParityBit, c_StopBit))
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
    if (OnLost) OnLost(c_ComPort);
}

void C_Com::SendDataB(const uint8_t* bytes, int count) {
    if (!IsOpen() || !bytes || count <= 0) return;
    if (port_.Write(bytes, static_cast<size_t>(count), kComWriteTimeoutMS) < 0) Lost();
}

void C_Com::SendDatalp(const void* plp, int pLen) {
    SendDataB(static_cast<const uint8_t*>(plp), pLen);
}

void C_Com::SendText(const std::string& Mes) {
    if (Mes.empty()) return;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < Mes.size();) {
        const auto lead = static_cast<uint8_t>(Mes[i]);
        const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        if (extra == 0 || i + static_cast<size_t>(extra) >= Mes.size()) {
            bytes.push_back(lead);  // ASCII, or a byte that starts no whole character
            ++i;
            continue;
        }
        uint32_t code = lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            code = (code << 6) | (static_cast<uint8_t>(Mes[i + static_cast<size_t>(k)]) & 0x3F);
        bytes.push_back(static_cast<uint8_t>(code & 0xFF));
        i += static_cast<size_t>(extra) + 1;
    }
    SendDataB(bytes.data(), static_cast<int>(bytes.size()));
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

std::string C_Com::RecvData() {
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max(0, c_DataSize)));
    const int n = Receive(bytes.data(), c_DataSize);
    return std::string(bytes.begin(), bytes.begin() + n);
}

void C_Com::RecvDataB(std::vector<uint8_t>& rBytes) {
    const int size = std::max(0, c_DataSize);
    if (rBytes.size() < static_cast<size_t>(size) + 1) rBytes.resize(static_cast<size_t>(size) + 1);
    if (!IsOpen()) return;
    const int n = Receive(rBytes.data() + 1, size);
    if (n < 256) rBytes[0] = static_cast<uint8_t>(n);
}

}  // namespace sonivex
