// The log writer: appends one stamped line per call to the day's operation or error log.
#include "support/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/Clock.h"
#include "support/LogRing.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr mode_t kLogFileMode = 0644;
constexpr size_t kHostNameBytes = 256;

LogConfig g_config;

std::string FileDate(const LocalDateTime& t) {
    std::array<char, 32> buf{};
    std::snprintf(buf.data(), buf.size(), "%04d%02d%02d", t.year, t.month, t.day);
    return buf.data();
}

std::string Stamp(const LocalDateTime& t) {
    std::array<char, 48> buf{};
    std::snprintf(buf.data(), buf.size(), "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buf.data();
}

std::string PathFor(int kind, const LocalDateTime& t) {
    return g_config.folder + FileDate(t) + " - " + ComputerNameText() + " - " + g_config.title +
           (kind == 0 ? ".log" : ".err");
}

// Appends `data` to the file at `path`; "" on success, else what went wrong.
std::string AppendToFile(const std::string& path, const std::string& data) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kLogFileMode);
    if (fd < 0) return "cannot open log file " + path + ": " + std::strerror(errno);
    std::string error;
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot write log file " + path + ": " + std::strerror(errno);
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 && error.empty()) {
        error = "cannot close log file " + path + ": " + std::strerror(errno);
    }
    return error;
}

// "" when the log folder is there (creating it one level deep if needed), else the reason.
std::string EnsureFolder(const std::string& folder) {
    if (folder.empty() || FolderExists(folder) || MakeFolder(folder)) return "";
    return "cannot create log folder " + folder + ": " + std::strerror(errno);
}

}  // namespace

std::string LogFolderProblem(const std::string& folder) {
    const std::string path = AddSeparator(folder, 1);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) return std::strerror(ENOTDIR);
        return ::access(path.c_str(), W_OK | X_OK) == 0 ? "" : std::strerror(errno);
    }
    if (errno != ENOENT) return std::strerror(errno);
    const size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (::stat(parent.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return std::strerror(ENOTDIR);
    return ::access(parent.c_str(), W_OK | X_OK) == 0 ? "" : std::strerror(errno);
}

void ConfigureLog(const LogConfig& config) {
    g_config = config;
}

const LogConfig& CurrentLogConfig() {
    return g_config;
}

const std::string& ComputerNameText() {
    static const std::string name = [] {
        std::array<char, kHostNameBytes> buf{};
        if (gethostname(buf.data(), buf.size() - 1) != 0) return std::string();
        return std::string(buf.data());
    }();
    return name;
}

std::string LogFilePath(int kind) {
    return PathFor(kind, ProgramClock().Now());
}

void WriteLog(const std::string& text, int kind, int force) {
    if (g_config.logError == 0 && force == 0) return;
    // One clock reading for the file name and the stamp, so a line at midnight stays in one day.
    const LocalDateTime now = ProgramClock().Now();
    const std::string line = Stamp(now) + " " + text;
    if (kind == 0) RememberLogLine(line);
    if (kind == 0 && g_config.echo) g_config.echo(line);
    if (g_config.folder.empty())
        return;  // not configured yet: no files in whatever folder is current
    std::string error = EnsureFolder(g_config.folder);
    if (error.empty()) error = AppendToFile(PathFor(kind, now), line + "\n");
    // A lost line is accepted in service; the debug switch wants to see why.
    if (!error.empty() && g_config.errorCatch) throw std::runtime_error("WriteLog: " + error);
}

}  // namespace sonivex
