// Clock correction arithmetic and the one call that moves the clock.
#include "devices/ClockCorrection.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/Log.h"
#include "support/NumberText.h"

namespace sonivex {

namespace {

constexpr int kSecondsPerHour = 3600;
constexpr int kMinutesPerDay = 1440;
constexpr double kMidnightWrapLimit = -1.0;
constexpr char kErrorLine[] = "時刻修正エラー";
constexpr char kProgramClockOnly[] = " (プログラムの時計のみ修正、システム時計は変更なし)";

std::string StampText(const LocalDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

int MinuteDelta(const LocalDateTime& now, const AdjustTarget& t) {
    switch (t.mode) {
        case 0: {
            const int e = t.second - now.second;
            return e > 30 ? -1 : e <= -30 ? 1 : 0;
        }
        case 1: {
            const int d = t.minute - now.minute;
            return d > 30 ? d - 60 : d <= -30 ? d + 60 : d;
        }
        case 2: {
            int dh = t.hour - now.hour;
            if (dh > 12) dh -= 24;
            if (dh <= -12) dh += 24;
            return dh * 60 + t.minute - now.minute;
        }
        default:
            return 0;
    }
}

// Only mode 2 uses the hour: AHour left over from another mode must not block a correction.
bool ValidTarget(const AdjustTarget& t) {
    const bool hourOk = t.mode != 2 || (t.hour >= 0 && t.hour < 24);
    return hourOk && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second < 60;
}

}  // namespace

double SecondOfDay(const LocalDateTime& t) {
    const double s = t.hour * 3600.0 + t.minute * 60.0 + t.second + t.millisecond / 1000.0;
    return std::fmin(kLastSecondOfDayD, std::fmax(0.0, s));
}

int CorrectionWindow(int secondOfDay, int noAdjustSec, int aMinute, int aSecond) {
    if (noAdjustSec <= 0) return 0;
    const int d = std::abs(secondOfDay % kSecondsPerHour - (aMinute * 60 + aSecond));
    return noAdjustSec <= d && d <= kSecondsPerHour - noAdjustSec ? -1 : 0;
}

double SecondsSince(double now, double last) {
    const double d = now - last;
    if (d >= 0) return d;
    return d >= kMidnightWrapLimit ? 0.0 : d + kSecondsPerDayD;
}

LocalDateTime CorrectedTime(const LocalDateTime& now, const AdjustTarget& target) {
    int t = now.hour * 60 + now.minute + MinuteDelta(now, target);
    int64_t days = DaysFromCivil(now.year, now.month, now.day);
    if (t >= kMinutesPerDay) {
        t -= kMinutesPerDay;
        ++days;
    } else if (t < 0) {
        t += kMinutesPerDay;
        --days;
    }
    LocalDateTime out;
    CivilFromDays(days, out.year, out.month, out.day);
    out.hour = t / 60;
    out.minute = t % 60;
    out.second = target.second;
    return out;
}

bool AdjustClock(Clock& clock, const AdjustTarget& target) {
    const auto start = std::chrono::steady_clock::now();
    const LocalDateTime before = clock.Now();
    if (!ValidTarget(target)) {
        WriteLog("AdjustClock target out of range " + std::to_string(target.hour) + ":" +
                     std::to_string(target.minute) + ":" + std::to_string(target.second),
                 1);
        WriteLog(kErrorLine);
        return false;
    }
    errno = 0;
    if (!clock.SetLocalTime(CorrectedTime(before, target))) {
        WriteLog("SetLocalTime (AdjustClock) Failed r=" + std::to_string(errno), 1);
        WriteLog(kErrorLine);
        return false;
    }
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    WriteLog("時刻修正終了 " + FixedText(took, 6) + " " + StampText(before) + "--" +
             StampText(clock.Now()) + (clock.Shifted() ? kProgramClockOnly : ""));
    return true;
}

}  // namespace sonivex
