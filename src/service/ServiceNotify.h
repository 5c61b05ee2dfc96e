// What the service manager sees of a headless run: ready, alive (only while ticks really run), a
// one-line status, and stopping. Without NOTIFY_SOCKET every call does nothing.
#pragma once

#include <cstdint>
#include <string>

namespace sonivex {

class Monitor;

// The watchdog and tick timing are real time whatever clock the program runs on.
int64_t RealMonotonicMs();

// "8 inputs watched, 1 in alert: ch1 FM東京"
std::string ServiceStatusLine(Monitor& monitor);

class ServiceNotify {
  public:
    ServiceNotify();
    void Ready();
    // After every tick that ran to its end: pets the watchdog (at most twice per period) and
    // sends the status line when it changed.
    void AfterTick(Monitor& monitor);
    void Stopping();

  private:
    void Send(const std::string& state);
    uint64_t watchdogUsec_ = 0;  // 0 = no watchdog asked for
    int64_t lastPetMs_ = -1;     // real monotonic time of the last WATCHDOG=1
    std::string status_;
};

}  // namespace sonivex
