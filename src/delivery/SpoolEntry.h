// One waiting message as it lies in the spool: the envelope, the retry state and the message, in
// a text form that a person can read and that shows when a file has been cut short or damaged.
#pragma once

#include <string>

#include "platform/CivilTime.h"

namespace sonivex {

struct SpoolEntry {
    std::string name;  // the file name inside the spool folder; "" until first written
    int input = 0;     // 0-based
    bool cancel = false;
    LocalDateTime created;  // the event's time
    LocalDateTime next;     // when the next attempt is due
    int attempts = 0;       // failed attempts so far
    std::string lastError;
    std::string sender;
    std::string recipients;  // as stored in the settings: addresses separated by ";"
    std::string envelope;    // the addresses still to be reached when not all ("" = all)
    std::string subject;
    std::string date;       // the Date header: the event's time
    std::string messageId;  // the same on every attempt, so a receiver can spot a repeat
    std::string body;       // UTF-8, CR LF line ends
};

std::string SpoolText(const SpoolEntry& e);
// False, with what is wrong in problem, for a file that is not a whole spool entry.
bool ParseSpoolText(const std::string& text, SpoolEntry& e, std::string& problem);
// "yyyy/mm/dd hh:mm:ss"
std::string DateTimeString(const LocalDateTime& t);

}  // namespace sonivex
