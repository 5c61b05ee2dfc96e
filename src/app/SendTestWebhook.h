// sonivex --send-test-webhook: one test event posted to every WebhookUrl, now.
#pragma once

#include <string>

#include "app/CommandLine.h"

namespace sonivex {

// Prints each URL's answer; 0 when every URL answered 2xx, 1 otherwise.
int SendTestWebhook(const Options& options, const std::string& exePath);

}  // namespace sonivex
