// The mail that goes after DATA: header block, ISO-2022-JP body, terminator.
#pragma once

#include <string>
#include <vector>

namespace sonivex {

struct MailHeader {
    std::string senderName = "sonivex";
    std::string senderAddr;
    std::string recipients;  // as stored: addresses separated by ";"
    std::string subject;     // UTF-8
    std::string date;        // the Date text (MailDate)
    std::string messageId;   // "<...>"
};

// The non-empty addresses of a ";"-separated list, trimmed of spaces; the full-width "；" and
// "　" count as ";" and " ".
std::vector<std::string> SplitRecipients(const std::string& list);
// The subject as RFC 2047 words, each a complete ISO-2022-JP sequence, short enough that every
// folded header line stays within 76 characters.
std::vector<std::string> EncodedSubjectWords(const std::string& subject);
// Every line ends with CR LF; the block ends with an empty line.
std::string HeaderBlock(const MailHeader& header);
// Header block bytes, the body (line ends made CR LF, lines starting with "." doubled) as
// ISO-2022-JP, and the terminating CR LF "." CR LF.
std::string MessageBlock(const MailHeader& header, const std::string& body);
// A new unique "<...@domain>" with the domain of the sender's address.
std::string NewMessageId(const std::string& senderAddr);

}  // namespace sonivex
