// The external control inputs at the start of every tick: control bytes or a time code from the
// serial port, events or levels from the HID box, pausing inputs and requesting corrections of
// the clock.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "monitor/MonitorSettings.h"
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

    // Both devices reopened from `s` (after the settings dialog); at the start of the next tick
    // when a read or write that lets events run is under way, so that its device outlives it.
    void Reopen(const MonitorSettings& s);

    // A box that misses this many inquiries in a row is closed, so that monitoring goes on.
    static constexpr int kMaxMissedInquiries = 3;
    // A configured device that is closed or missing is looked for again this often.
    static constexpr int64_t kLookAgainMs = 10000;

  private:
    bool Busy() const;
    void Recover(Monitor& m);
    void LookAgain(const MonitorSettings& s);
    void SendLatches(Monitor& m);
    void NoteHidState(Monitor& m);
    void ShowMissing(Monitor& m);
    void SerialStep(Monitor& m, int& request, const AdjustTarget& target, Clock& clock);
    bool HidStep(Monitor& m, int& request);
    void HidEvent(Monitor& m, int r, int& request);
    void HidLevels(Monitor& m, int r, int& request);
    void Pause(Monitor& m, int i, bool on);
    bool Missed(bool levelMode);

    SerialLink* serial_;
    HidLink* hid_;
    std::array<int, 8> prevLevel_{};
    double lastCorrection_ = 0;  // second of the day of the last correction on request
    std::string timeCode_;
    int missed_ = 0;
    std::array<bool, 8> pausedByHid_{};  // pauses the box's inputs hold
    bool hidWasOpen_ = false;
    std::optional<MonitorSettings> pending_;  // a reopen that waits for the next tick
    bool reopening_ = false;
    bool resendSerial_ = false, resendHid_ = false;  // latches owed to a device just opened
    int64_t lastLook_ = -1;                          // program-clock ms; -1 before the first tick
};

}  // namespace sonivex
