// The monitor's mail outlet.
#include "app/MailOutlet.h"

#include "mail/MonitorMail.h"

namespace sonivex {

MailOutlet::MailOutlet(std::string dataFolder, SessionLimits limits)
    : dataFolder_(std::move(dataFolder)),
      outbox_([this](int i) { return MailJobFor(*settings_, i, "", ""); }, limits) {}

void MailOutlet::Open(const MonitorSettings& settings) {
    settings_ = &settings;
    outbox_.Open(dataFolder_, settings.mailRetryHours);
}

void MailOutlet::Close() {
    outbox_.Close();
    settings_ = nullptr;
}

void MailOutlet::Send(const AlertMessage& m) {
    if (!settings_ || m.input < 0 || m.input >= static_cast<int>(settings_->inputs.size())) return;
    outbox_.Queue(m, settings_->mailSenderAddr, settings_->inputs[m.input].mailAddr);
}

}  // namespace sonivex
