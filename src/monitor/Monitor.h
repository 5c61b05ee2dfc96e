// The monitor: start-up and shutdown, the 100 ms main loop, the alert actions and the per-input
// state. The window (or nothing, when headless) only draws what it decides.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "monitor/AlarmTone.h"
#include "monitor/BroadcastClock.h"
#include "monitor/MonitorSettings.h"
#include "monitor/MonitorSnapshot.h"
#include "monitor/MonitorView.h"
#include "monitor/Outlets.h"
#include "monitor/Schedule.h"
#include "monitor/SilenceDetector.h"
#include "monitor/WaveFCT.h"
#include "support/OldFiles.h"

namespace sonivex {

class AudioBackend;
class SettingsStore;

struct MonitorParts {
    AudioBackend* audio = nullptr;   // required
    SettingsStore* store = nullptr;  // required
    MonitorView* view = nullptr;     // nullptr = nothing shown
    std::string dataFolder;          // with a trailing '/'
    std::string commonIniPath;       // the maker's shared settings (DebugLogPath)
    LatchOutput* hid = nullptr;
    LatchOutput* serial = nullptr;
    AlertSender* mail = nullptr;
    AlertSender* webhook = nullptr;      // gets every alert and cancel at once
    ScheduleSource* schedule = nullptr;  // nullptr = the data folder's "sched.txt"
    ExternalControl* external = nullptr;
    // Opens the serial port and the HID box during start-up, once the log is set up, and sets
    // hid, serial and external; nullptr = they were given above.
    std::function<void(const MonitorSettings&, MonitorParts&)> openDevices;
};

class Monitor {
  public:
    explicit Monitor(const MonitorParts& parts);
    ~Monitor();

    void Startup();   // everything before the first tick
    void Shutdown();  // in order; idempotent
    void TimerProgTick();
    void TimerMailTick();

    void StartCapture(int i);
    void StopCapture(int i);
    void RaiseAlert(int i, int kind);
    void CancelAlert(int i, int reason);  // CancelReason
    void SetLatch(int i, int on);
    void AuditButtonClick(int index);
    void AlertButtonClick(int index);
    // After `settings` changed while running: refreshes what was copied from it at start-up
    // (capture gains, capture devices for each input's next start) and the names shown.
    void ApplySettings();

    bool InTick() const { return inTick_; }
    // Configured external devices that are not there ("" = none), shown until they are back.
    void ShowMissingDevices(const std::string& missing) {
        if (missing != missingDevices_) view_.ShowMissingDevices(missingDevices_ = missing);
    }
    int NumInputs() const { return settings.NumInputs(); }
    WaveFCT& Capture() { return *capture_; }
    const WaveFCT& Capture() const { return *capture_; }
    const MonitorParts& Parts() const { return parts_; }
    AlarmTone& Tone() { return *tone_; }
    const BroadcastClock& Clock() const { return clock_; }
    void SetFiller(int i, std::unique_ptr<FillerPlayer> player);
    // The schedule table kept in "sched.txt"; nullptr when a schedule source was given instead.
    ScheduleTable* Schedule() { return ownSchedule_.get(); }

    MonitorSettings settings;
    std::array<SilenceCounters, kMaxInputs> Counters{};
    std::array<int, kMaxInputs> AlertActive{};
    std::array<int, kMaxInputs> ActiveKind{};  // the AlertKind of the alert in progress
    std::array<int, kMaxInputs> CancelRequest{};
    // Each input's texts in the order they happened, handed on by the mail tick.
    std::array<std::deque<AlertMessage>, kMaxInputs> PendingMail{};
    std::array<int, kMaxInputs> SchedulePause{};
    std::array<int, kMaxInputs> ExternalPause{};
    std::array<InputTally, kMaxInputs> Tally{};  // for the status server

  private:
    void StartLog();
    void ReadStartupSettings();
    std::unique_ptr<FillerPlayer> MakeFillerPlayer(int deviceId);
    void ClockStep();
    void InputStep(int i);
    void SilenceStepFor(int i, int k);
    void DeviceStep(int i, bool paused, bool justLost);
    void DeviceBack(int i);
    int FindCaptureDeviceAgain(int i);  // the index of a missing device that is back, or -1
    void BlankMeter(int i);             // "-∞" on both channels
    void ShowLevels(int i, int k, float& peakLeft, float& peakRight);
    void ServeCancelRequests();
    void QueueText(int i, const std::string& text, bool cancel, int reason);

    MonitorParts parts_;
    MonitorView nullView_;
    MonitorView& view_;
    std::unique_ptr<WaveFCT> capture_;
    std::unique_ptr<AlarmTone> tone_;
    std::array<std::unique_ptr<FillerPlayer>, kMaxInputs> fillers_;
    std::unique_ptr<ScheduleTable> ownSchedule_;  // loaded at start-up when none was given
    BroadcastClock clock_;
    DailyPruning pruning_;
    std::string missingDevices_;
    bool inTick_ = false;
    bool started_ = false;
};

// The log lines of start and end.
constexpr char kStartLine[] = "*********起動**********";
constexpr char kEndLine[] = "*********終了**********";

}  // namespace sonivex
