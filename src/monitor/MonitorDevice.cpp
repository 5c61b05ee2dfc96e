// A capture device that fails while its input is watched: the input goes into alert (kind 5)
// until the device delivers again. A pause holds the alert back, as it holds silence alerts, and
// a manual cancel ends it and stops the input like any other alert.
#include <string>

#include "monitor/Monitor.h"
#include "platform/AudioBackend.h"
#include "playback/WaveDevices.h"
#include "support/Log.h"

namespace sonivex {

void Monitor::DeviceStep(int i, bool paused, bool justLost) {
    if (justLost) {
        ++Tally[i].captureFailures;
        Counters[i] = SilenceCounters{};
        BlankMeter(i);  // a level from before the loss would say the input is fine
    }
    if (!paused && AlertActive[i] == 0) RaiseAlert(i, kAlertDevice);
}

int Monitor::FindCaptureDeviceAgain(int i) {
    InputSettings& in = settings.inputs[i];
    const int found = parts_.audio->FindAgain(
        true, [&in](const DeviceList& now) { return LocateWaveDevice(now, true, in.devInName); });
    if (found < 0) return -1;
    WriteLog("録音デバイス検出 " + in.devInName + " (ch" + std::to_string(i + 1) + ")");
    in.devIn = found;
    return found;
}

void Monitor::DeviceBack(int i) {
    WriteLog("録音デバイス復旧 " + std::to_string(i + 1));
    Counters[i] = SilenceCounters{};  // silence is counted afresh from the first buffer
    // A silence alert that was on before the loss ends only when sound is back.
    if (AlertActive[i] == 1 && ActiveKind[i] == kAlertDevice) CancelAlert(i, kCancelDeviceBack);
}

}  // namespace sonivex
