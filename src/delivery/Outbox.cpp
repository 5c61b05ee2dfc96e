// The outbox: spool, turns and retries around the SMTP session.
#include "delivery/Outbox.h"

#include <array>

#include "mail/FCT_ConvChar.h"
#include "mail/MailMessage.h"
#include "platform/Clock.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr int kErrorLog = 16;
constexpr std::array<int, 5> kFirstDelaysSec = {30, 60, 120, 300, 600};
constexpr int64_t kMsPerHour = 3600 * 1000;

std::string Ch(int input) {
    return "ch" + std::to_string(input + 1);
}

}  // namespace

int RetryDelaySeconds(int failures) {
    const size_t n = static_cast<size_t>(std::max(failures, 1)) - 1;
    return kFirstDelaysSec[std::min(n, kFirstDelaysSec.size() - 1)];
}

Outbox::Outbox(ServerJob serverJob, SessionLimits limits)
    : serverJob_(std::move(serverJob)), session_(tcp_, limits) {
    next_.setSingleShot(true);
    next_.setInterval(0);
    QObject::connect(&next_, &QTimer::timeout, [this] { StartNext(); });
}

Outbox::~Outbox() {
    Close();
}

void Outbox::Open(const std::string& dataFolder, int retryHours) {
    spool_ = Spool(dataFolder);
    retryHours_ = retryHours;
    std::vector<SpoolEntry> left = spool_.Load(true);
    if (!left.empty())
        WriteLog("未送信メール " + std::to_string(left.size()) + " 通をスプールから送信します");
    // What an earlier run left is older than anything queued since, and goes first, now.
    const LocalDateTime now = ProgramClock().Now();
    for (auto it = left.rbegin(); it != left.rend(); ++it) {
        it->next = now;
        queues_[static_cast<size_t>(it->input)].push_front(std::move(*it));
    }
    for (auto& q : queues_)
        for (SpoolEntry& e : q)
            if (e.name.empty()) spool_.Write(e);
    tcp_.Init();
    open_ = true;
    if (Waiting() > 0) next_.start();
}

int Outbox::Waiting() const {
    int n = 0;
    for (const auto& q : queues_) n += static_cast<int>(q.size());
    return n - (running_ >= 0 ? 1 : 0);
}

void Outbox::Queue(const AlertMessage& m, const std::string& sender,
                   const std::string& recipients) {
    if (m.input < 0 || m.input >= kInputs) return;
    SpoolEntry e;
    e.input = m.input;
    e.cancel = m.cancel;
    e.created = m.time;
    e.next = m.time;
    e.sender = sender;
    e.recipients = recipients;
    e.subject = m.subject;
    e.date = MailDate(m.time, UtcOffsetMinutes(m.time));
    e.messageId = NewMessageId(sender);
    e.body = m.body;
    // Not on disk (full, read-only) it is still sent from memory.
    if (open_) spool_.Write(e);
    queues_[static_cast<size_t>(m.input)].push_back(std::move(e));
    if (open_ && running_ < 0) next_.start();
}

void Outbox::Service() {
    if (open_ && running_ < 0) StartNext();
}

bool Outbox::Due(const SpoolEntry& e) const {
    return CivilToMs(e.next) <= CivilToMs(ProgramClock().Now());
}

void Outbox::StartNext() {
    if (!open_ || running_ >= 0) return;
    for (int k = 0; k < kInputs; ++k) {
        const int i = (cursor_ + k) % kInputs;
        // An input's later messages wait behind its first, so they never overtake it.
        if (queues_[i].empty() || !Due(queues_[i].front())) continue;
        const SpoolEntry& e = queues_[i].front();
        MailJob job = serverJob_(i);
        job.subject = e.subject;
        job.body = e.body;
        job.senderAddr = e.sender;
        job.targetAddr = e.recipients;
        job.envelopeTo = e.envelope;
        job.date = e.date;
        job.messageId = e.messageId;
        running_ = i;
        cursor_ = i + 1;
        session_.Start(job, [this, i](const SessionResult& r) { Ended(i, r); });
        return;
    }
}

void Outbox::Ended(int input, const SessionResult& result) {
    running_ = -1;
    if (!open_) return;  // closing: the message stays in the spool
    auto& q = queues_[static_cast<size_t>(input)];
    if (result.accepted && result.deferred.empty()) {
        spool_.Remove(q.front());
        q.pop_front();
        ++sent_;
    } else if (result.accepted) {
        // Only the recipients refused for now get it again, as the same message.
        q.front().envelope.clear();
        for (const std::string& d : result.deferred)
            q.front().envelope += (q.front().envelope.empty() ? "" : ";") + d;
        if (!Retry(q.front(), result)) q.pop_front();
    } else if (result.permanent) {
        spool_.MoveTo(q.front(), "failed");
        q.pop_front();
        ++failed_;
    } else {
        if (!Retry(q.front(), result)) q.pop_front();
    }
    if (OnSessionEnd) OnSessionEnd(input, result);
    if (open_ && Waiting() > 0) next_.start();
}

// A transient failure: the next attempt, or false at the end of the retry period.
bool Outbox::Retry(SpoolEntry& e, const SessionResult& result) {
    ++e.attempts;
    e.lastError = result.failure;
    // A reply's line end, as the log shows it, would only break this line.
    while (e.lastError.ends_with("\\n")) e.lastError.resize(e.lastError.size() - 2);
    const LocalDateTime now = ProgramClock().Now();
    const std::string what =
        Ch(e.input) + " (" + std::to_string(e.attempts) + "回失敗: " + e.lastError + ")";
    if (CivilToMs(now) - CivilToMs(e.created) >= retryHours_ * kMsPerHour) {
        WriteLog("メール送信失敗 再送期限切れ " + what, kErrorLog);
        spool_.Write(e);
        spool_.MoveTo(e, "failed");
        ++failed_;
        return false;
    }
    e.next = CivilFromMs(CivilToMs(now) + RetryDelaySeconds(e.attempts) * int64_t{1000});
    spool_.Write(e);
    WriteLog("メール再送予定 " + DateTimeString(e.next) + " " + what);
    return true;
}

void Outbox::Close() {
    const bool wasOpen = open_;
    open_ = false;
    next_.stop();
    session_.Abort("終了のため中断しました (スプールに残ります)");
    running_ = -1;
    tcp_.DisConnect();
    int left = 0;
    for (auto& q : queues_) {
        left += static_cast<int>(q.size());
        q.clear();
    }
    if (wasOpen && left > 0)
        WriteLog("未送信メール " + std::to_string(left) +
                 " 通はスプールに残り、次の起動で送信します");
}

}  // namespace sonivex
