// Everything a service manager and other machines see of a run, fed once after every tick: the
// notify protocol, and (when StatusPort is set) the snapshot with the status server reading it.
#pragma once

#include <cstdint>
#include <memory>

#include "monitor/MonitorSnapshot.h"
#include "service/ServiceNotify.h"
#include "service/StatusServer.h"

namespace sonivex {

class Monitor;
class Outbox;
class WebhookOutbox;

class ServiceRun {
  public:
    // After the monitor's start-up; mailer and webhooks may be nullptr. tickMs: the main loop's
    // period.
    ServiceRun(const Monitor& monitor, Outbox* mailer, WebhookOutbox* webhooks, int tickMs);
    ~ServiceRun();
    void Ready() { notify_.Ready(); }
    void AfterTick(Monitor& monitor);
    void Stopping() { notify_.Stopping(); }
    const MonitorSnapshot& Snapshot() const { return snapshot_; }

  private:
    void Publish(const Monitor& monitor);

    ServiceNotify notify_;
    Outbox* mailer_;
    WebhookOutbox* webhooks_;
    int tickMs_;
    int64_t lastTickMs_ = -1;  // real monotonic time of the last tick's end
    MonitorSnapshot snapshot_;
    std::unique_ptr<StatusServer> server_;
};

}  // namespace sonivex
