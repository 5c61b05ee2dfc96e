// The text form of a spool entry: "key=value" lines, a blank line, then the body, whose length
// is recorded so that a file cut short by a crash or a full disk is noticed.
#include "delivery/SpoolEntry.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace sonivex {

namespace {

constexpr char kMagic[] = "sonivex-spool 1";

// A value stays on its line whatever it holds.
std::string OneLine(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

bool ParseInt(const std::string& s, int low, int high, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

using Fields = std::map<std::string, std::string>;

// The header lines up to the blank line; false when one is not "key=value".
bool ReadFields(const std::string& head, Fields& f, std::string& problem) {
    size_t start = 0;
    while (start < head.size()) {
        const size_t end = std::min(head.find('\n', start), head.size());
        const std::string line = head.substr(start, end - start);
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            problem = "行が読めません: " + line.substr(0, 60);
            return false;
        }
        f[line.substr(0, eq)] = line.substr(eq + 1);
        start = end + 1;
    }
    return true;
}

bool TakeFields(Fields& f, SpoolEntry& e, size_t& length, std::string& problem) {
    for (const char* key : {"input", "event", "created", "next", "attempts", "sender", "recipients",
                            "subject", "date", "message-id", "length"}) {
        if (f.count(key) == 0) {
            problem = std::string("項目がありません: ") + key;
            return false;
        }
    }
    int input = 0, length32 = 0;
    const bool ok =
        ParseInt(f["input"], 1, 8, input) && ParseInt(f["attempts"], 0, 1000000, e.attempts) &&
        ParseInt(f["length"], 0, 100000000, length32) &&
        (f["event"] == "alert" || f["event"] == "cancel") &&
        ParseDateTime(f["created"].c_str(), e.created) && ParseDateTime(f["next"].c_str(), e.next);
    if (!ok) {
        problem = "項目の値が不正です";
        return false;
    }
    e.input = input - 1;
    e.cancel = f["event"] == "cancel";
    length = static_cast<size_t>(length32);
    e.lastError = f["error"];
    e.sender = f["sender"];
    e.recipients = f["recipients"];
    e.envelope = f["envelope"];
    e.subject = f["subject"];
    e.date = f["date"];
    e.messageId = f["message-id"];
    return true;
}

}  // namespace

std::string DateTimeString(const LocalDateTime& t) {
    std::array<char, 32> buf{};
    std::snprintf(buf.data(), buf.size(), "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buf.data();
}

std::string SpoolText(const SpoolEntry& e) {
    std::string t = std::string(kMagic) + "\n";
    t += "input=" + std::to_string(e.input + 1) + "\n";
    t += std::string("event=") + (e.cancel ? "cancel" : "alert") + "\n";
    t += "created=" + DateTimeString(e.created) + "\n";
    t += "next=" + DateTimeString(e.next) + "\n";
    t += "attempts=" + std::to_string(e.attempts) + "\n";
    t += "error=" + OneLine(e.lastError) + "\n";
    t += "sender=" + OneLine(e.sender) + "\n";
    t += "recipients=" + OneLine(e.recipients) + "\n";
    t += "envelope=" + OneLine(e.envelope) + "\n";
    t += "subject=" + OneLine(e.subject) + "\n";
    t += "date=" + OneLine(e.date) + "\n";
    t += "message-id=" + OneLine(e.messageId) + "\n";
    t += "length=" + std::to_string(e.body.size()) + "\n\n";
    return t + e.body;
}

bool ParseSpoolText(const std::string& text, SpoolEntry& e, std::string& problem) {
    const std::string magic = std::string(kMagic) + "\n";
    if (text.rfind(magic, 0) != 0) {
        problem = "スプールファイルではありません";
        return false;
    }
    const size_t blank = text.find("\n\n", magic.size() - 1);
    if (blank == std::string::npos) {
        problem = "本文がありません";
        return false;
    }
    Fields f;
    size_t length = 0;
    if (!ReadFields(text.substr(magic.size(), blank - magic.size() + 1), f, problem) ||
        !TakeFields(f, e, length, problem))
        return false;
    e.body = text.substr(blank + 2);
    if (e.body.size() != length) {
        problem = "本文の長さが合いません (" + std::to_string(e.body.size()) + "/" +
                  std::to_string(length) + ")";
        return false;
    }
    return true;
}

}  // namespace sonivex
