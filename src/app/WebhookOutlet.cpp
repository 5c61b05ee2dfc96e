// The monitor's webhook outlet.
#include "app/WebhookOutlet.h"

#include "delivery/WebhookPayload.h"
#include "platform/TcpSocket.h"

namespace sonivex {

WebhookOutlet::WebhookOutlet(std::string dataFolder, int timeoutMs)
    : dataFolder_(std::move(dataFolder)), host_(LocalHostNameText()), box_(timeoutMs) {}

void WebhookOutlet::Open(const MonitorSettings& settings) {
    settings_ = &settings;
    box_.Open(dataFolder_, settings.mailRetryHours);
}

void WebhookOutlet::Close() {
    box_.Close();
    settings_ = nullptr;
}

void WebhookOutlet::Send(const AlertMessage& m) {
    if (!settings_) return;
    box_.Queue(m, WebhookUrls(settings_->webhookUrl),
               WebhookBody(m, host_, settings_->webhookText));
}

}  // namespace sonivex
