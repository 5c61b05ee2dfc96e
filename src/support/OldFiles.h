// Pruning of old log files: the log files of this and the maker's other programs last written
// more than `days` days ago by the machine's calendar, and the folders that leaves empty.
#pragma once

#include <cstdint>
#include <string>

#include "platform/CivilTime.h"

namespace sonivex {

void DeleteOldFiles(const std::string& folder, int days = 90);

// "yyyymmdd - host - program.log" or ".err": the only files pruning may delete.
bool IsLogFileName(const std::string& name);

// The daily pruning: once a calendar day, from 12:00:05 of the program clock, whatever hour the
// broadcast day starts at.
class DailyPruning {
  public:
    void Pruned(const LocalDateTime& now);  // a start-up pruning after 12:00:05 counts for its day
    bool Due(const LocalDateTime& now);     // true once per day; marks the day as pruned

  private:
    int64_t lastDay_ = INT64_MIN;
};

}  // namespace sonivex
