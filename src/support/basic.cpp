// Common routines: date and time texts, event pumping, elapsed time, paths and files, message box.
#include "support/basic.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "platform/Clock.h"
#include "support/HeadlessMessageBox.h"

namespace sonivex {

namespace {

constexpr int kSecondsPerDay = 86400;
constexpr int kSecondsPerHour = 3600;
constexpr int kSecondsPerMinute = 60;
constexpr double kLastSecondOfDay = 86399.999;
// Beyond about three centuries an offset is nonsense; keeping it bounded keeps the arithmetic
// exact.
constexpr double kMaxSecOffsetSeconds = 1e10;
constexpr double kMidnightWrapLimitSeconds = -1.0;  // a larger step back means midnight passed
constexpr char kSeparator = '/';

struct Separators {
    const char* date;
    const char* dateTime;
    const char* time;
    const char* millis;
};

Separators SeparatorsFor(int sepMode) {
    if (sepMode == 0) return {"/", " ", ":", "."};
    if (sepMode == 2) return {"-", " ", "_", "_"};
    return {"", "", "", ""};
}

struct TimeFields {
    int64_t days = 0;  // days since 1970-01-01
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

void SplitSeconds(int64_t seconds, TimeFields& f) {
    f.hour = static_cast<int>(seconds / kSecondsPerHour);
    f.minute = static_cast<int>(seconds % kSecondsPerHour / kSecondsPerMinute);
    f.second = static_cast<int>(seconds % kSecondsPerMinute);
}

// The date and time fields before the broadcast-day shift.
TimeFields ClockFields(int dayOffset, int timeSource, int dayStart, double secOffset) {
    const LocalDateTime now = ProgramClock().Now();
    TimeFields f;
    f.days = DaysFromCivil(now.year, now.month, now.day) + dayOffset;
    if (!std::isfinite(secOffset)) secOffset = 0;
    secOffset = std::fmax(-kMaxSecOffsetSeconds, std::fmin(kMaxSecOffsetSeconds, secOffset));
    double s = now.hour * kSecondsPerHour + now.minute * kSecondsPerMinute + now.second +
               now.millisecond / 1000.0 + secOffset;
    const double dayShift = std::floor(s / kSecondsPerDay);
    f.days += static_cast<int64_t>(dayShift);
    s -= dayShift * kSecondsPerDay;
    if (timeSource == 0) {
        const double whole = std::floor(s);
        SplitSeconds(static_cast<int64_t>(whole), f);
        f.millisecond = static_cast<int>(std::lround((s - whole) * 1000.0));
    } else if (timeSource == 2) {
        SplitSeconds(kSecondsPerDay - 1, f);
    } else if (timeSource == 3) {
        SplitSeconds(dayStart, f);
    }
    return f;
}

std::string DatePart(int64_t days, int yearMode, const Separators& sep) {
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    std::array<char, 48> buf{};
    if (yearMode == 0) {
        std::snprintf(buf.data(), buf.size(), "%04d%s", year, sep.date);
    } else if (yearMode == 1) {
        std::snprintf(buf.data(), buf.size(), "%02d%s", ((year % 100) + 100) % 100, sep.date);
    } else {
        std::snprintf(buf.data(), buf.size(), "%s", sep.date);
    }
    std::string text = buf.data();
    std::snprintf(buf.data(), buf.size(), "%02d%s%02d", month, sep.date, day);
    return text + buf.data();
}

std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string StripTrailingSeparator(const std::string& path) {
    if (path.size() > 1 && path.back() == kSeparator) return path.substr(0, path.size() - 1);
    return path;
}

std::string ChangeCase(std::string text, int caseMode) {
    // ASCII only, so that UTF-8 sequences pass unchanged.
    for (char& c : text) {
        if (caseMode == 1 && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (caseMode == 2 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool g_pumping = false;
std::string g_appPath;
MessageBoxService* g_messageBox = nullptr;

}  // namespace

std::string DateTimeText(int dayStart, int dayOffset, int sepMode, int parts, int timeSource,
                         int yearMode, double secOffset) {
    if (parts == 0) parts = 3;
    TimeFields f = ClockFields(dayOffset, timeSource, dayStart, secOffset);
    const int64_t secondOfDay =
        static_cast<int64_t>(f.hour) * kSecondsPerHour + f.minute * kSecondsPerMinute + f.second;
    if (secondOfDay < dayStart) {
        f.hour += 24;
        --f.days;
    }
    const Separators sep = SeparatorsFor(sepMode);
    std::string text;
    if (parts & 1) text = DatePart(f.days, yearMode, sep);
    std::array<char, 64> buf{};
    if (parts & 2) {
        if (!text.empty()) text += sep.dateTime;
        std::snprintf(buf.data(), buf.size(), "%02d%s%02d%s%02d", f.hour, sep.time, f.minute,
                      sep.time, f.second);
        text += buf.data();
    }
    if (parts & 4) {
        std::snprintf(buf.data(), buf.size(), "%s%03d", sep.millis, f.millisecond);
        text += buf.data();
    }
    return text;
}

double TimeOfDaySeconds() {
    const LocalDateTime now = ProgramClock().Now();
    const double s = now.hour * kSecondsPerHour + now.minute * kSecondsPerMinute + now.second +
                     now.millisecond / 1000.0;
    return std::fmax(0.0, std::fmin(kLastSecondOfDay, s));
}

void PumpEvents(int ms, int pauseMs) {
    if (g_pumping) return;
    struct Guard {
        Guard() { g_pumping = true; }
        ~Guard() { g_pumping = false; }
    } guard;
    // Clicks and keys wait for the running tick to end: a menu, a dialog or a question opened
    // from here would hold the tick for as long as it stays open.
    constexpr auto kFlags = QEventLoop::ExcludeUserInputEvents;
    QCoreApplication::processEvents(kFlags);
    if (ms <= 0) return;
    // The program clock decides, but real time bounds the wait: a clock that never moves
    // must not hang the caller.
    const int64_t start = ProgramClock().MonotonicMs();
    QElapsedTimer real;
    real.start();
    for (;;) {
        if (ProgramClock().MonotonicMs() - start > ms || real.elapsed() > ms) return;
        if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        QCoreApplication::processEvents(kFlags);
    }
}

bool PumpingEvents() {
    return g_pumping;
}

double ElapsedSeconds(double start, int mode) {
    double d = TimeOfDaySeconds() - start;
    if (mode == 0 && d < 0) d = d < kMidnightWrapLimitSeconds ? d + kSecondsPerDay : 0.0;
    return d;
}

const std::string& AppPath() {
    return g_appPath;
}

void SetAppPath(const std::string& folder) {
    g_appPath = AddSeparator(folder);
}

std::string AddSeparator(const std::string& path, int remove) {
    std::string text = TrimBlanks(path);
    if (text.empty()) return text;
    const bool endsWithSeparator = text.back() == kSeparator;
    if (remove != 0) {
        if (endsWithSeparator) text.pop_back();
    } else if (!endsWithSeparator) {
        text += kSeparator;
    }
    return text;
}

int FolderExists(const std::string& path) {
    if (path.empty()) return 0;
    struct stat st {};
    if (stat(StripTrailingSeparator(path).c_str(), &st) != 0) return 0;
    return S_ISDIR(st.st_mode) ? 1 : 0;
}

int MakeFolder(const std::string& path) {
    if (path.empty()) return 0;
    constexpr mode_t kFolderMode = 0755;
    return mkdir(StripTrailingSeparator(path).c_str(), kFolderMode) == 0 ? 1 : 0;
}

int FileExists(const std::string& path) {
    if (path.empty()) return 0;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return 0;
    return S_ISDIR(st.st_mode) ? 0 : 1;
}

std::string SplitPath(const std::string& path, bool folder, bool separator, bool baseName, bool dot,
                      bool extension, int caseMode) {
    if (path.empty()) return "";
    const size_t slash = path.rfind(kSeparator);
    const bool hasSeparator = slash != std::string::npos;
    const std::string folderPart = hasSeparator ? path.substr(0, slash) : "";
    const std::string fileName = hasSeparator ? path.substr(slash + 1) : path;
    const size_t dotPos = fileName.rfind('.');
    const bool hasDot = dotPos != std::string::npos;
    std::string result;
    if (folder) result += folderPart;
    if (separator && hasSeparator) result += kSeparator;
    if (baseName) result += hasDot ? fileName.substr(0, dotPos) : fileName;
    if (dot && hasDot) result += '.';
    if (extension && hasDot) result += fileName.substr(dotPos + 1);
    return ChangeCase(result, caseMode);
}

int IsReservedDeviceName(const std::string& path) {
    const std::string base = SplitPath(path, false, false, true, false, false, 2);
    static const std::array<std::string, 5> kNames = {"CON", "PRN", "AUX", "NUL", "CLOCK$"};
    for (const std::string& name : kNames) {
        if (base == name) return 1;
    }
    const bool numbered =
        base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0);
    return numbered && base[3] >= '0' && base[3] <= '9' ? 1 : 0;
}

int DeleteFileSafe(const std::string& path) {
    struct stat st {};
    if (path.empty() || lstat(path.c_str(), &st) != 0) return 1;
    if (IsReservedDeviceName(path)) return 1;
    // A symbolic link is deleted as itself; changing its mode would change its target.
    if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR);
    }
    return unlink(path.c_str()) == 0 ? 1 : 0;
}

void SetMessageBoxService(MessageBoxService* service) {
    g_messageBox = service;
}

int CenteredMsgBox(const std::string& text, int flags, const std::string& title) {
    if (g_messageBox) return g_messageBox->Show(text, flags, title);
    HeadlessMessageBox headless;
    return headless.Show(text, flags, title);
}

}  // namespace sonivex
