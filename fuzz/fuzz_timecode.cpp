// libFuzzer target: bytes from the serial clock in time-code mode, and the clock corrections they
// lead to. The codes seen and the corrections made are the same whether the bytes come one at a
// time or in reads of up to a full buffer; the kept text stays short; each correction lands on
// the target, near the time it corrects, on a real calendar date.
//
// The input's last bytes choose the target, the clock's time and how the rest is cut.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "devices/ClockCorrection.h"
#include "devices/FCT_Serial.h"
#include "devices/TimeCode.h"
#include "platform/Clock.h"

namespace {

using sonivex::AdjustTarget;
using sonivex::LocalDateTime;

constexpr size_t kMaxKeptText = 26;

bool InRange(const AdjustTarget& t) {
    return t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
           t.second < 60;
}

bool RealDate(const LocalDateTime& t) {
    LocalDateTime parsed;
    char text[48];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return sonivex::ParseDateTime(text, parsed);
}

// One correction, as ReadTimeCode makes it, checked against the target.
void Correct(sonivex::FakeClock& clock, const AdjustTarget& target) {
    const LocalDateTime before = clock.Now();
    const bool set = sonivex::AdjustClock(clock, target);
    if (set != (target.mode == 2 ? InRange(target) : InRange({0, target.minute, target.second})))
        std::abort();
    if (!set) return;
    const LocalDateTime after = clock.Now();
    const int64_t moved = sonivex::CivilToMs(after) - sonivex::CivilToMs(before);
    // The target lies at most half a minute (mode 0), half an hour (1) or half a day (2) away,
    // plus less than the second, minute or hour that the mode does not round by.
    const int64_t limit = target.mode == 0   ? 31'000
                          : target.mode == 1 ? 31 * 60'000
                                             : 13 * 3'600'000;
    if (moved > limit || moved < -limit || after.second != target.second || !RealDate(after))
        std::abort();
    if (target.mode >= 1 && after.minute != target.minute) std::abort();
    if (target.mode == 2 && after.hour != target.hour) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    AdjustTarget target;
    target.mode = in.ConsumeIntegralInRange(-1, 3);
    target.hour = in.ConsumeIntegralInRange(-1, 24);
    target.minute = in.ConsumeIntegralInRange(-1, 60);
    target.second = in.ConsumeIntegralInRange(-1, 60);
    const LocalDateTime earliest{1971, 1, 1, 0, 0, 0, 0}, latest{9998, 12, 31, 23, 59, 59, 999};
    const int64_t startMs =
        in.ConsumeIntegralInRange(sonivex::CivilToMs(earliest), sonivex::CivilToMs(latest));
    unsigned step = in.ConsumeIntegral<uint16_t>();
    const std::vector<uint8_t> bytes = in.ConsumeRemainingBytes<uint8_t>();

    // One byte at a time: the code each end byte completes.
    sonivex::FakeClock oneClock(sonivex::CivilFromMs(startMs));
    std::string oneText;
    std::vector<std::string> codes(bytes.size());
    int oneCorrections = 0;
    for (size_t k = 0; k < bytes.size(); ++k) {
        codes[k] = sonivex::FeedTimeCode(oneText, &bytes[k], 1, target, [&] {
            ++oneCorrections;
            Correct(oneClock, target);
        });
        if (oneText.size() > kMaxKeptText) std::abort();
    }

    // Reads of 1 to a full buffer: each returns the last code completed within it.
    sonivex::FakeClock readClock(sonivex::CivilFromMs(startMs));
    std::string readText;
    int readCorrections = 0;
    for (size_t at = 0; at < bytes.size();) {
        step = step * 1103515245u + 12345u;
        const size_t n =
            std::min<size_t>(1 + (step >> 16) % sonivex::kTimeCodeReadBytes, bytes.size() - at);
        const std::string last =
            sonivex::FeedTimeCode(readText, &bytes[at], static_cast<int>(n), target, [&] {
                ++readCorrections;
                Correct(readClock, target);
            });
        std::string expected;
        for (size_t k = at; k < at + n; ++k)
            if (!codes[k].empty()) expected = codes[k];
        if (last != expected || readText.size() > kMaxKeptText) std::abort();
        at += n;
    }
    if (readCorrections != oneCorrections) std::abort();
    return 0;
}
