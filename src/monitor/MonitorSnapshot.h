// A plain copy of what other machines may see of the monitor, taken after a tick; readers never
// touch the monitor itself.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "monitor/WaveFCT.h"
#include "playback/Decibel.h"

namespace sonivex {

class Monitor;

constexpr int kAlertKinds = 5;  // 1..4 silence, 5 the capture device failed

// Kept per input by the tick and the alert actions for the snapshot.
struct InputTally {
    int alertKind = 0;      // of the alert in force; 0 none
    std::string alertLine;  // its last text line: "ch1 FM (両ch 15秒以上)"
    std::array<float, 2> peakDB{kFloorDB, kFloorDB};  // of the last buffer
    std::array<uint64_t, kAlertKinds + 1> alerts{};   // raised since start, by kind
    uint64_t captureFailures = 0;  // devices lost while watched, or not opened at a start
};

struct InputSnapshot {
    std::string name;
    bool monitoring = false;
    bool pausedSchedule = false;
    bool pausedExternal = false;
    bool alert = false;
    bool mono = false;
    std::array<double, 2> silentSeconds{};
    InputTally tally;
};

struct DeliveryCounts {
    uint64_t sent = 0;
    uint64_t failed = 0;
    int queued = 0;
};

struct DeviceSnapshot {
    bool configured = false;
    bool connected = false;
};

struct MonitorSnapshot {
    uint64_t ticks = 0;  // taken so far; 0 = none yet
    std::string broadcastDate, broadcastTime;
    int numInputs = 0;
    std::array<InputSnapshot, kMaxInputs> inputs;
    DeliveryCounts mail;
    DeliveryCounts webhook;
    uint64_t tickOverruns = 0;
    double lastTickSeconds = 0;  // Unix time of the last tick's end
    DeviceSnapshot hidBox, serialPort;
};

// Counts an alert of `kind` and keeps the last line of its text.
void NoteAlert(InputTally& tally, int kind, const std::string& text);

// Copies the monitor's state into `out`, reusing its strings' storage.
void TakeSnapshot(const Monitor& monitor, MonitorSnapshot& out);

}  // namespace sonivex
