// The schedule file "sched.txt": five quoted fields per line, read as UTF-8 or the old code page.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "monitor/Schedule.h"
#include "platform/LegacyText.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr size_t kFieldsPerLine = 5;
// A whole number, or 0 as the old program read anything else.
int NumberOrZero(const std::string& field) {
    const char* begin = field.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (end == begin || *end != '\0' || errno == ERANGE) return 0;
    if (value < INT32_MIN || value > INT32_MAX) return 0;
    return static_cast<int>(value);
}

std::string Quoted(const std::string& field) {
    return "\"" + field + "\"";
}

std::string LineOf(const TimerEntry& e) {
    return Quoted(std::to_string(e.channel)) + "," + Quoted(e.start) + "," + Quoted(e.end) + "," +
           Quoted(std::to_string(e.weekdays)) + "," + Quoted(e.date) + "\r\n";
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void LogFailure(const std::string& what, const std::string& path, int error) {
    WriteLog(what + " Failed " + path + " " + std::strerror(error), 1);
}

}  // namespace

// A quote opens a field only at its start; inside, only a quote before a comma or the end of the
// line closes it, so commas and other quotes in a quoted field are kept.
std::vector<std::string> SplitScheduleLine(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false, atStart = true;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (atStart && c == '"') {
            quoted = true;
        } else if (quoted && c == '"' && (i + 1 == line.size() || line[i + 1] == ',')) {
            quoted = false;
        } else if (!quoted && c == ',') {
            fields.push_back(field);
            field.clear();
            atStart = true;
            continue;
        } else {
            field += c;
        }
        atStart = false;
    }
    fields.push_back(field);
    return fields;
}

int ScheduleTable::InputTimer(const std::string& pFilename) {
    std::ifstream in(pFilename, std::ios::binary);
    if (!in) {
        if (errno != ENOENT) LogFailure("InputTimer", pFilename, errno);
        return 0;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    Entries.clear();
    std::istringstream text(LegacyTextToUtf8(bytes.str()));
    std::string line;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> f = SplitScheduleLine(line);
        if (f.size() < kFieldsPerLine) continue;
        Entries.push_back({NumberOrZero(f[0]), f[1], f[2], NumberOrZero(f[3]), f[4]});
    }
    return 1;
}

int ScheduleTable::OutputTimer(const std::string& pFilename) const {
    if (Entries.empty()) {
        if (::unlink(pFilename.c_str()) != 0 && errno != ENOENT) {
            LogFailure("OutputTimer", pFilename, errno);
            return 0;
        }
        return 1;
    }
    std::string text;
    for (const TimerEntry& e : Entries) text += LineOf(e);
    const std::string tmp = pFilename + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        LogFailure("OutputTimer", tmp, errno);
        return 0;
    }
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    int error = errno;
    ::close(fd);
    if (ok && ::rename(tmp.c_str(), pFilename.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        LogFailure("OutputTimer", pFilename, error);
        return 0;
    }
    return 1;
}

}  // namespace sonivex
