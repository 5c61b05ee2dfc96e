// The monitor's mail outlet: alert texts go to the SMTP mailer with the mail settings that hold
// when each session starts (the settings dialog may change them in memory meanwhile). It exists
// before the monitor reads its settings, so it is given them when mail is prepared.
#pragma once

#include "mail/SmtpMailer.h"
#include "monitor/MonitorSettings.h"
#include "monitor/Outlets.h"

namespace sonivex {

// The session for one text of input i under settings s.
MailJob MailJobFor(const MonitorSettings& s, int i, const std::string& subject,
                   const std::string& body);

// The text of a test mail for input i: the alert text, marked as a test in its first line.
std::string TestMailText(const MonitorSettings& s, int i);

class MonitorMail : public MailSender {
  public:
    explicit MonitorMail(SessionLimits limits = {});
    // Until Open() (mail in use, ErrorCatch off) texts are dropped: no mail is prepared.
    // settings must outlive this outlet or the next Close().
    void Open(const MonitorSettings& settings);
    bool IsOpen() const { return settings_ != nullptr; }
    void Close();
    void SendAlertMail(int i, const std::string& subject, const std::string& body) override;
    SmtpMailer& Mailer() { return mailer_; }

  private:
    const MonitorSettings* settings_ = nullptr;  // set while open
    SmtpMailer mailer_;
};

}  // namespace sonivex
