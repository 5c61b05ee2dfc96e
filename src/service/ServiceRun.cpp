// The after-tick hook of a run: notify, tick timing and the status snapshot.
#include "service/ServiceRun.h"

#include <chrono>

#include "delivery/Outbox.h"
#include "delivery/WebhookOutbox.h"
#include "monitor/Monitor.h"

namespace sonivex {

namespace {

double UnixSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

ServiceRun::ServiceRun(const Monitor& monitor, Outbox* mailer, WebhookOutbox* webhooks, int tickMs)
    : mailer_(mailer), webhooks_(webhooks), tickMs_(tickMs) {
    server_ = StartStatusServer(monitor.settings, snapshot_);
    if (!server_) return;
    Publish(monitor);
}

ServiceRun::~ServiceRun() = default;

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
    if (mailer_) {
        snapshot_.mail.sent = mailer_->Sent();
        snapshot_.mail.failed = mailer_->Failed();
        snapshot_.mail.queued = mailer_->Waiting() + mailer_->Running();
    }
    if (webhooks_) {
        snapshot_.webhook.sent = webhooks_->Sent();
        snapshot_.webhook.failed = webhooks_->Failed();
        snapshot_.webhook.queued = webhooks_->Waiting() + webhooks_->Running();
    }
}

}  // namespace sonivex
