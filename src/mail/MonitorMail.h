// Mail sessions from the monitor's settings: the session of one text, and the test mail.
#pragma once

#include "delivery/AlertMessage.h"
#include "mail/SmtpSession.h"
#include "monitor/MonitorSettings.h"

namespace sonivex {

// The session for one text of input i under settings s.
MailJob MailJobFor(const MonitorSettings& s, int i, const std::string& subject,
                   const std::string& body);

// The text of a test mail for input i: the alert text, marked as a test in its first line.
std::string TestMailText(const MonitorSettings& s, int i);
// The test event of input i for webhooks: the test text of a two-channel alert, now.
AlertMessage TestAlertMessage(const MonitorSettings& s, int i);

}  // namespace sonivex
