// Control inputs and clock correction, the first step of the main loop's tick.
#include "devices/ExternalInputs.h"

#include <vector>

#include "devices/ClockCorrection.h"
#include "devices/ExternalDevices.h"
#include "devices/FCT_Serial.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr int kLatchEvents = 0;
constexpr int kLatchLevels = 1;
constexpr int kReleaseAll = 255;
constexpr int kPins = 8;

void Request(int& request) {
    if (request != -1) request = 1;  // a request outside the window stays blocked
}

}  // namespace

bool ExternalInputs::Service(Monitor& m) {
    if (reopening_) return true;  // a tick inside the reopen's own waits leaves the devices be
    Recover(m);
    const MonitorSettings& s = m.settings;
    Clock& clock = ProgramClock();
    const AdjustTarget target{s.aHour, s.aMinute, s.aSecond, s.adjustMode};
    int request = CorrectionWindow(static_cast<int>(SecondOfDay(clock.Now())), s.noAdjustSec,
                                   s.aMinute, s.aSecond);
    if (serial_ && serial_->IsOpen()) SerialStep(m, request, target, clock);
    const bool goOn = !(hid_ && hid_->IsOpen()) || HidStep(m, request);
    NoteHidState(m);
    if (!goOn) return false;
    if (request == 1 &&
        SecondsSince(SecondOfDay(clock.Now()), lastCorrection_) > kMinCorrectionGapSeconds) {
        AdjustClock(clock, target);
        lastCorrection_ = SecondOfDay(clock.Now());
    }
    return true;
}

void ExternalInputs::SerialStep(Monitor& m, int& request, const AdjustTarget& target,
                                Clock& clock) {
    C_Com& port = *serial_->Port();
    if (m.settings.useBCD != 0) {
        ReadTimeCode(port, timeCode_, target, clock);
        return;
    }
    std::vector<uint8_t> bytes(2, 0);
    port.RecvDataB(bytes);
    if (bytes[0] == 0 || bytes[1] == 0) return;
    const int b = bytes[1];
    if (b == m.settings.adjustPin1)
        Request(request);
    else if (b <= m.NumInputs()) {
        m.ExternalPause[b - 1] = m.ExternalPause[b - 1] ? 0 : 1;
        pausedByHid_[b - 1] = false;
    }
}

bool ExternalInputs::HidStep(Monitor& m, int& request) {
    C_HID& hid = *hid_->Device();
    if (hid_->Latch() == kLatchEvents) {
        const int r = hid.VelmRead();
        if (r < 0) return Missed(false);
        missed_ = 0;
        HidEvent(m, r, request);
    } else if (hid_->Latch() == kLatchLevels) {
        const int r = hid.VelmRead(1);
        if (r < 0) return Missed(true);
        missed_ = 0;
        HidLevels(m, r, request);
    }
    return true;
}

// A failed read skips the rest of the tick in level mode. A box that keeps failing is closed:
// each failure costs a whole wait, and in level mode every tick would be lost with it.
bool ExternalInputs::Missed(bool levelMode) {
    if (hid_->IsOpen() && ++missed_ >= kMaxMissedInquiries) {
        WriteLog("USB HID 応答なし " + hid_->Device()->HIDFilename());
        hid_->Close();
        missed_ = 0;
    }
    return !levelMode;
}

// A pause the box sets is the box's to end.
void ExternalInputs::Pause(Monitor& m, int i, bool on) {
    m.ExternalPause[i] = on ? 1 : 0;
    pausedByHid_[i] = on;
}

void ExternalInputs::HidEvent(Monitor& m, int r, int& request) {
    if (r <= 0) return;
    if (r == m.settings.adjustPin2)
        Request(request);
    else if (r <= m.NumInputs())
        Pause(m, r - 1, m.ExternalPause[r - 1] == 0);
    else if (r == kReleaseAll)
        m.ExternalPause.fill(0);
}

void ExternalInputs::HidLevels(Monitor& m, int r, int& request) {
    const int levels = r == 0 || r == 255 ? 0 : 255 - r;  // the inputs are active low
    for (int i = 0; i < kPins; ++i) {
        const bool set = (levels >> i) & 1;
        const bool isAdjust = i + 1 == m.settings.adjustPin2;
        if (set && prevLevel_[i] == 0) {
            if (isAdjust)
                Request(request);
            else
                Pause(m, i, true);
            prevLevel_[i] = 1;
        } else if (!set && prevLevel_[i] == 1) {
            if (!isAdjust) Pause(m, i, false);
            prevLevel_[i] = 0;
        }
    }
}

}  // namespace sonivex
