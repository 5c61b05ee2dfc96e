// Time-code decoding: the last six characters before each end byte are the time.
#include "devices/TimeCode.h"

#include <cstdio>

namespace sonivex {

namespace {

constexpr size_t kTimeCodeDigits = 6;
constexpr size_t kTimeCodeKeep = 26;  // a longer text is cut to its last kTimeCodeCut characters
constexpr size_t kTimeCodeCut = 18;

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

bool ShowsTarget(const std::string& hh, const std::string& mm, const std::string& ss,
                 const AdjustTarget& t) {
    if (ss != TwoDigits(t.second)) return false;
    if (t.mode == 0) return true;
    if (t.mode != 1 && t.mode != 2) return false;
    if (mm != TwoDigits(t.minute)) return false;
    return t.mode == 1 || hh == TwoDigits(t.hour);
}

}  // namespace

std::string FeedTimeCode(std::string& text, const uint8_t* bytes, int count,
                         const AdjustTarget& target, const std::function<void()>& onTarget) {
    std::string last;
    for (int k = 0; k < count; ++k) {
        const uint8_t b = bytes[k];
        if (b == 0 || b == 2 || b == 3) continue;
        if (b != kTimeCodeEnd) {
            text += static_cast<char>(b);
            continue;
        }
        if (text.size() < kTimeCodeDigits) continue;
        const std::string digits = text.substr(text.size() - kTimeCodeDigits);
        const std::string hh = digits.substr(0, 2), mm = digits.substr(2, 2),
                          ss = digits.substr(4, 2);
        last = hh + ":" + mm + ":" + ss;
        if (ShowsTarget(hh, mm, ss, target) && onTarget) onTarget();
        text.clear();
    }
    if (text.size() > kTimeCodeKeep) text = text.substr(text.size() - kTimeCodeCut);
    return last;
}

}  // namespace sonivex
