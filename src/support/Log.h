// The log writer: one stamped line per call to the day's operation log (.log) or error log (.err).
#pragma once

#include <functional>
#include <string>

namespace sonivex {

struct LogConfig {
    std::string folder;       // log folder, with a trailing '/'; "" = no files (echo only)
    int logError = 1;         // 0 = only forced lines are written
    bool errorCatch = false;  // true = a failure inside the writer is not contained (throws)
    std::string title = "sonivex";
    // Called with every operation line (kind 0) that passes the LogError test, stamped,
    // whether or not the file could be written; headless runs print it to stdout.
    std::function<void(const std::string& line)> echo;
};

void ConfigureLog(const LogConfig& config);
const LogConfig& CurrentLogConfig();

// kind 0: operation log; any other kind: error log. force != 0 writes even when LogError is 0.
void WriteLog(const std::string& text, int kind = 0, int force = 0);

// The computer's name, asked once and kept; "" when the system cannot tell.
const std::string& ComputerNameText();

// "" when the writer can keep its files in `folder` (a writable folder, or one it can create
// there, one level deep), else the system's reason. Creates nothing.
std::string LogFolderProblem(const std::string& folder);

// Full path of the day's log file of the given kind ("" folder → relative).
std::string LogFilePath(int kind);

}  // namespace sonivex
