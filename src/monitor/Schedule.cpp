// Schedule evaluation on the broadcast clock, and loading and saving in the data folder.
#include "monitor/Schedule.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/CivilTime.h"

namespace sonivex {

namespace {

// Day count of a "yyyy/mm/dd" text; nullopt when it is not one.
std::optional<int64_t> DaysOf(const std::string& date) {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(date.c_str(), "%4d/%2d/%2d%c", &y, &m, &d, &tail) != 3) return std::nullopt;
    if (m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
    return DaysFromCivil(y, m, d);
}

std::string DateText(int64_t days) {
    int y = 0, m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    char text[16];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", y, m, d);
    return text;
}

int WeekdayOf(int64_t days) {
    int y = 0, m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    return Weekday(y, m, d);
}

bool HasWeekday(int mask, int weekday) {
    return (mask >> weekday) & 1;
}

// True when the period that starts on `day` holds `now` ("yyyy/mm/dd hh:mm:ss").
bool PeriodFromCovers(const TimerEntry& entry, const std::string& day, bool overnight,
                      const std::string& now) {
    std::string endDay = day;
    if (overnight) {
        const auto startDays = DaysOf(day);
        if (!startDays) return false;
        endDay = DateText(*startDays + 1);
    }
    return day + " " + entry.start <= now && now <= endDay + " " + entry.end;
}

}  // namespace

// All texts are zero-padded, so string order is time order; hours past 23 sort after the day's
// own hours, which is what lets the broadcast day run on past midnight. An overnight weekday entry
// ticked for a day runs on into the next day whether that day is ticked or not, so both today's
// period and yesterday's are looked at.
bool EntryCovers(const TimerEntry& entry, const std::string& date, const std::string& time) {
    const auto today = DaysOf(date);
    if (!today) return false;
    const bool overnight = entry.start >= entry.end;
    const std::string now = DateText(*today) + " " + time;
    if (!entry.date.empty()) return PeriodFromCovers(entry, entry.date, overnight, now);
    for (int back = 0; back <= (overnight ? 1 : 0); ++back) {
        if (HasWeekday(entry.weekdays, WeekdayOf(*today - back)) &&
            PeriodFromCovers(entry, DateText(*today - back), overnight, now))
            return true;
    }
    return false;
}

std::optional<int64_t> TimerTimeMs(const std::string& pText) {
    const size_t n = pText.size();
    const bool form =
        (n == 8 || (n >= 10 && n <= 12 && pText[8] == '.')) && pText[2] == ':' && pText[5] == ':';
    if (!form) return std::nullopt;
    std::string digits;
    for (size_t i = 0; i < n; ++i) {
        if (i == 2 || i == 5 || i == 8) continue;
        if (pText[i] < '0' || pText[i] > '9') return std::nullopt;
        digits += pText[i];
    }
    digits.resize(9, '0');  // hhmmssfff
    const int hh = std::stoi(digits.substr(0, 2)), mm = std::stoi(digits.substr(2, 2));
    const int ss = std::stoi(digits.substr(4, 2)), fff = std::stoi(digits.substr(6, 3));
    if (mm >= 60 || ss >= 60) return std::nullopt;
    return hh * 3'600'000LL + mm * 60'000LL + ss * 1'000LL + fff;
}

bool IsValidTimerTime(const std::string& pText, int dayStartSec) {
    constexpr int64_t kDayMs = 86'400'000;
    const std::optional<int64_t> valueMs = TimerTimeMs(pText);
    if (!valueMs) return false;
    if (dayStartSec <= 0) return true;
    const int64_t fromMs = dayStartSec * 1'000LL;
    return *valueMs >= fromMs && *valueMs <= fromMs + kDayMs;
}

void ScheduleTable::Evaluate(const std::string& date, const std::string& time, int numInputs,
                             std::array<int, 8>& pause) {
    const int inputs = std::min(numInputs, static_cast<int>(pause.size()));
    for (const TimerEntry& entry : Entries) {
        if (entry.channel < 0 || entry.channel >= inputs) continue;
        if (EntryCovers(entry, date, time)) pause[entry.channel] = 1;
    }
}

std::unique_ptr<ScheduleTable> LoadSchedule(const std::string& dataFolder) {
    auto table = std::make_unique<ScheduleTable>();
    table->InputTimer(dataFolder + kScheduleFileName);
    return table;
}

bool SaveSchedule(const ScheduleTable& table, const std::string& dataFolder) {
    return table.OutputTimer(dataFolder + kScheduleFileName) == 1;
}

}  // namespace sonivex
