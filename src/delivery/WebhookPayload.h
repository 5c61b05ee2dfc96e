// What a webhook receives: the event as JSON, or the {"text": ...} body that chat rooms' incoming
// webhooks take.
#pragma once

#include <string>
#include <vector>

#include "delivery/AlertMessage.h"

namespace sonivex {

// event is "alert" or "cancel" from m, or "test" when test is set.
std::string WebhookBody(const AlertMessage& m, const std::string& host, bool text,
                        bool test = false);
// ISO 8601 with the UTC offset, as the machine's zone has it then: 2026-12-07T09:00:00+09:00
std::string IsoTime(const LocalDateTime& t);
// A WebhookUrl setting's URLs: split at ";" (also a full-width one), spaces trimmed, empty ones
// dropped.
std::vector<std::string> WebhookUrls(const std::string& setting);

}  // namespace sonivex
