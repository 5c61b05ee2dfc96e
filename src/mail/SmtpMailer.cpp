// The queue of alert mails.
#include "mail/SmtpMailer.h"

#include "support/Log.h"

namespace sonivex {

namespace {
constexpr int kFailureLog = 16;
}

SmtpMailer::SmtpMailer(JobFor jobFor, SessionLimits limits)
    : jobFor_(std::move(jobFor)), session_(tcp_, limits) {
    next_.setSingleShot(true);
    next_.setInterval(0);
    QObject::connect(&next_, &QTimer::timeout, [this] { StartNext(); });
}

SmtpMailer::~SmtpMailer() {
    Close();
}

void SmtpMailer::Open() {
    tcp_.Init();
    open_ = true;
    if (Waiting() > 0) next_.start();
}

int SmtpMailer::Waiting() const {
    int n = 0;
    for (const auto& t : waiting_) n += t.has_value() ? 1 : 0;
    return n;
}

void SmtpMailer::Queue(int input, const std::string& subject, const std::string& body) {
    if (input < 0 || input >= kInputs) return;
    waiting_[input] = Text{subject, body};
    if (open_ && running_ < 0) next_.start();
}

void SmtpMailer::StartNext() {
    if (!open_ || running_ >= 0) return;
    for (int k = 0; k < kInputs; ++k) {
        const int i = (cursor_ + k) % kInputs;
        if (!waiting_[i]) continue;
        const Text text = std::move(*waiting_[i]);
        waiting_[i].reset();
        running_ = i;
        cursor_ = i + 1;
        session_.Start(jobFor_(i, text.subject, text.body),
                       [this, i](const SessionResult& r) { Ended(i, r); });
        return;
    }
}

void SmtpMailer::Ended(int input, const SessionResult& result) {
    running_ = -1;
    if (OnSessionEnd) OnSessionEnd(input, result);
    if (open_ && Waiting() > 0) next_.start();
}

void SmtpMailer::Close() {
    const bool wasOpen = open_;
    open_ = false;
    next_.stop();
    session_.Abort("終了のため中止しました");
    for (int i = 0; i < kInputs; ++i) {
        if (!waiting_[i]) continue;
        waiting_[i].reset();
        if (wasOpen)
            WriteLog("メール送信失敗 終了のため未送信 ch" + std::to_string(i + 1), kFailureLog);
    }
    tcp_.DisConnect();
}

}  // namespace sonivex
