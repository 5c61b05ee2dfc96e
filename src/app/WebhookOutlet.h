// The monitor's webhook outlet: each alert and cancel is posted to the URLs and in the format
// that the settings name at that moment (the settings dialog may change them meanwhile).
#pragma once

#include <string>

#include "delivery/WebhookOutbox.h"
#include "monitor/MonitorSettings.h"
#include "monitor/Outlets.h"

namespace sonivex {

class WebhookOutlet : public AlertSender {
  public:
    explicit WebhookOutlet(std::string dataFolder, int timeoutMs = 10000);
    // Until Open() (a URL set, ErrorCatch off) events are dropped. settings must outlive this
    // outlet or the next Close().
    void Open(const MonitorSettings& settings);
    bool IsOpen() const { return settings_ != nullptr; }
    void Close();
    void Send(const AlertMessage& m) override;
    void Service() override { box_.Service(); }
    WebhookOutbox& Box() { return box_; }

  private:
    std::string dataFolder_;
    std::string host_;
    const MonitorSettings* settings_ = nullptr;
    WebhookOutbox box_;
};

}  // namespace sonivex
