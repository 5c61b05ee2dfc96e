// The service manager's notify protocol through libsystemd.
#include "service/ServiceNotify.h"

#include <systemd/sd-daemon.h>

#include <chrono>
#include <string>

#include "monitor/Monitor.h"

namespace sonivex {

int64_t RealMonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

std::string Plural(int n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

std::string ServiceStatusLine(Monitor& monitor) {
    int watched = 0, alerts = 0;
    std::string names;
    for (int i = 0; i < monitor.NumInputs(); ++i) {
        if (monitor.Capture().CaptureState[i] == 1) ++watched;
        if (monitor.AlertActive[i] != 1) continue;
        ++alerts;
        names += (names.empty() ? ": ch" : ", ch") + std::to_string(i + 1);
        const std::string& name = monitor.settings.inputs[i].auditName;
        if (!name.empty()) names += " " + name;
    }
    return Plural(watched, "input") + " watched, " + std::to_string(alerts) + " in alert" + names;
}

ServiceNotify::ServiceNotify() {
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0) watchdogUsec_ = usec;
}

void ServiceNotify::Send(const std::string& state) {
    sd_notify(0, state.c_str());
}

void ServiceNotify::Ready() {
    Send("READY=1");
}

void ServiceNotify::Stopping() {
    Send("STOPPING=1");
}

void ServiceNotify::AfterTick(Monitor& monitor) {
    if (watchdogUsec_ > 0) {
        const int64_t now = RealMonotonicMs();
        if (lastPetMs_ < 0 || now - lastPetMs_ >= static_cast<int64_t>(watchdogUsec_ / 2000)) {
            Send("WATCHDOG=1");
            lastPetMs_ = now;
        }
    }
    std::string status = ServiceStatusLine(monitor);
    if (status == status_) return;
    status_ = std::move(status);
    Send("STATUS=" + status_);
}

}  // namespace sonivex
