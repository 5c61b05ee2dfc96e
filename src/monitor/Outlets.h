// The monitor's outlets to parts that live elsewhere: latch transports (HID box, serial port), the
// filler players, the mail and webhook senders, the schedule and the external control inputs. Each
// is optional; an absent one is simply closed.
#pragma once

#include <array>
#include <string>

#include "delivery/AlertMessage.h"
#include "playback/FillerPlayer.h"

namespace sonivex {

class Monitor;

// The latch command of input i (0-based): on i + 1, off 101 + i.
constexpr int LatchCode(int i, int on) {
    return on ? i + 1 : 101 + i;
}

class LatchOutput {
  public:
    virtual ~LatchOutput() = default;
    virtual bool IsOpen() const = 0;
    virtual void SendCode(int code) = 0;  // one latch command byte
};

// Where alerts and cancels go beyond the station: mail, webhooks.
class AlertSender {
  public:
    virtual ~AlertSender() = default;
    // One message; the sender owns it from here on and never makes the caller wait.
    virtual void Send(const AlertMessage& message) = 0;
    // Lets the sender start what has fallen due; called once a second by the mail tick.
    virtual void Service() {}
};

class ScheduleSource {
  public:
    virtual ~ScheduleSource() = default;
    // Sets pause[i] = 1 for every input 0..numInputs-1 that an entry covers at date and time.
    virtual void Evaluate(const std::string& date, const std::string& time, int numInputs,
                          std::array<int, 8>& pause) = 0;
};

class ExternalControl {
  public:
    virtual ~ExternalControl() = default;
    // First step of every tick; false skips the rest of the tick.
    virtual bool Service(Monitor& monitor) = 0;
};

}  // namespace sonivex
