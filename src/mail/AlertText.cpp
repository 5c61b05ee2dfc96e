// Alert and cancel texts.
#include "mail/AlertText.h"

#include "support/basic.h"

namespace sonivex {

namespace {

constexpr char kCrLf[] = "\r\n";

std::string Cause(int kind, const AlertTextSettings& s) {
    const bool en = s.messageLang != 0;
    const std::string both = std::to_string(s.muonSec);
    const std::string one = std::to_string(s.muonSecMono);
    switch (kind) {
        case 1:
            return en ? "mono ch more than " + both + "sec)" : "モノch " + both + "秒以上)";
        case 2:
            return en ? "both ch more than " + both + "sec)" : "両ch " + both + "秒以上)";
        case 3:
            return en ? "Lch more than " + one + "sec)" : "Lch " + one + "秒以上)";
        case 4:
            return en ? "Rch more than " + one + "sec)" : "Rch " + one + "秒以上)";
        case 5:
            return en ? "capture device failure)" : "録音デバイス異常)";
        default:
            return "";
    }
}

std::string Channel(int i, const std::string& name) {
    return "ch" + std::to_string(i + 1) + " " + name + " (";
}

}  // namespace

std::string AlertText(int i, int kind, const std::string& name, const AlertTextSettings& s) {
    const std::string t = DateTimeText(s.hourAdjust);
    if (s.messageLang != 0) {
        return t + " (PC local time) " + kCrLf +
               "Sonivex has detected the absence of audio in your broadcasting signal." + kCrLf +
               Channel(i, name) + Cause(kind, s);
    }
    return std::string("警報") + kCrLf + t + " (監視PC内部時刻) " + kCrLf +
           "Sonivexが無音を検出しました。" + kCrLf + Channel(i, name) + Cause(kind, s);
}

std::string CancelText(int i, int reason, const std::string& name, const AlertTextSettings& s) {
    const std::string t = DateTimeText(s.hourAdjust);
    static constexpr const char* kEnglish[] = {"Manually canceled)", "Audio detected)",
                                               "capture device restored)"};
    static constexpr const char* kJapanese[] = {"手動解除)", "音声復旧)", "録音デバイス復旧)"};
    const size_t r = reason >= 0 && reason <= 2 ? static_cast<size_t>(reason) : 1;
    if (s.messageLang != 0) {
        return t + " (PC local time) " + kCrLf + "Alert has canceled." + kCrLf + Channel(i, name) +
               kEnglish[r];
    }
    return std::string("警報解除") + kCrLf + t + " (PC内部時刻) " + kCrLf +
           "警報が解除されました。" + kCrLf + Channel(i, name) + kJapanese[r];
}

std::string MailSubject(const std::string& name, int messageLang) {
    return messageLang != 0 ? "Sonivex has detected the absence of audio #" + name
                            : "sonivex無音検出 " + name;
}

std::string FlattenCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t n = 0; n < text.size(); ++n) {
        if (text[n] == '\r' && n + 1 < text.size() && text[n + 1] == '\n') {
            out += ' ';
            ++n;
        } else {
            out += text[n];
        }
    }
    return out;
}

}  // namespace sonivex
