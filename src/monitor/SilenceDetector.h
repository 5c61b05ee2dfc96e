// The silence state machine of one input: counts silent and sound buffers of 0.2 s and decides
// when an alert is raised or ends. Pure logic, shared by the live monitor and offline analysis.
#pragma once

namespace sonivex {

constexpr int kBuffersPerSecond = 5;

struct SilenceThresholds {
    float alertLevelDB = -50;  // a peak below this is silence; equal counts as sound
    int muonSec = 15;          // both channels (or mono) silent this long → alert
    int muonSecMono = 20;      // one channel of a stereo input silent this long → alert
    int hukkiSec = 15;         // this long without alert condition → alert ends; 0 = never
};

// Alert kinds: 0 none, 1 mono silent, 2 both channels, 3 left only, 4 right only, 5 the capture
// device failed (raised by the monitor, never by the silence count).
enum AlertKind {
    kAlertNone = 0,
    kAlertMono = 1,
    kAlertBoth = 2,
    kAlertLeft = 3,
    kAlertRight = 4,
    kAlertDevice = 5
};
// Cancel reasons: 0 by hand, 1 audio restored, 2 the capture device delivers again.
enum CancelReason { kCancelManual = 0, kCancelRestored = 1, kCancelDeviceBack = 2 };

struct SilenceCounters {
    int silentLeft = 0;   // consecutive buffers with the left (or mono) peak below the threshold
    int silentRight = 0;  // the same for the right channel
    int sound = 0;        // consecutive buffers without alert condition
    void ClearSilence() { silentLeft = silentRight = 0; }
};

struct SilenceDecision {
    int kind = kAlertNone;  // the alert condition of this buffer
    bool raise = false;     // call RaiseAlert(kind)
    bool cancel = false;    // call CancelAlert(reason: audio restored)
};

// Counts one buffer with the channels' peak levels (dBFS) and decides.
SilenceDecision SilenceStep(SilenceCounters& counters, const SilenceThresholds& t, bool mono,
                            float peakLeft, float peakRight, bool capturing, bool alertActive);

}  // namespace sonivex
