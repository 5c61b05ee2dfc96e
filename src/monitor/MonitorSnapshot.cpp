// The monitor's state copied for the status server.
#include "monitor/MonitorSnapshot.h"

#include "monitor/Monitor.h"

namespace sonivex {

void NoteAlert(InputTally& tally, int kind, const std::string& text) {
    tally.alertKind = kind;
    if (kind >= 1 && kind <= kAlertKinds) ++tally.alerts[kind];
    const size_t end = text.rfind("\r\n");
    tally.alertLine = end == std::string::npos ? text : text.substr(end + 2);
}

void TakeSnapshot(const Monitor& monitor, MonitorSnapshot& out) {
    const MonitorSettings& s = monitor.settings;
    ++out.ticks;
    out.broadcastDate = monitor.Clock().BroadcastDate();
    out.broadcastTime = monitor.Clock().BroadcastTime();
    out.numInputs = monitor.NumInputs();
    for (int i = 0; i < out.numInputs; ++i) {
        InputSnapshot& in = out.inputs[i];
        in.name = s.inputs[i].auditName;
        in.monitoring = monitor.Capture().CaptureState[i] == 1;
        in.pausedSchedule = monitor.SchedulePause[i] != 0;
        in.pausedExternal = monitor.ExternalPause[i] != 0;
        in.alert = monitor.AlertActive[i] == 1;
        in.mono = s.inputs[i].isMono == 1;
        in.silentSeconds[0] = double(monitor.Counters[i].silentLeft) / kBuffersPerSecond;
        in.silentSeconds[1] = double(monitor.Counters[i].silentRight) / kBuffersPerSecond;
        in.tally = monitor.Tally[i];
    }
    const MonitorParts& parts = monitor.Parts();
    out.hidBox = {s.usbHidId != 0, parts.hid && parts.hid->IsOpen()};
    out.serialPort = {s.comNo != 0 || !s.comDevice.empty(), parts.serial && parts.serial->IsOpen()};
}

}  // namespace sonivex
