// libFuzzer target: any bytes as a mail spool file. A file that is refused says why; an entry
// that is read, written and read again is the same entry, and its text the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "delivery/SpoolEntry.h"

namespace {

using sonivex::SpoolEntry;

bool SameTime(const sonivex::LocalDateTime& a, const sonivex::LocalDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second && a.millisecond == b.millisecond;
}

bool Same(const SpoolEntry& a, const SpoolEntry& b) {
    return a.input == b.input && a.cancel == b.cancel && SameTime(a.created, b.created) &&
           SameTime(a.next, b.next) && a.attempts == b.attempts && a.lastError == b.lastError &&
           a.sender == b.sender && a.recipients == b.recipients && a.envelope == b.envelope &&
           a.subject == b.subject && a.date == b.date && a.messageId == b.messageId &&
           a.body == b.body;
}

// The header values are single lines in the file; a carriage return in one becomes a blank.
bool HeaderHasLineBreak(const SpoolEntry& e) {
    for (const std::string* s :
         {&e.lastError, &e.sender, &e.recipients, &e.envelope, &e.subject, &e.date, &e.messageId})
        if (s->find_first_of("\r\n") != std::string::npos) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    SpoolEntry read;
    std::string problem;
    if (!sonivex::ParseSpoolText(text, read, problem)) {
        if (problem.empty()) std::abort();
        return 0;
    }
    const std::string written = sonivex::SpoolText(read);
    SpoolEntry again;
    if (!sonivex::ParseSpoolText(written, again, problem)) std::abort();
    if (sonivex::SpoolText(again) != written) std::abort();
    if (!HeaderHasLineBreak(read) && !Same(again, read)) std::abort();
    return 0;
}
