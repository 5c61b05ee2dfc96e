// The alert and cancel texts of an input, in Japanese or English, and the mail subject.
#pragma once

#include <string>

namespace sonivex {

struct AlertTextSettings {
    int muonSec = 15;
    int muonSecMono = 20;
    int messageLang = 0;  // 0 Japanese, else English
    int hourAdjust = 18000;
};

// Lines end with CR LF; the time is the program clock on broadcast-day time.
std::string AlertText(int i, int kind, const std::string& name, const AlertTextSettings& s);
// reason 0: cancelled by hand, 1: audio restored, 2: the capture device delivers again.
std::string CancelText(int i, int reason, const std::string& name, const AlertTextSettings& s);
std::string MailSubject(const std::string& name, int messageLang);
// Every CR LF replaced by one space, for the log.
std::string FlattenCrLf(const std::string& text);

}  // namespace sonivex
