// The monitor's mail outlet: each text goes to the outbox with the envelope of the moment it
// happened, and each session uses the server settings of the moment it starts (the settings
// dialog may change them in memory meanwhile). It exists before the monitor reads its settings,
// so it is given them when mail is prepared.
#pragma once

#include <string>

#include "delivery/Outbox.h"
#include "monitor/MonitorSettings.h"
#include "monitor/Outlets.h"

namespace sonivex {

class MailOutlet : public AlertSender {
  public:
    explicit MailOutlet(std::string dataFolder, SessionLimits limits = {});
    // Until Open() (mail in use, ErrorCatch off) texts are dropped: no mail is prepared.
    // settings must outlive this outlet or the next Close().
    void Open(const MonitorSettings& settings);
    bool IsOpen() const { return settings_ != nullptr; }
    void Close();
    void Send(const AlertMessage& m) override;
    void Service() override { outbox_.Service(); }
    Outbox& Box() { return outbox_; }

  private:
    std::string dataFolder_;
    const MonitorSettings* settings_ = nullptr;  // set while open
    Outbox outbox_;
};

}  // namespace sonivex
