// A fixed ring of stamped operation-log lines.
#include "support/LogRing.h"

#include <array>

namespace sonivex {

namespace {
std::array<std::string, kRecentLogLines> g_lines;
size_t g_count = 0;  // lines remembered since start
}  // namespace

void RememberLogLine(const std::string& line) {
    g_lines[g_count % kRecentLogLines] = line;
    ++g_count;
}

std::vector<std::string> RecentLogLines() {
    std::vector<std::string> out;
    const size_t first = g_count > kRecentLogLines ? g_count - kRecentLogLines : 0;
    for (size_t n = first; n < g_count; ++n) out.push_back(g_lines[n % kRecentLogLines]);
    return out;
}

}  // namespace sonivex
