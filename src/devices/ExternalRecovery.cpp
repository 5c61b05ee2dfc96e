// External devices that go away and come back: a box that closed gives up the pauses its inputs
// held, a configured device that is not there is looked for again, and one that is back gets the
// latches of the inputs in alert; the window names what is missing.
#include <string>
#include <utility>

#include "devices/ExternalDevices.h"
#include "devices/ExternalInputs.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr int kPins = 8;

bool HidConfigured(const MonitorSettings& s) {
    return s.usbHidId != 0;
}

}  // namespace

bool ExternalInputs::Busy() const {
    return reopening_ || (serial_ && serial_->Busy()) || (hid_ && hid_->Busy());
}

void ExternalInputs::Reopen(const MonitorSettings& s) {
    if (Busy()) {
        pending_ = s;
        return;
    }
    reopening_ = true;
    if (serial_) serial_->InitSerial(s);
    if (hid_) hid_->InitHID(s);
    reopening_ = false;
    resendSerial_ = resendHid_ = true;
}

void ExternalInputs::Recover(Monitor& m) {
    if (pending_) Reopen(*std::exchange(pending_, std::nullopt));
    LookAgain(m.settings);
    NoteHidState(m);
    SendLatches(m);
    ShowMissing(m);
}

// Quietly: a device that stays away is told once (its loss or the start-up box), not every 10 s.
void ExternalInputs::LookAgain(const MonitorSettings& s) {
    const int64_t now = ProgramClock().MonotonicMs();
    if (lastLook_ >= 0 && now - lastLook_ < kLookAgainMs) return;
    const bool startUpLooked = lastLook_ < 0;
    lastLook_ = now;
    if (startUpLooked) return;
    if (serial_ && !serial_->Name(s).empty() && !serial_->IsOpen()) {
        serial_->InitSerial(s, true);
        if (serial_->IsOpen()) {
            WriteLog("シリアルポート復旧 " + serial_->Name(s));
            resendSerial_ = true;
        }
    }
    if (hid_ && HidConfigured(s) && !hid_->IsOpen()) {
        hid_->InitHID(s, true);
        if (hid_->IsOpen()) {
            WriteLog("USB HID 復旧 " + hid_->Device()->HIDFilename());
            resendHid_ = true;
            missed_ = kMaxMissedInquiries - 1;  // a box still mute is given up at its first miss
        }
    }
}

// The station's equipment missed what changed while the device was away. The box has just had
// every output switched off; the serial port gets every input's state.
void ExternalInputs::SendLatches(Monitor& m) {
    for (int i = 0; i < m.NumInputs(); ++i) {
        const int on = m.AlertActive[i] == 1 ? 1 : 0;
        if (resendSerial_ && serial_ && serial_->IsOpen()) serial_->SendCode(LatchCode(i, on));
        if (resendHid_ && on && hid_ && hid_->IsOpen()) hid_->SendCode(LatchCode(i, on));
    }
    resendSerial_ = resendHid_ = false;
}

// A closed box can no longer end the pauses it holds: they end now, or its inputs would stay
// unwatched until a restart. The box's levels start afresh when it is back.
void ExternalInputs::NoteHidState(Monitor& m) {
    const bool open = hid_ && hid_->IsOpen();
    if (hidWasOpen_ && !open) {
        prevLevel_.fill(0);
        for (int i = 0; i < kPins; ++i) {
            if (std::exchange(pausedByHid_[i], false) && m.ExternalPause[i] == 1) {
                m.ExternalPause[i] = 0;
                WriteLog("一時停止解除（USB HID 切断）" + std::to_string(i + 1));
            }
        }
    }
    hidWasOpen_ = open;
}

void ExternalInputs::ShowMissing(Monitor& m) {
    const MonitorSettings& s = m.settings;
    std::string missing;
    if (serial_ && !serial_->Name(s).empty() && !serial_->IsOpen()) missing = serial_->Name(s);
    if (hid_ && HidConfigured(s) && !hid_->IsOpen())
        missing += std::string(missing.empty() ? "" : ", ") + "USB HID";
    if (!missing.empty()) missing = (s.langMode == 0 ? "未接続: " : "missing: ") + missing;
    m.ShowMissingDevices(missing);
}

}  // namespace sonivex
