// Mail sessions from the monitor's settings.
#include "mail/MonitorMail.h"

#include "mail/AlertText.h"
#include "monitor/BroadcastClock.h"
#include "platform/Clock.h"

namespace sonivex {

namespace {
constexpr int kBothChannels = 2;  // the alert kind a test text shows
}

std::string TestMailText(const MonitorSettings& s, int i) {
    const std::string mark = s.messageLang != 0 ? "[TEST] This is a test message from sonivex."
                                                : "【テスト送信】これは試験メールです。";
    return mark + "\r\n" + AlertText(i, kBothChannels, s.inputs[i].auditName, s.TextSettings());
}

AlertMessage TestAlertMessage(const MonitorSettings& s, int i) {
    AlertMessage m;
    m.input = i;
    m.time = ProgramClock().Now();
    m.kind = kBothChannels;
    m.name = s.inputs[i].auditName;
    m.body = TestMailText(s, i);
    BroadcastClock clock;
    clock.UpdateClock(m.time, s.hourAdjust);
    m.broadcastDate = clock.BroadcastDate();
    m.broadcastTime = clock.BroadcastTime();
    return m;
}

MailJob MailJobFor(const MonitorSettings& s, int i, const std::string& subject,
                   const std::string& body) {
    MailJob job;
    job.subject = subject;
    job.body = body;
    job.localPort = s.mailLocalPort;
    job.host = s.mailHost;
    job.remotePort = s.mailHostPort;
    job.senderAddr = s.mailSenderAddr;
    job.userName = s.mailUserName;
    job.password = s.mailPassWord;
    if (i >= 0 && i < static_cast<int>(s.inputs.size())) job.targetAddr = s.inputs[i].mailAddr;
    job.security = s.mailSecurity;
    job.tlsVerify = s.mailTlsVerify;
    job.heloName = s.mailHeloName;
    return job;
}

}  // namespace sonivex
