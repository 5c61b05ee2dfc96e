// Signal programs of the simulated capture devices: parsing and exact sample generation.
#include "platform/SimSignal.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>
#include <numeric>

namespace sonivex {

namespace {

constexpr double kFullScale = 32767.0;

std::vector<std::string> Words(std::string_view part) {
    std::vector<std::string> words;
    std::string word;
    for (char c : part) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

bool ToNumber(const std::string& word, double& value) {
    const char* end = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(word.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

const char* Usage(SimSegmentKind kind) {
    switch (kind) {
        case SimSegmentKind::Tone:
            return "tone DB SECONDS";
        case SimSegmentKind::Left:
            return "left DB SECONDS";
        case SimSegmentKind::Right:
            return "right DB SECONDS";
        case SimSegmentKind::Silence:
            return "silence SECONDS";
        case SimSegmentKind::Unplug:
            return "unplug";
        case SimSegmentKind::Gone:
            return "gone SECONDS";
    }
    return "";
}

bool KindOf(const std::string& word, SimSegmentKind& kind) {
    static constexpr std::pair<const char*, SimSegmentKind> kKinds[] = {
        {"tone", SimSegmentKind::Tone},     {"left", SimSegmentKind::Left},
        {"right", SimSegmentKind::Right},   {"silence", SimSegmentKind::Silence},
        {"unplug", SimSegmentKind::Unplug}, {"gone", SimSegmentKind::Gone}};
    for (const auto& [name, k] : kKinds) {
        if (word == name) {
            kind = k;
            return true;
        }
    }
    return false;
}

// Parses one non-empty segment; returns "" or the reason it is malformed.
std::string ParseSegment(const std::vector<std::string>& words, SimSegment& segment) {
    if (!KindOf(words[0], segment.kind)) {
        return "unknown kind '" + words[0] + "' (tone, left, right, silence, unplug, gone)";
    }
    const std::string expected = std::string("expected '") + Usage(segment.kind) + "'";
    const bool hasLevel =
        segment.kind != SimSegmentKind::Silence && segment.kind != SimSegmentKind::Gone;
    const size_t wordCount = segment.kind == SimSegmentKind::Unplug ? 1 : (hasLevel ? 3 : 2);
    if (words.size() != wordCount) return expected;
    if (segment.kind == SimSegmentKind::Unplug) return "";
    if (hasLevel && !ToNumber(words[1], segment.db)) return expected;
    if (!ToNumber(words.back(), segment.seconds)) return expected;
    if (segment.db > 0) return "level " + words[1] + " is above 0 dBFS";
    if (segment.seconds < 0 || segment.seconds > kSimMaxSegmentSeconds) {
        return "duration " + words.back() + " is out of range";
    }
    return "";
}

}  // namespace

bool ParseSimProgram(std::string_view text, SimProgram& out, std::string& error) {
    out.segments.clear();
    error.clear();
    SimProgram program;
    double totalSeconds = 0;
    bool unplugs = false;
    int number = 0;
    size_t begin = 0;
    while (begin <= text.size()) {
        const size_t end = std::min(text.find(';', begin), text.size());
        ++number;
        const std::vector<std::string> words = Words(text.substr(begin, end - begin));
        begin = end + 1;
        if (words.empty()) continue;
        SimSegment segment;
        const std::string reason = ParseSegment(words, segment);
        if (!reason.empty()) {
            error = "segment " + std::to_string(number) + ": " + reason;
            return false;
        }
        if (segment.kind != SimSegmentKind::Gone) totalSeconds += segment.seconds;
        unplugs = unplugs || segment.kind == SimSegmentKind::Unplug;
        program.segments.push_back(segment);
    }
    if (!program.segments.empty() && totalSeconds <= 0 && !unplugs) {
        error = "the program has no length (every duration is 0)";
        return false;
    }
    out = std::move(program);
    return true;
}

SimSignal::SimSignal(const SimProgram& program, uint32_t rate) : rate_(rate) {
    if (rate_ == 0) return;  // no time base: stays silent
    const uint64_t period = rate_ / std::gcd<uint64_t, uint64_t>(rate_, 1000);
    sine_.resize(period);
    for (uint64_t k = 0; k < period; ++k) {
        const double turn = static_cast<double>(k * 1000 % rate_) / rate_;
        sine_[k] = std::sin(2 * std::numbers::pi * turn);
    }
    if (program.segments.empty()) {
        const double amp = kFullScale * std::pow(10.0, kSimDefaultToneDb / 20);
        spans_.push_back(Span{0, UINT64_MAX, amp, amp});
        cycleFrames_ = UINT64_MAX;
        return;
    }
    uint64_t start = 0;
    for (const SimSegment& s : program.segments) {
        if (s.kind == SimSegmentKind::Unplug) {
            unplugFrame_ = start;
            break;
        }
        if (s.kind == SimSegmentKind::Gone) {
            outages_.emplace_back(start, s.seconds);
            continue;
        }
        const auto frames = static_cast<uint64_t>(std::nearbyint(s.seconds * rate_));
        const double amp = kFullScale * std::pow(10.0, s.db / 20);
        const bool left = s.kind == SimSegmentKind::Tone || s.kind == SimSegmentKind::Left;
        const bool right = s.kind == SimSegmentKind::Tone || s.kind == SimSegmentKind::Right;
        if (frames > 0) spans_.push_back(Span{start, frames, left ? amp : 0, right ? amp : 0});
        start += frames;
    }
    cycleFrames_ = start;
}

uint64_t SimSignal::NextOutage(uint64_t from, double& seconds) const {
    if (outages_.empty() || cycleFrames_ == 0 || cycleFrames_ == UINT64_MAX) return kNever;
    // An outage at the program's end is the same moment as one at the start of its repeat.
    for (uint64_t cycle = from / cycleFrames_;; ++cycle) {
        for (const auto& [frame, away] : outages_) {
            if (cycle * cycleFrames_ + frame >= from) {
                seconds = away;
                return cycle * cycleFrames_ + frame;
            }
        }
    }
}

const SimSignal::Span* SimSignal::SpanAt(uint64_t position, size_t& hint) const {
    if (hint >= spans_.size() || position < spans_[hint].start) hint = 0;
    while (hint < spans_.size() && position - spans_[hint].start >= spans_[hint].frames) ++hint;
    return hint < spans_.size() ? &spans_[hint] : nullptr;
}

int16_t SimSignal::Sample(uint64_t frame, int channel) const {
    int16_t pair[2] = {0, 0};
    Fill(frame, pair, 1, 2);
    return pair[channel == 0 ? 0 : 1];
}

void SimSignal::Fill(uint64_t first, int16_t* out, uint64_t frames, int channels) const {
    const int step = channels == 1 ? 1 : 2;
    if (cycleFrames_ == 0) {
        std::fill(out, out + frames * step, int16_t{0});
        return;
    }
    uint64_t position = first % cycleFrames_;
    size_t hint = 0;
    while (frames > 0) {
        const Span* span = SpanAt(position, hint);
        const uint64_t count = std::min(frames, span->start + span->frames - position);
        uint64_t k = position % sine_.size();
        for (uint64_t i = 0; i < count; ++i) {
            out[0] = static_cast<int16_t>(std::nearbyint(span->leftAmp * sine_[k]));
            if (step == 2) out[1] = static_cast<int16_t>(std::nearbyint(span->rightAmp * sine_[k]));
            out += step;
            if (++k == sine_.size()) k = 0;
        }
        frames -= count;
        position += count;
        if (position == cycleFrames_) position = 0;
    }
}

}  // namespace sonivex
