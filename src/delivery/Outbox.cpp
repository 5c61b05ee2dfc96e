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

bool PlanRetry(SpoolEntry& e, const std::string& failure, int retryHours) {
    ++e.attempts;
    e.lastError = failure;
    // A reply's line end, as the log shows it, would only break the log line.
    while (e.lastError.ends_with("\\n")) e.lastError.resize(e.lastError.size() - 2);
    const int64_t now = CivilToMs(ProgramClock().Now());
    if (now - CivilToMs(e.created) >= retryHours * kMsPerHour) return false;
    e.next = CivilFromMs(now + RetryDelaySeconds(e.attempts) * int64_t{1000});
    return true;
}

Outbox::Outbox(ServerJob serverJob, SessionLimits limits)
    : serverJob_(std::move(serverJob)), limits_(limits) {
    next_.setSingleShot(true);
    next_.setInterval(0);
    QObject::connect(&next_, &QTimer::timeout, [this] { StartDue(); });
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
    open_ = true;
    if (Waiting() > 0) next_.start();
}

int Outbox::Running() const {
    int n = 0;
    for (const auto& lane : lanes_) n += lane && lane->running ? 1 : 0;
    return n;
}

int Outbox::Waiting() const {
    int n = 0;
    for (const auto& q : queues_) n += static_cast<int>(q.size());
    return n - Running();
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
    if (open_) next_.start();
}

void Outbox::Service() {
    if (open_) StartDue();
}

bool Outbox::Due(const SpoolEntry& e) const {
    return CivilToMs(e.next) <= CivilToMs(ProgramClock().Now());
}

void Outbox::StartDue() {
    if (!open_) return;
    for (int i = 0; i < kInputs; ++i) {
        auto& lane = lanes_[static_cast<size_t>(i)];
        // An input's later messages wait behind its first, so they never overtake it.
        if ((lane && lane->running) || queues_[i].empty() || !Due(queues_[i].front())) continue;
        if (!lane) {
            lane = std::make_unique<Lane>(limits_);
            lane->tcp.Init();
        }
        const SpoolEntry& e = queues_[i].front();
        MailJob job = serverJob_(i);
        job.subject = e.subject;
        job.body = e.body;
        job.senderAddr = e.sender;
        job.targetAddr = e.recipients;
        job.envelopeTo = e.envelope;
        job.date = e.date;
        job.messageId = e.messageId;
        lane->running = true;
        lane->session.Start(job, [this, i](const SessionResult& r) { Ended(i, r); });
    }
}

void Outbox::Ended(int input, const SessionResult& result) {
    lanes_[static_cast<size_t>(input)]->running = false;
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
    const bool again = PlanRetry(e, result.failure, retryHours_);
    const std::string what =
        Ch(e.input) + " (" + std::to_string(e.attempts) + "回失敗: " + e.lastError + ")";
    spool_.Write(e);
    if (!again) {
        WriteLog("メール送信失敗 再送期限切れ " + what, kErrorLog);
        spool_.MoveTo(e, "failed");
        ++failed_;
        return false;
    }
    WriteLog("メール再送予定 " + DateTimeString(e.next) + " " + what);
    return true;
}

void Outbox::Close() {
    const bool wasOpen = open_;
    open_ = false;
    next_.stop();
    for (auto& lane : lanes_) {
        if (!lane) continue;
        lane->session.Abort("終了のため中断しました (スプールに残ります)");
        lane->running = false;
        lane->tcp.DisConnect();
    }
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
