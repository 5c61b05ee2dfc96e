// The after-tick hook of a run: notify, tick timing and the status snapshot.
#include "service/ServiceRun.h"

#include <chrono>

#include "mail/SmtpMailer.h"
#include "monitor/Monitor.h"

namespace sonivex {

namespace {

double UnixSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

ServiceRun::ServiceRun(const Monitor& monitor, SmtpMailer* mailer, int tickMs)
    : mailer_(mailer), tickMs_(tickMs) {
    server_ = StartStatusServer(monitor.settings, snapshot_);
    if (!server_) return;
    if (mailer_) {
        mailer_->OnSessionEnd = [this](int, const SessionResult& r) {
            ++(r.accepted ? snapshot_.mail.sent : snapshot_.mail.failed);
        };
    }
    Publish(monitor);
}

ServiceRun::~ServiceRun() {
    if (server_ && mailer_) mailer_->OnSessionEnd = nullptr;
}

void ServiceRun::AfterTick(Monitor& monitor) {
    notify_.AfterTick(monitor);
    // A tick whose slot passed without it (the loop was held up) counts as an overrun; on
    // simulated time ticks run back to back, so the same rule finds a held-up loop there too.
    const int64_t now = RealMonotonicMs();
    if (lastTickMs_ >= 0 && now - lastTickMs_ >= 2 * tickMs_) ++snapshot_.tickOverruns;
    lastTickMs_ = now;
    if (server_) Publish(monitor);
}

void ServiceRun::Publish(const Monitor& monitor) {
    TakeSnapshot(monitor, snapshot_);
    snapshot_.lastTickSeconds = UnixSeconds();
    if (mailer_) snapshot_.mail.queued = mailer_->Waiting() + (mailer_->Running() >= 0 ? 1 : 0);
    // Webhook counts and capture failures come from the delivery outbox and the capture-failure
    // alert; they stay 0 until those are wired in.
}

}  // namespace sonivex
