// libFuzzer target: bytes from an SMTP server, taken as the session takes them: appended piece by
// piece, each piece followed by taking replies until one is incomplete or bad. Every reply is whole
// CR LF lines that carry its code, within the limits; the replies and the point where the stream
// turns bad are the same however the bytes were cut into pieces.
//
// The first byte chooses the limits (the session's own, or small ones so that short inputs reach
// them) and how the rest is cut.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mail/SmtpReply.h"

namespace {

using sonivex::SmtpReply;
using sonivex::SmtpReplyReader;

struct Outcome {
    std::vector<SmtpReply> replies;
    bool bad = false;
};

void CheckReply(const SmtpReply& r, size_t maxLine, size_t maxReply) {
    if (r.code < 0 || r.code > 999 || r.text.size() < 5) std::abort();
    char code[4];
    std::snprintf(code, sizeof code, "%03d", r.code);
    size_t start = 0, lines = 0;
    while (start < r.text.size()) {
        const size_t end = r.text.find("\r\n", start);
        if (end == std::string::npos || end - start < 3 || end - start > maxLine) std::abort();
        if (r.text.compare(start, 3, code) != 0) std::abort();
        const bool last = end + 2 == r.text.size();
        const char after = end - start == 3 ? ' ' : r.text[start + 3];
        if (after != (last ? ' ' : '-')) std::abort();
        start = end + 2;
        ++lines;
    }
    if (r.text.size() > maxReply + 1 + lines) std::abort();
}

// Takes replies as the session does after each arrival; false once the stream has turned bad.
bool TakeReplies(SmtpReplyReader& reader, Outcome& out, size_t maxLine, size_t maxReply) {
    for (;;) {
        SmtpReply reply;
        std::string problem;
        const auto r = reader.Next(reply, problem);
        if (r == SmtpReplyReader::Result::kNeedMore) return true;
        if (r == SmtpReplyReader::Result::kBad) {
            if (problem.empty()) std::abort();
            out.bad = true;
            return false;
        }
        CheckReply(reply, maxLine, maxReply);
        out.replies.push_back(std::move(reply));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t control = data[0];
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool small = (control & 1) != 0;
    const size_t maxLine = small ? 8 + (control >> 4) : 2048;
    const size_t maxReply = small ? maxLine * (1 + ((control >> 1) & 7)) : 16384;

    Outcome whole;
    SmtpReplyReader all(maxLine, maxReply);
    all.Append(bytes);
    TakeReplies(all, whole, maxLine, maxReply);

    // Pieces of 1 to 16 bytes, in a pattern that the control byte picks.
    Outcome pieces;
    SmtpReplyReader cut(maxLine, maxReply);
    unsigned step = control;
    for (size_t at = 0; at < bytes.size();) {
        step = step * 1103515245u + 12345u;
        const size_t n = 1 + (step >> 16) % 16;
        cut.Append(bytes.substr(at, n));
        at += n;
        if (!TakeReplies(cut, pieces, maxLine, maxReply)) break;
    }

    if (whole.bad != pieces.bad || whole.replies.size() != pieces.replies.size()) std::abort();
    for (size_t n = 0; n < whole.replies.size(); ++n)
        if (whole.replies[n].code != pieces.replies[n].code ||
            whole.replies[n].text != pieces.replies[n].text)
            std::abort();
    if (!whole.bad && all.Empty() != cut.Empty()) std::abort();
    return 0;
}
