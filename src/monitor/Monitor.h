// The monitor: start-up and shutdown, the 100 ms main loop, the alert actions and the per-input
// state. The window (or nothing, when headless) only draws what it decides.
#pragma once

#include <array>
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
    MailSender* mail = nullptr;
    ScheduleSource* schedule = nullptr;  // nullptr = the data folder's "sched.txt"
    ExternalControl* external = nullptr;
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
    void CancelAlert(int i, int reason);  // reason 0 by hand, 1 audio restored
    void SetLatch(int i, int on);
    void AuditButtonClick(int index);
    void AlertButtonClick(int index);
    // After `settings` changed while running: refreshes what was copied from it at start-up
    // (capture gains, capture devices for each input's next start) and the names shown.
    void ApplySettings();

    bool InTick() const { return inTick_; }
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
    std::array<int, kMaxInputs> CancelRequest{};
    std::array<std::string, kMaxInputs> PendingMail{};
    std::array<int, kMaxInputs> SchedulePause{};
    std::array<int, kMaxInputs> ExternalPause{};
    std::array<InputTally, kMaxInputs> Tally{};  // for the status server

  private:
    void ReadStartupSettings();
    std::unique_ptr<FillerPlayer> MakeFillerPlayer(int deviceId);
    void ClockStep();
    void InputStep(int i);
    void SilenceStepFor(int i, int k);
    void ShowLevels(int i, int k, float& peakLeft, float& peakRight);
    void ServeCancelRequests();
    void QueueText(int i, const std::string& text);

    MonitorParts parts_;
    MonitorView nullView_;
    MonitorView& view_;
    std::unique_ptr<WaveFCT> capture_;
    std::unique_ptr<AlarmTone> tone_;
    std::array<std::unique_ptr<FillerPlayer>, kMaxInputs> fillers_;
    std::unique_ptr<ScheduleTable> ownSchedule_;  // loaded at start-up when none was given
    BroadcastClock clock_;
    bool inTick_ = false;
    bool started_ = false;
};

// The log lines of start and end.
constexpr char kStartLine[] = "*********起動**********";
constexpr char kEndLine[] = "*********終了**********";

}  // namespace sonivex
