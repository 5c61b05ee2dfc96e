// Broadcast clock.
#include "monitor/BroadcastClock.h"

#include <cstdio>

namespace sonivex {

int BroadcastClock::UpdateClock(const LocalDateTime& now, int hourAdjust) {
    const int s = now.hour * 3600 + now.minute * 60 + now.second;
    int64_t days = DaysFromCivil(now.year, now.month, now.day);
    int hour = now.hour;
    if (s < hourAdjust) {
        hour += 24;
        days -= 1;
    }
    int y, m, d;
    CivilFromDays(days, y, m, d);
    char date[16], time[16];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", y, m, d);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", hour, now.minute, now.second);
    int changed = 0;
    if (time_ != time) {
        time_ = time;
        changed = 1;
    }
    if (date_ != date) {
        date_ = date;
        weekday_ = Weekday(y, m, d);
        changed = 3;
    }
    return changed;
}

const char* WeekdayKanji(int weekday) {
    static const char* const kNames[] = {"日", "月", "火", "水", "木", "金", "土"};
    return kNames[((weekday % 7) + 7) % 7];
}

}  // namespace sonivex
