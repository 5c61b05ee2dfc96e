// One serial port with fixed line settings (8 data bits, no parity, one stop bit, raw), moving
// bytes: blocking writes bounded at 5 s, reads that return at once with what has arrived.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

namespace sonivex {

constexpr int kComWriteTimeoutMS = 5000;

class C_Com {
  public:
    void DataSize(const int& bytes) { c_DataSize = bytes; }
    void ComPort(const std::string& path) { c_ComPort = path; }  // the device path
    void BaudRate(const int& baud) { c_BaudRate = baud; }

    int OpenComm();  // 1 opened, 0 not
    void CloseComm();
    bool IsOpen() const { return port_.IsOpen(); }
    int Error() const { return port_.Error(); }    // errno of the last failure
    int LineBaud() const { return port_.Baud(); }  // the rate the driver holds
    // True while a read lets events run: the object must not be replaced until it returns.
    bool Receiving() const { return receiving_; }

    void SendDataB(const uint8_t* bytes, int count);
    // rBytes[0] = the number read, rBytes[1..] = the bytes; grown to DataSize + 1 when smaller.
    void RecvDataB(std::vector<uint8_t>& rBytes);

  private:
    int Receive(uint8_t* bytes, int max);
    void Lost();

    SerialPort port_;
    int c_DataSize = 1;
    std::string c_ComPort;
    int c_BaudRate = 38400;
    bool receiving_ = false;
};

}  // namespace sonivex
