// The webhook outbox: spool, per-URL lines and retries around Qt's HTTP client.
#include "delivery/WebhookOutbox.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <QUuid>

#include "delivery/Outbox.h"
#include "delivery/WebhookPayload.h"
#include "platform/Clock.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr int kErrorLog = 16;
constexpr int kMaxAnswerShown = 200;

std::string What(const SpoolEntry& e) {
    return "ch" + std::to_string(e.input + 1) + " " + e.recipients;
}

bool UsableUrl(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == "http" || url.scheme() == "https");
}

}  // namespace

PostOutcome ClassifyPost(int status, bool certificateRefused, bool unusableUrl) {
    if (status >= 200 && status < 300) return PostOutcome::kDone;
    if (status == 408 || status == 429 || status >= 500) return PostOutcome::kRetry;
    if (status > 0 || certificateRefused || unusableUrl) return PostOutcome::kPermanent;
    return PostOutcome::kRetry;
}

WebhookOutbox::WebhookOutbox(int timeoutMs) : timeoutMs_(timeoutMs) {}

WebhookOutbox::~WebhookOutbox() {
    Close();
}

void WebhookOutbox::Open(const std::string& dataFolder, int retryHours) {
    spool_ = Spool(dataFolder, ".hook");
    retryHours_ = retryHours;
    net_ = std::make_unique<QNetworkAccessManager>();
    std::vector<SpoolEntry> left = spool_.Load(true);
    if (!left.empty())
        WriteLog("未送信Webhook " + std::to_string(left.size()) + " 件をスプールから送信します");
    const LocalDateTime now = ProgramClock().Now();
    // What an earlier run left is older than anything queued since, and goes first.
    for (auto it = left.rbegin(); it != left.rend(); ++it) {
        it->next = now;
        lines_[{it->recipients, it->input}].queue.push_front(std::move(*it));
    }
    for (auto& [key, line] : lines_)
        for (SpoolEntry& e : line.queue)
            if (e.name.empty()) spool_.Write(e);
    open_ = true;
    StartDue();
}

int WebhookOutbox::Running() const {
    int n = 0;
    for (const auto& [key, line] : lines_) n += line.reply ? 1 : 0;
    return n;
}

int WebhookOutbox::Waiting() const {
    int n = 0;
    for (const auto& [key, line] : lines_) n += static_cast<int>(line.queue.size());
    return n - Running();
}

void WebhookOutbox::Queue(const AlertMessage& m, const std::vector<std::string>& urls,
                          const std::string& body) {
    for (const std::string& url : urls) {
        SpoolEntry e;
        e.input = m.input;
        e.cancel = m.cancel;
        e.created = m.time;
        e.next = m.time;
        e.recipients = url;
        e.subject = "webhook";
        e.date = IsoTime(m.time);
        // The same on every attempt, so a receiver can spot a repeat.
        e.messageId = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
        e.body = body;
        if (open_) spool_.Write(e);
        lines_[{url, m.input}].queue.push_back(std::move(e));
    }
    StartDue();
}

void WebhookOutbox::Service() {
    StartDue();
}

void WebhookOutbox::StartDue() {
    if (!open_) return;
    const int64_t now = CivilToMs(ProgramClock().Now());
    for (auto& [key, line] : lines_)
        if (!line.reply && !line.queue.empty() && CivilToMs(line.queue.front().next) <= now)
            Post(line);
}

void WebhookOutbox::Post(Line& line) {
    const SpoolEntry& e = line.queue.front();
    const QUrl url(QString::fromStdString(e.recipients));
    if (!UsableUrl(url)) {
        WriteLog("Webhook送信失敗 " + What(e) + ": 使えない URL です (http:// か https://)",
                 kErrorLog);
        spool_.MoveTo(e, "failed");
        line.queue.pop_front();
        ++failed_;
        return;
    }
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    request.setHeader(QNetworkRequest::UserAgentHeader, "sonivex/" SONIVEX_VERSION);
    request.setRawHeader("X-Sonivex-Event-Id", QByteArray::fromStdString(e.messageId));
    request.setTransferTimeout(timeoutMs_);
    line.certificateRefused = false;
    line.reply = net_->post(request, QByteArray::fromStdString(e.body));
    QObject::connect(line.reply, &QNetworkReply::sslErrors,
                     [&line](const QList<QSslError>&) { line.certificateRefused = true; });
    QObject::connect(line.reply, &QNetworkReply::finished, [this, &line] { Finished(line); });
}

void WebhookOutbox::Finished(Line& line) {
    QNetworkReply* reply = line.reply;
    line.reply = nullptr;
    reply->deleteLater();
    if (!open_ || line.queue.empty()) return;
    SpoolEntry& e = line.queue.front();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    std::string why;
    if (status > 0) {
        why = "HTTP " + std::to_string(status) + " " +
              reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toStdString();
        const std::string answer = reply->read(kMaxAnswerShown).simplified().toStdString();
        if (!answer.empty()) why += ": " + answer;
    } else {
        why = reply->errorString().toStdString();
    }
    switch (ClassifyPost(status, line.certificateRefused,
                         reply->error() == QNetworkReply::ProtocolUnknownError)) {
        case PostOutcome::kDone:
            WriteLog("Webhook送信 " + What(e) + " (HTTP " + std::to_string(status) + ")");
            spool_.Remove(e);
            line.queue.pop_front();
            ++sent_;
            break;
        case PostOutcome::kPermanent:
            WriteLog("Webhook送信失敗 " + What(e) + ": " + why, kErrorLog);
            spool_.MoveTo(e, "failed");
            line.queue.pop_front();
            ++failed_;
            break;
        case PostOutcome::kRetry:
            Retry(line, why);
            break;
    }
    StartDue();
}

void WebhookOutbox::Retry(Line& line, const std::string& why) {
    SpoolEntry& e = line.queue.front();
    const bool again = PlanRetry(e, why, retryHours_);
    const std::string what =
        What(e) + " (" + std::to_string(e.attempts) + "回失敗: " + e.lastError + ")";
    spool_.Write(e);
    if (again) {
        WriteLog("Webhook再送予定 " + DateTimeString(e.next) + " " + what);
        return;
    }
    WriteLog("Webhook送信失敗 再送期限切れ " + what, kErrorLog);
    spool_.MoveTo(e, "failed");
    line.queue.pop_front();
    ++failed_;
}

void WebhookOutbox::Close() {
    const bool wasOpen = open_;
    open_ = false;
    int left = 0;
    for (auto& [key, line] : lines_) {
        left += static_cast<int>(line.queue.size());
        if (line.reply) {
            line.reply->disconnect();
            line.reply->abort();
            line.reply->deleteLater();
            line.reply = nullptr;
        }
    }
    lines_.clear();
    net_.reset();
    if (wasOpen && left > 0)
        WriteLog("未送信Webhook " + std::to_string(left) +
                 " 件はスプールに残り、次の起動で送信します");
}

}  // namespace sonivex
