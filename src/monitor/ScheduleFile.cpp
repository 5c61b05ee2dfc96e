// The schedule file "sched.txt": five quoted fields per line, read as UTF-8 or the old code page.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "monitor/Schedule.h"
#include "platform/LegacyText.h"
#include "platform/WholeFile.h"
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
    int error = 0;
    const std::optional<std::string> bytes = ReadWholeFile(pFilename, error);
    if (!bytes) {
        if (error != ENOENT) LogFailure("InputTimer", pFilename, error);
        // A file that is there but unreadable holds entries this run cannot see: never replace it.
        readError_ = error == ENOENT ? 0 : error;
        return 0;
    }
    readError_ = 0;
    Entries.clear();
    std::istringstream text(LegacyTextToUtf8(*bytes));
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
    if (readError_ != 0) {
        WriteLog("OutputTimer Not saved " + pFilename + ": it could not be read at start-up (" +
                     std::strerror(readError_) + ")",
                 1);
        return 0;
    }
    // An empty schedule removes the file, but a link stays a link to an emptied file.
    if (Entries.empty() && !IsSymbolicLink(pFilename)) {
        if (::unlink(pFilename.c_str()) != 0 && errno != ENOENT) {
            LogFailure("OutputTimer", pFilename, errno);
            return 0;
        }
        return 1;
    }
    std::string text;
    for (const TimerEntry& e : Entries) text += LineOf(e);
    if (const int error = ReplaceFile(pFilename, text, 0644); error != 0) {
        LogFailure("OutputTimer", pFilename, error);
        return 0;
    }
    return 1;
}

}  // namespace sonivex
