// The test mail and test webhook of the settings dialog: the fields as they stand, before OK,
// tried against the server; the dialog stays usable while they run on the event loop.
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>

#include "delivery/WebhookPayload.h"
#include "dialogs/FrmConf.h"
#include "mail/AlertText.h"
#include "mail/MonitorMail.h"
#include "mail/SmtpSession.h"
#include "mail/UC_WinSock.h"
#include "monitor/Monitor.h"
#include "platform/TcpSocket.h"

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

// Each URL's answer on a line of its own as it comes.
void FrmConf::SendTestWebhook() {
    const ConfFields fields = ReadFields();
    const std::vector<std::string> urls = WebhookUrls(fields.webhookUrl);
    if (urls.empty()) {
        c_.testWebhookResult->setText(QString::fromUtf8(kTestWebhookNoUrl));
        return;
    }
    MonitorSettings s = TestMailSettings(fields, host_.monitor->settings);
    const std::string body =
        WebhookBody(TestAlertMessage(s, 0), LocalHostNameText(), fields.webhookText != 0, true);
    if (!net_) net_ = std::make_unique<QNetworkAccessManager>();
    c_.testWebhook->setEnabled(false);
    c_.testWebhookResult->setText(QString::fromUtf8(kTestMailSending));
    auto pending = std::make_shared<int>(static_cast<int>(urls.size()));
    auto answers = std::make_shared<QStringList>();
    for (const std::string& url : urls) {
        QNetworkRequest request(QUrl(QString::fromStdString(url)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        request.setTransferTimeout(kTestWebhookTimeoutMs);
        QNetworkReply* reply = net_->post(request, QByteArray::fromStdString(body));
        connect(reply, &QNetworkReply::finished, this, [this, reply, url, pending, answers] {
            if (closing_) return;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            *answers << QString::fromStdString(url) + ": " +
                            (status > 0 ? QStringLiteral("HTTP %1").arg(status)
                                        : reply->errorString());
            reply->deleteLater();
            c_.testWebhookResult->setText(answers->join('\n'));
            if (--*pending == 0) c_.testWebhook->setEnabled(true);
        });
    }
}

}  // namespace sonivex
