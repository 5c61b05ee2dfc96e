// Correcting the clock to a target minute and second: the window in which a request counts, the
// time the clock is set to, and the setting itself with its log line.
#pragma once

#include "platform/Clock.h"

namespace sonivex {

struct AdjustTarget {
    int hour = 0;    // AHour (mode 2 only)
    int minute = 0;  // AMinute
    int second = 0;  // ASecond
    int mode = 1;    // AdjustMode: 0 nearest second, 1 nearest minute:second, 2 nearest time
};

constexpr double kSecondsPerDayD = 86400.0;
constexpr double kLastSecondOfDayD = 86399.999;
constexpr double kMinCorrectionGapSeconds = 10.0;  // a second request within this is ignored

// Seconds since midnight with the fraction, at most 86399.999.
double SecondOfDay(const LocalDateTime& t);

// -1 when a request at this second of the day lies outside noAdjustSec of the target minute
// and second of any hour, else 0. noAdjustSec 0 or less: no window.
int CorrectionWindow(int secondOfDay, int noAdjustSec, int aMinute, int aSecond);

// Seconds from `last` to `now` (both seconds of the day); a step back of up to a second counts
// as 0, a larger one as a crossing of midnight.
double SecondsSince(double now, double last);

// The target time nearest to now, on the previous or next day when it lies across midnight.
LocalDateTime CorrectedTime(const LocalDateTime& now, const AdjustTarget& target);

// Sets the clock to CorrectedTime and logs "時刻修正終了 ..." or "時刻修正エラー"; true when set.
bool AdjustClock(Clock& clock, const AdjustTarget& target);

}  // namespace sonivex
