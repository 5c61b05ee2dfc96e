// The 100 ms main loop: clock, schedule, players, one capture buffer per input, cancel requests.
#include <string>

#include "monitor/Levels.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "support/Contain.h"
#include "support/Log.h"
#include "support/OldFiles.h"
#include "support/basic.h"

namespace sonivex {

void Monitor::TimerProgTick() {
    // A tick that falls due while an earlier one lets events run is skipped, not nested.
    if (inTick_ || !started_) return;
    inTick_ = true;
    bool goOn = true;
    Contained("TimerProg (external)", [&] {
        if (parts_.external) goOn = parts_.external->Service(*this);
    });
    if (goOn) {
        Contained("TimerProg (clock)", [&] { ClockStep(); });
        Contained("TimerProg (players)", [&] {
            for (int i = 0; i < NumInputs(); ++i)
                if (fillers_[i]) fillers_[i]->ProgressionPlay();
            tone_->Service();
        });
        for (int i = 0; i < NumInputs(); ++i) Contained("TimerProg (input)", [&] { InputStep(i); });
        Contained("TimerProg (cancel)", [&] { ServeCancelRequests(); });
    }
    inTick_ = false;
}

void Monitor::ClockStep() {
    const LocalDateTime now = ProgramClock().Now();
    if (clock_.UpdateClock(now, settings.hourAdjust) == 0) return;
    view_.ShowClock(clock_.BroadcastDate() + "(" + WeekdayKanji(clock_.BroadcastWeekday()) + ")",
                    clock_.BroadcastTime());
    if (pruning_.Due(now)) DeleteOldFiles(settings.logFolder, 90);
    PumpEvents();
    SchedulePause.fill(0);
    if (parts_.schedule)
        parts_.schedule->Evaluate(clock_.BroadcastDate(), clock_.BroadcastTime(), NumInputs(),
                                  SchedulePause);
    PumpEvents();
}

void Monitor::InputStep(int i) {
    const bool paused = ExternalPause[i] || SchedulePause[i];
    if (paused) {
        Counters[i].ClearSilence();
        view_.SetAlertText(i, "-");
    } else {
        view_.SetAlertText(i, "Alert");
    }
    if (capture_->CaptureState[i] != 1) return;
    const int wasLost = capture_->DeviceLost[i];
    const int k = capture_->PollCapture(i);
    if (capture_->DeviceLost[i] == 1)
        DeviceStep(i, paused, wasLost == 0);
    else if (wasLost == 1)
        DeviceBack(i);
    if (k >= 0) SilenceStepFor(i, k);
}

void Monitor::SilenceStepFor(int i, int k) {
    float left = kFloorDB, right = kFloorDB;
    ShowLevels(i, k, left, right);
    const SilenceDecision d =
        SilenceStep(Counters[i], settings.thresholds, settings.inputs[i].isMono == 1, left, right,
                    capture_->CaptureState[i] == 1, AlertActive[i] == 1);
    if (d.raise) RaiseAlert(i, d.kind);
    if (d.cancel) CancelAlert(i, 1);
}

void Monitor::ShowLevels(int i, int k, float& peakLeft, float& peakRight) {
    BufferLevels levels;
    const size_t frames = static_cast<size_t>(capture_->FramesPerBuffer());
    if (k >= 0) levels = MeasureBuffer(capture_->Buffer(i, k), frames);
    ChannelLevel channel[2];
    for (int c = 0; c < 2; ++c) {
        channel[c].peakDB = PeakDecibel(levels.peak[c]);
        channel[c].rmsDB = RmsDecibel(levels.sumSquares[c], frames);
        channel[c].text = LevelText(levels.sumSquares[c], channel[c].rmsDB);
    }
    view_.ShowLevels(i, channel[0], channel[1]);
    if (!settings.inputs[i].auditName.empty()) view_.PrintName(i, settings.inputs[i].auditName);
    peakLeft = channel[0].peakDB;
    peakRight = channel[1].peakDB;
    Tally[i].peakDB = {peakLeft, peakRight};
}

void Monitor::ServeCancelRequests() {
    for (int i = 0; i < NumInputs(); ++i) {
        if (CancelRequest[i] != 1) continue;
        CancelAlert(i, 0);
        StopCapture(i);
        CancelRequest[i] = 0;
    }
}

void Monitor::TimerMailTick() {
    for (int i = 0; i < NumInputs(); ++i) {
        for (; !PendingMail[i].empty(); PendingMail[i].pop_front()) {
            AlertMessage& m = PendingMail[i].front();
            m.subject = MailSubject(settings.inputs[i].auditName, settings.messageLang);
            if (parts_.mail) parts_.mail->Send(m);
        }
    }
    if (parts_.mail) parts_.mail->Service();
    if (parts_.webhook) parts_.webhook->Service();
}

void Monitor::StartCapture(int i) {
    Counters[i].ClearSilence();
    if (capture_->OpenCapture(i) != 1) {
        WriteLog("録音失敗 " + std::to_string(i + 1));
        ++Tally[i].captureFailures;
        if (settings.deviceLossAlert == 0) return;
        capture_->MarkLost(i);  // watched as a failed device: alert, and opened again later
    }
    view_.SetAuditColour(i, 1);
}

void Monitor::StopCapture(int i) {
    if (capture_->CaptureState[i] != 1) return;
    capture_->CloseCapture(i);
    view_.SetAuditColour(i, 0);
    BlankMeter(i);
    Counters[i].ClearSilence();
}

void Monitor::BlankMeter(int i) {
    view_.ResetMeter(i);
    float left = 0, right = 0;
    ShowLevels(i, -1, left, right);
}

void Monitor::AuditButtonClick(int index) {
    if (index < 0 || index > settings.numRec) return;
    if (capture_->CaptureState[index] != 1) {
        StartCapture(index);
        WriteLog("監視開始（手動）" + std::to_string(index + 1));
    } else {
        StopCapture(index);
        WriteLog("監視停止（手動）" + std::to_string(index + 1));
    }
}

}  // namespace sonivex
