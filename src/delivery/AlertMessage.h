// One alert or cancel text as the monitor hands it to the outbox.
#pragma once

#include <string>

#include "platform/CivilTime.h"

namespace sonivex {

struct AlertMessage {
    int input = 0;        // 0-based
    bool cancel = false;  // the end of an alert rather than its start
    LocalDateTime time;   // when it happened: the mail's Date
    std::string subject;  // filled when the mail tick hands it on
    std::string body;     // the text with its CR LF line breaks
};

}  // namespace sonivex
