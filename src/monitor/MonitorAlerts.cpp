// Alert actions: button, latch outputs, alarm tone, filler, log line and pending mail.
#include <string>

#include "mail/AlertText.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

void Monitor::RaiseAlert(int i, int kind) {
    view_.SetAlertColour(i, 1);
    SetLatch(i, 1);
    if (settings.useBeep != 0 && !tone_->Playing()) tone_->StartAlarmTone();
    const std::string& filler = settings.inputs[i].fillerFile;
    if (fillers_[i] && !filler.empty() && FileExists(filler)) {
        fillers_[i]->FileName(filler);
        fillers_[i]->LoopOn(1);
        fillers_[i]->Play();
    }
    AlertActive[i] = 1;
    ActiveKind[i] = kind;
    const std::string text =
        AlertText(i, kind, settings.inputs[i].auditName, settings.TextSettings());
    NoteAlert(Tally[i], kind, text);
    QueueText(i, text, false, 0);
}

void Monitor::CancelAlert(int i, int reason) {
    SetLatch(i, 0);
    view_.SetAlertColour(i, 0);
    // Not gated on UseBeep: a tone started before the switch was turned off must still stop.
    if (tone_->Playing()) {
        bool others = false;
        for (int n = 0; n < NumInputs(); ++n)
            if (n != i && AlertActive[n] == 1) others = true;
        if (!others) tone_->StopAlarmTone();
    }
    AlertActive[i] = 0;
    Tally[i].alertKind = 0;
    if (fillers_[i]) fillers_[i]->StopIO();
    // The log is what a station reads after an incident: the end is always in it.
    const std::string text =
        CancelText(i, reason, settings.inputs[i].auditName, settings.TextSettings());
    QueueText(i, text, true, reason);
}

void Monitor::QueueText(int i, const std::string& text, bool cancel, int reason) {
    WriteLog(FlattenCrLf(text));
    AlertMessage m{.input = i, .cancel = cancel, .time = ProgramClock().Now(), .body = text};
    m.kind = ActiveKind[i];
    m.reason = reason;
    m.name = settings.inputs[i].auditName;
    m.broadcastDate = clock_.BroadcastDate();
    m.broadcastTime = clock_.BroadcastTime();
    // Webhooks hear of every cancel; mail only when MailAtRestoration asks for it.
    if (parts_.webhook) parts_.webhook->Send(m);
    if (!settings.inputs[i].mailAddr.empty() && (!cancel || settings.mailAtRestoration != 0))
        PendingMail[i].push_back(std::move(m));
}

void Monitor::SetLatch(int i, int on) {
    const int code = LatchCode(i, on);
    if (parts_.hid && parts_.hid->IsOpen()) parts_.hid->SendCode(code);
    if (parts_.serial && parts_.serial->IsOpen() && settings.useBCD == 0)
        parts_.serial->SendCode(code);
}

void Monitor::AlertButtonClick(int index) {
    if (index < 0 || index > settings.numRec) return;
    if (AlertActive[index] == 1) CancelRequest[index] = 1;
}

}  // namespace sonivex
