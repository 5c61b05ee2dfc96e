// SMTP reply parsing.
#include "mail/SmtpReply.h"

#include <cctype>

namespace sonivex {

namespace {

constexpr size_t kPreviewBytes = 60;  // of a bad line, for the log

bool HasCode(const std::string& line) {
    if (line.size() < 3) return false;
    for (size_t n = 0; n < 3; ++n)
        if (!std::isdigit(static_cast<unsigned char>(line[n]))) return false;
    return line.size() == 3 || line[3] == ' ' || line[3] == '-';
}

std::string Preview(const std::string& bytes) {
    std::string out;
    for (const char c : bytes.substr(0, kPreviewBytes))
        out += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    return out;
}

}  // namespace

SmtpReplyReader::Result SmtpReplyReader::Next(SmtpReply& reply, std::string& problem) {
    size_t start = 0;
    std::string text;
    int code = -1;  // none yet: "000" is a code like any other and must bind the lines after it
    for (;;) {
        const size_t end = buffer_.find('\n', start);
        const size_t lineEnd = end == std::string::npos ? buffer_.size() : end;
        if (lineEnd - start > maxLine_ || lineEnd > maxReply_) {
            problem = "応答が長すぎます: " + Preview(buffer_.substr(start));
            return Result::kBad;
        }
        if (end == std::string::npos) return Result::kNeedMore;
        std::string line = buffer_.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const int lineCode = HasCode(line) ? std::stoi(line.substr(0, 3)) : -1;
        if (lineCode < 0 || (code >= 0 && lineCode != code)) {
            problem = "不正な応答: " + Preview(line);
            return Result::kBad;
        }
        code = lineCode;
        text += line + "\r\n";
        start = end + 1;
        if (line.size() == 3 || line[3] == ' ') break;
    }
    buffer_.erase(0, start);
    reply.code = code;
    reply.text = std::move(text);
    return Result::kReply;
}

}  // namespace sonivex
