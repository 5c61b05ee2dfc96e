// Settings changed while the monitor runs. The loop, the alert actions and the mail read the
// thresholds, flags, files and addresses from `settings` each time; only copies need a refresh.
#include "monitor/Monitor.h"

namespace sonivex {

void Monitor::ApplySettings() {
    if (!started_) return;
    capture_->LossRecovery = settings.deviceLossAlert;
    for (int i = 0; i < kMaxInputs; ++i) {
        capture_->DeviceId[i] = settings.inputs[i].devIn;  // an open input keeps its device
        capture_->RecGain[i] = settings.inputs[i].recGain;
    }
    for (int i = 0; i < NumInputs(); ++i) view_.PrintName(i, settings.inputs[i].auditName);
}

}  // namespace sonivex
