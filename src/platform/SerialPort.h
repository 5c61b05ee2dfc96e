// A serial port over termios: raw 8 data bits, no flow control, exclusive, and reads that return
// at once with what is buffered. Also the list of the machine's serial ports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DeviceRoots.h"

namespace sonivex {

// Rates that the classic termios speed codes do not cover go through termios2 (its own file).
bool SetCustomBaud(int fd, int baud);
// The output rate the driver holds, in bits per second; -1 when it cannot tell.
int LineBaud(int fd);

class SerialPort {
  public:
    SerialPort() = default;
    ~SerialPort() { Close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens a terminal device; false with Error() set when it cannot be opened or is no terminal.
    bool Open(const std::string& path);
    // 8 data bits, no parity, one stop bit. False with Error() set.
    bool Configure(int baud);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Error() const { return error_; }
    int Baud() const { return fd_ >= 0 ? LineBaud(fd_) : -1; }  // as the driver has it

    // Writes the bytes within timeoutMs: the number written, or -1 when the port has gone.
    int Write(const uint8_t* bytes, size_t count, int timeoutMs);
    // At most max buffered bytes: the number read (0 = nothing there), or -1 when it has gone.
    int Read(uint8_t* bytes, size_t max);

  private:
    int fd_ = -1;
    int error_ = 0;
};

struct SerialPortInfo {
    std::string path;   // e.g. /dev/ttyUSB0
    std::string alias;  // its stable /dev/serial/by-id/ link, or ""
    int comNo = 0;      // the ComNo that opens it (ttyS ports only), else 0
};

// Real UARTs (ttyS with a type), USB serial adapters (ttyUSB, ttyACM), in name order.
std::vector<SerialPortInfo> ListSerialPorts(const DeviceRoots& roots);

}  // namespace sonivex
