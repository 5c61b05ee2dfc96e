// The external control inputs at the start of every tick: control bytes or a time code from the
// serial port, events or levels from the HID box, pausing inputs and requesting corrections of
// the clock.
#pragma once

#include <array>
#include <string>

#include "monitor/Outlets.h"

namespace sonivex {

class Clock;
class HidLink;
class SerialLink;
struct AdjustTarget;

class ExternalInputs : public ExternalControl {
  public:
    ExternalInputs(SerialLink* serial, HidLink* hid) : serial_(serial), hid_(hid) {}
    bool Service(Monitor& monitor) override;

    const std::string& TimeCodeText() const { return timeCode_; }

    // A box that misses this many inquiries in a row is closed, so that monitoring goes on.
    static constexpr int kMaxMissedInquiries = 3;

  private:
    void SerialStep(Monitor& m, int& request, const AdjustTarget& target, Clock& clock);
    bool HidStep(Monitor& m, int& request);
    void HidEvent(Monitor& m, int r, int& request);
    void HidLevels(Monitor& m, int r, int& request);
    bool Missed(bool levelMode);

    SerialLink* serial_;
    HidLink* hid_;
    std::array<int, 8> prevLevel_{};
    double lastCorrection_ = 0;  // second of the day of the last correction on request
    std::string timeCode_;
    int missed_ = 0;
};

}  // namespace sonivex
