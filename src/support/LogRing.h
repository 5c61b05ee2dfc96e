// The last operation-log lines, kept in memory for the status server.
#pragma once

#include <string>
#include <vector>

namespace sonivex {

constexpr size_t kRecentLogLines = 50;

void RememberLogLine(const std::string& line);
// Oldest first, at most kRecentLogLines.
std::vector<std::string> RecentLogLines();

}  // namespace sonivex
