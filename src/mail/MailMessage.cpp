// Composition of the mail message.
#include "mail/MailMessage.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <random>

#include "mail/FCT_ConvChar.h"
#include "platform/Clock.h"

namespace sonivex {

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kWordStart[] = "=?iso-2022-jp?B?";
constexpr char kWordEnd[] = "?=";
// "Subject: " plus a word of 66 characters fills a 75-character line; 36 bytes make 48 Base64
// characters without padding inside the subject.
constexpr size_t kMaxWordBytes = 36;

std::string Trim(const std::string& s) {
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// CR LF for every line end, whether it came as CR LF, a lone LF or a lone CR.
std::string CrLfLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t n = 0; n < text.size(); ++n) {
        const char c = text[n];
        if (c == '\r' || c == '\n') {
            out += kCrLf;
            if (c == '\r' && n + 1 < text.size() && text[n + 1] == '\n') ++n;
        } else {
            out += c;
        }
    }
    return out;
}

// A line that starts with "." would otherwise end the data early or lose its dot.
std::string DotStuffed(const std::string& crlfText) {
    std::string out;
    out.reserve(crlfText.size() + 4);
    bool lineStart = true;
    for (const char c : crlfText) {
        if (lineStart && c == '.') out += '.';
        out += c;
        lineStart = c == '\n';
    }
    return out;
}

// A list typed with a Japanese input method: the full-width "；" and "　" mean ";" and " ".
std::string AsciiSeparators(const std::string& list) {
    static constexpr char kSemicolon[] = "\xEF\xBC\x9B";  // U+FF1B
    static constexpr char kSpace[] = "\xE3\x80\x80";      // U+3000
    std::string out;
    for (size_t n = 0; n < list.size();) {
        if (list.compare(n, 3, kSemicolon) == 0 || list.compare(n, 3, kSpace) == 0) {
            out += list[n] == kSemicolon[0] ? ';' : ' ';
            n += 3;
        } else {
            out += list[n++];
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> SplitRecipients(const std::string& typed) {
    const std::string list = AsciiSeparators(typed);
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t end = list.find(';', start);
        const std::string piece =
            Trim(list.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (!piece.empty()) out.push_back(piece);
        if (end == std::string::npos) return out;
        start = end + 1;
    }
}

std::vector<std::string> EncodedSubjectWords(const std::string& subject) {
    std::vector<std::string> words;
    for (const std::string& piece : SplitIso2022jp(subject, kMaxWordBytes))
        words.push_back(kWordStart + EncodeBase64(piece) + kWordEnd);
    return words;
}

std::string HeaderBlock(const MailHeader& h) {
    std::string to;
    for (const std::string& a : SplitRecipients(h.recipients)) to += (to.empty() ? "" : ", ") + a;
    std::string subject;
    for (const std::string& w : EncodedSubjectWords(h.subject))
        subject += (subject.empty() ? "" : std::string(kCrLf) + "\t") + w;
    std::string b;
    b += "From: \"" + h.senderName + "\" <" + h.senderAddr + ">" + kCrLf;
    b += "To: " + to + kCrLf;
    b += "Subject: " + subject + kCrLf;
    b += "Date: " + h.date + kCrLf;
    b += "Message-ID: " + h.messageId + kCrLf;
    b += std::string("MIME-Version: 1.0") + kCrLf;
    b += std::string("Content-Type: text/plain;") + kCrLf;
    b += std::string("\tformat=flowed;") + kCrLf;
    b += std::string("\tcharset=\"iso-2022-jp\";") + kCrLf;
    b += std::string("Content-Transfer-Encoding: 7bit") + kCrLf;
    b += std::string("X-Priority: 3") + kCrLf;
    b += kCrLf;
    return b;
}

std::string MessageBlock(const MailHeader& header, const std::string& body) {
    const std::string headerText = HeaderBlock(header);
    std::string block(static_cast<size_t>(AnsiByteLength(headerText)), '\0');
    block.resize(static_cast<size_t>(ToAnsiBytes(headerText, block)));
    EncodeBody(DotStuffed(CrLfLines(body)), block);
    block += block.ends_with(kCrLf) ? ".\r\n" : "\r\n.\r\n";
    return block;
}

std::string NewMessageId(const std::string& senderAddr) {
    static unsigned counter = 0;
    static std::mt19937 random{std::random_device{}()};
    const size_t at = senderAddr.find('@');
    std::string domain = at == std::string::npos ? "" : Trim(senderAddr.substr(at + 1));
    if (domain.empty() || domain.find_first_of("<> \"") != std::string::npos) domain = "localhost";
    const LocalDateTime t = ProgramClock().Now();
    std::array<char, 96> buf{};
    std::snprintf(buf.data(), buf.size(), "<%04d%02d%02d%02d%02d%02d.%d.%u.%08x@", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, static_cast<int>(::getpid()), ++counter,
                  static_cast<unsigned>(random()));
    return buf.data() + domain + ">";
}

}  // namespace sonivex
