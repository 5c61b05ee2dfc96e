// Calendar arithmetic on plain civil dates (proleptic Gregorian), free of time zones.
#pragma once

#include <cstdint>

namespace sonivex {

struct LocalDateTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Days since 1970-01-01 of a civil date.
int64_t DaysFromCivil(int year, int month, int day);
// The civil date of a day count since 1970-01-01.
void CivilFromDays(int64_t days, int& year, int& month, int& day);
// 0 = Sunday .. 6 = Saturday.
int Weekday(int year, int month, int day);
// Milliseconds since 1970-01-01 00:00:00 of a civil date and time (no zone).
int64_t CivilToMs(const LocalDateTime& t);
LocalDateTime CivilFromMs(int64_t ms);
// Parses "yyyy/mm/dd hh:mm:ss"; false when malformed or out of range.
bool ParseDateTime(const char* text, LocalDateTime& out);

}  // namespace sonivex
