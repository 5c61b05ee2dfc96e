// One serial port with fixed line settings (8 data bits, raw), moving bytes: blocking writes
// bounded at 5 s, reads that return at once with what has arrived.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

namespace sonivex {

constexpr int kComWriteTimeoutMS = 5000;

class C_Com {
  public:
    int DataSize() const { return c_DataSize; }
    void DataSize(const int& bytes) { c_DataSize = bytes; }
    std::string ComPort() const { return c_ComPort; }  // the device path
    void ComPort(const std::string& path) { c_ComPort = path; }
    int BaudRate() const { return c_BaudRate; }
    void BaudRate(const int& baud) { c_BaudRate = baud; }
    int ParityBit() const { return c_ParityBit; }  // 0 none, 1 odd, 2 even
    void ParityBit(const int& code) { c_ParityBit = code; }
    int StopBit() const { return c_StopBit; }  // 0 one, other two
    void StopBit(const int& code) { c_StopBit = code; }

    int OpenComm();  // 1 opened, 0 not
    void CloseComm();
    bool IsOpen() const { return port_.IsOpen(); }
    int Error() const { return port_.Error(); }    // errno of the last failure
    int LineBaud() const { return port_.Baud(); }  // the rate the driver holds
    // True while a read lets events run: the object must not be replaced until it returns.
    bool Receiving() const { return receiving_; }

    void SendText(const std::string& Mes);  // one byte per character: its code's low byte
    void SendDataB(const uint8_t* bytes, int count);
    void SendDatalp(const void* plp, int pLen);
    std::string RecvData();  // the bytes as they came
    // rBytes[0] = the number read, rBytes[1..] = the bytes; grown to DataSize + 1 when smaller.
    void RecvDataB(std::vector<uint8_t>& rBytes);

    // Called once when the port goes away under a read or a write; it is closed by then.
    std::function<void(const std::string& port)> OnLost;

  private:
    int Receive(uint8_t* bytes, int max);
    void Lost();

    SerialPort port_;
    int c_DataSize = 1;
    std::string c_ComPort;
    int c_BaudRate = 38400;
    int c_ParityBit = 0;
    int c_StopBit = 0;
    bool receiving_ = false;
};

}  // namespace sonivex
