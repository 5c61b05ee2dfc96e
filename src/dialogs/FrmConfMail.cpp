// The test mail of the settings dialog: the mail fields as they stand, before OK, tried against
// the server; the dialog stays usable while the session runs on the event loop.
#include <QLabel>
#include <QPushButton>

#include "dialogs/FrmConf.h"
#include "mail/AlertText.h"
#include "mail/MonitorMail.h"
#include "mail/SmtpSession.h"
#include "mail/UC_WinSock.h"
#include "monitor/Monitor.h"

namespace sonivex {

void FrmConf::SendTestMail() {
    if (session_ && session_->Running()) return;
    const ConfFields fields = ReadFields();
    const int i = TestMailInput(fields);
    if (i < 0) {
        c_.testMailResult->setText(QString::fromUtf8(kTestMailNoRecipient));
        return;
    }
    const MonitorSettings s = TestMailSettings(fields, host_.monitor->settings);
    if (!session_) {
        tcp_ = std::make_unique<UC_WinSock>();
        tcp_->Init();
        session_ = std::make_unique<SmtpSession>(*tcp_);
    }
    c_.testMail->setEnabled(false);
    c_.testMailResult->setText(QString::fromUtf8(kTestMailSending));
    // A session that cannot start reports at once, inside Start.
    session_->Start(
        MailJobFor(s, i, MailSubject(s.inputs[i].auditName, s.messageLang), TestMailText(s, i)),
        [this](const SessionResult& r) { OnTestMailDone(r.accepted, r.failure); });
}

void FrmConf::OnTestMailDone(bool accepted, const std::string& failure) {
    if (closing_) return;
    c_.testMail->setEnabled(true);
    c_.testMailResult->setText(accepted ? QString::fromUtf8(kTestMailAccepted)
                                        : QString::fromUtf8(kTestMailFailed) +
                                              QString::fromStdString(failure));
}

}  // namespace sonivex
