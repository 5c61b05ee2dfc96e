// One alert or cancel as the monitor hands it to the mail and webhook outlets.
#pragma once

#include <string>

#include "platform/CivilTime.h"

namespace sonivex {

struct AlertMessage {
    int input = 0;          // 0-based
    bool cancel = false;    // the end of an alert rather than its start
    LocalDateTime time{};   // when it happened: the mail's Date
    std::string subject{};  // filled when the mail tick hands it on
    std::string body{};     // the text with its CR LF line breaks
    int kind = 0;           // the AlertKind of the alert, also of the alert a cancel ends
    int reason = 0;         // a cancel's CancelReason
    std::string name{};     // the input's name
    std::string broadcastDate{}, broadcastTime{};  // the broadcast clock at the event
};

}  // namespace sonivex
