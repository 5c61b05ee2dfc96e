// The webhook body.
#include "delivery/WebhookPayload.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <cstdio>
#include <cstdlib>

#include "mail/FCT_ConvChar.h"

namespace sonivex {

namespace {

// Indexed by AlertKind.
constexpr std::array<const char*, 6> kKinds = {"none", "mono", "both", "left", "right", "device"};
// Indexed by CancelReason.
constexpr std::array<const char*, 3> kCancelReasons = {"manual", "audio-restored",
                                                       "device-restored"};

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Reason(const AlertMessage& m) {
    if (!m.cancel) return m.kind == 5 ? "device-failed" : "silence";
    return m.reason >= 0 && m.reason < static_cast<int>(kCancelReasons.size())
               ? kCancelReasons[static_cast<size_t>(m.reason)]
               : "unknown";
}

// CR LF line breaks, as in mail, become plain line feeds.
std::string Lines(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    while (out.ends_with('\n')) out.pop_back();
    return out;
}

}  // namespace

std::string IsoTime(const LocalDateTime& t) {
    const int offset = UtcOffsetMinutes(t);
    const int a = std::abs(offset);
    std::array<char, 40> buf{};
    std::snprintf(buf.data(), buf.size(), "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year,
                  t.month, t.day, t.hour, t.minute, t.second, offset < 0 ? '-' : '+', a / 60,
                  a % 60);
    return buf.data();
}

std::string WebhookBody(const AlertMessage& m, const std::string& host, bool text, bool test) {
    QJsonObject o;
    if (text) {
        o["text"] = Q(Lines(m.body));
    } else {
        const size_t kind = m.kind >= 0 && m.kind < static_cast<int>(kKinds.size())
                                ? static_cast<size_t>(m.kind)
                                : 0;
        o["event"] = test ? "test" : m.cancel ? "cancel" : "alert";
        o["input"] = m.input + 1;
        o["name"] = Q(m.name);
        o["kind"] = kKinds[kind];
        o["reason"] = Q(Reason(m));
        o["time"] = Q(IsoTime(m.time));
        std::string date = m.broadcastDate;
        for (char& c : date)
            if (c == '/') c = '-';
        o["broadcastDate"] = Q(date);
        o["broadcastTime"] = Q(m.broadcastTime);
        o["text"] = Q(Lines(m.body));
        o["host"] = Q(host);
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

std::vector<std::string> WebhookUrls(const std::string& setting) {
    static const std::string kWideSemicolon = "；";
    std::vector<std::string> urls;
    std::string url;
    auto take = [&] {
        const size_t first = url.find_first_not_of(" \t");
        if (first != std::string::npos)
            urls.push_back(url.substr(first, url.find_last_not_of(" \t") - first + 1));
        url.clear();
    };
    for (size_t n = 0; n < setting.size(); ++n) {
        if (setting[n] == ';') {
            take();
        } else if (setting.compare(n, kWideSemicolon.size(), kWideSemicolon) == 0) {
            take();
            n += kWideSemicolon.size() - 1;
        } else {
            url.push_back(setting[n]);
        }
    }
    take();
    return urls;
}

}  // namespace sonivex
