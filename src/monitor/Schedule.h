// The monitoring schedule: timer entries that suspend an input's silence detection for a period,
// their file "sched.txt" and their evaluation on the broadcast clock.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "monitor/Outlets.h"

namespace sonivex {

constexpr char kScheduleFileName[] = "sched.txt";

struct TimerEntry {
    int channel = 0;    // input index, 0-based
    std::string start;  // hh:mm:ss on broadcast-day time (hours may pass 23)
    std::string end;    // not later than start = runs into the next day
    int weekdays = 0;   // bit i = weekday i (0 Sunday); 0 when a date is given
    std::string date;   // yyyy/mm/dd, or "" for a weekday entry

    bool operator==(const TimerEntry&) const = default;
};

// True when the entry covers the broadcast date and time.
bool EntryCovers(const TimerEntry& entry, const std::string& date, const std::string& time);

// The milliseconds of hh:mm:ss or hh:mm:ss.f to .fff (minutes and seconds below 60); nothing for
// any other text.
std::optional<int64_t> TimerTimeMs(const std::string& pText);
// A start or end time the editor accepts: hh:mm:ss, optionally with .f to .fff, minutes and
// seconds below 60, and with a day start above 0 within [day start, day start + 24 h].
bool IsValidTimerTime(const std::string& pText, int dayStartSec);

class ScheduleTable : public ScheduleSource {
  public:
    // In order; the editor changes it directly and the next evaluation sees the change.
    std::vector<TimerEntry> Entries;

    // When the file exists: replaces the entries with its lines. 1 read, 0 no file or a read
    // failure (logged; the entries are kept).
    int InputTimer(const std::string& pFilename);
    // Writes every entry (UTF-8, CR LF), or removes the file when there is none. The old file
    // stays whole until the new one is complete; a link stays a link and the file keeps its mode.
    // A file that the last InputTimer could not read is left alone. 1 written, 0 not (logged).
    int OutputTimer(const std::string& pFilename) const;

    void Evaluate(const std::string& date, const std::string& time, int numInputs,
                  std::array<int, 8>& pause) override;

  private:
    int readError_ = 0;  // errno of a file that exists but could not be read
};

// The fields of one line of the file, split at commas with its quoting.
std::vector<std::string> SplitScheduleLine(const std::string& line);

// The schedule of the data folder (empty when there is no file); never null.
std::unique_ptr<ScheduleTable> LoadSchedule(const std::string& dataFolder);
// Writes the schedule into the data folder; false when it could not (logged).
bool SaveSchedule(const ScheduleTable& table, const std::string& dataFolder);

}  // namespace sonivex
