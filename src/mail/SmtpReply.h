// SMTP replies taken whole from the received bytes: multi-line replies joined, limits on line
// and reply length so that a misbehaving server cannot grow the buffer without end.
#pragma once

#include <cstddef>
#include <string>

namespace sonivex {

struct SmtpReply {
    int code = 0;
    std::string text;  // every line of the reply, each ending in CR LF
};

class SmtpReplyReader {
  public:
    enum class Result { kNeedMore, kReply, kBad };

    SmtpReplyReader(size_t maxLineBytes, size_t maxReplyBytes)
        : maxLine_(maxLineBytes), maxReply_(maxReplyBytes) {}

    void Append(const std::string& bytes) { buffer_ += bytes; }
    // Takes the first complete reply off the buffer. kBad leaves the reason in problem.
    Result Next(SmtpReply& reply, std::string& problem);
    void Clear() { buffer_.clear(); }
    bool Empty() const { return buffer_.empty(); }

  private:
    std::string buffer_;
    size_t maxLine_;
    size_t maxReply_;
};

}  // namespace sonivex
