// The test webhook: input 1's alert text, marked as a test, as an event "test" in the configured
// format, posted once to each URL without the spool. Engineers prove the path to the chat room or
// the on-call tool with it.
#include "app/SendTestWebhook.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <iostream>

#include "app/SendTestMail.h"
#include "delivery/WebhookPayload.h"
#include "mail/MonitorMail.h"
#include "platform/TcpSocket.h"

namespace sonivex {

namespace {
constexpr int kTimeoutMs = 10000;
}

int SendTestWebhook(const Options& o, const std::string& exePath) {
    MonitorSettings s;
    if (!ReadTestSettings(o, exePath, 0, s)) return 1;
    const std::vector<std::string> urls = WebhookUrls(s.webhookUrl);
    if (urls.empty()) {
        std::cerr << "sonivex: WebhookUrl is empty: no webhook to post to\n";
        return 1;
    }
    const QByteArray body = QByteArray::fromStdString(
        WebhookBody(TestAlertMessage(s, 0), LocalHostNameText(), s.webhookText, true));
    QNetworkAccessManager net;
    int failures = 0;
    for (const std::string& url : urls) {
        QNetworkRequest request(QUrl(QString::fromStdString(url)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        request.setTransferTimeout(kTimeoutMs);
        QNetworkReply* reply = net.post(request, body);
        QObject::connect(reply, &QNetworkReply::finished, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const std::string answer = reply->readAll().left(400).simplified().toStdString();
        if (status > 0)
            std::cout << url << ": HTTP " << status << " "
                      << reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                             .toString()
                             .toStdString()
                      << (answer.empty() ? "" : ": ") << answer << "\n";
        else
            std::cout << url << ": no answer: " << reply->errorString().toStdString() << "\n";
        failures += status >= 200 && status < 300 ? 0 : 1;
        reply->deleteLater();
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace sonivex
