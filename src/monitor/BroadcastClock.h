// The broadcast clock: date and time texts on broadcast-day time, where the day starts at
// `HourAdjust` seconds after midnight and the hours before that count on as 24, 25, ...
#pragma once

#include <string>

#include "platform/CivilTime.h"

namespace sonivex {

class BroadcastClock {
  public:
    // Recomputes both texts for the given local time; 0 = nothing changed, 1 = only the time,
    // 3 = the date changed.
    int UpdateClock(const LocalDateTime& now, int hourAdjust);
    const std::string& BroadcastDate() const { return date_; }  // yyyy/mm/dd
    const std::string& BroadcastTime() const { return time_; }  // hh:mm:ss, hh may pass 23
    // Weekday of BroadcastDate, 0 = Sunday.
    int BroadcastWeekday() const { return weekday_; }

  private:
    std::string date_;
    std::string time_;
    int weekday_ = 0;
};

// "日", "月", ... for 0 = Sunday .. 6 = Saturday.
const char* WeekdayKanji(int weekday);

}  // namespace sonivex
