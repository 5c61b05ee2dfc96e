// C_HID: the interface box's inquiries (event and state of a port) and latch commands.
#include <algorithm>

#include "devices/C_HID.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr int kInquiryEvent = 0;
constexpr int kInquiryState = 255;
constexpr int kBoxReportBytes = 3;  // report id, code, value

// Sets a flag for the life of a call, whichever way the call ends.
class Active {
  public:
    explicit Active(int& flag) : flag_(flag) { flag_ = 1; }
    ~Active() { flag_ = 0; }
    Active(const Active&) = delete;
    Active& operator=(const Active&) = delete;

  private:
    int& flag_;
};

}  // namespace

int C_HID::VelmRead(int pIsState, int pPort) {
    // A nested call would take the outer call's reply.
    if (pPort < 0 || pPort > 255 || c_WriteActive || c_ReadActive || !IsOpen()) return -1;
    if (c_WriteLength < kBoxReportBytes || c_ReadLength < kBoxReportBytes) return -1;
    Active reading(c_ReadActive);
    PumpEvents();
    if (!IsOpen()) return -1;
    std::fill(c_WriteBuffer.begin(), c_WriteBuffer.end(), 0);
    c_WriteBuffer[1] = static_cast<uint8_t>(pIsState ? kInquiryState : kInquiryEvent);
    c_WriteBuffer[2] = static_cast<uint8_t>(pPort);
    if (!HidIO(0, 0) || !HidIO(1, 1) || c_ReadBuffer[1] != pPort) return -1;
    return c_ReadBuffer[2];
}

int C_HID::VelmWrite(int pCommand, int pValue) {
    if (!IsOpen() || pCommand <= 0 || pCommand >= 255 || c_WriteLength < kBoxReportBytes) return 0;
    Active writing(c_WriteActive);
    PumpEvents();
    if (!IsOpen()) return 0;
    std::fill(c_WriteBuffer.begin(), c_WriteBuffer.end(), 0);
    c_WriteBuffer[1] = static_cast<uint8_t>(pCommand);
    c_WriteBuffer[2] = static_cast<uint8_t>(pValue);
    return HidIO(0, 2);
}

}  // namespace sonivex
