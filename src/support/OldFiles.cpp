// Pruning of old log files by their last-write time, and of the folders that leaves empty.
#include "support/OldFiles.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Clock.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int kPruneSecondOfDay = 12 * 3600 + 5;  // 12:00:05
constexpr size_t kDateDigits = 8;
constexpr char kNamePartSeparator[] = " - ";

bool PastPruneTime(const LocalDateTime& t) {
    return t.hour * 3600 + t.minute * 60 + t.second >= kPruneSecondOfDay;
}

std::vector<std::string> EntryNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
}

// Deleting or removing an entry needs a writable folder; one that was made read-only is opened up.
void MakeWritable(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0) {
        chmod(folder.c_str(), (st.st_mode & 07777) | S_IWUSR | S_IXUSR);
    }
}

void RemoveEmptyFolder(const std::string& parent, const std::string& path) {
    if (rmdir(path.c_str()) == 0 || (errno != EACCES && errno != EPERM)) return;
    MakeWritable(parent);
    rmdir(path.c_str());
}

bool DeleteOldFile(const std::string& parent, const std::string& path) {
    if (DeleteFileSafe(path)) return true;
    MakeWritable(parent);
    return DeleteFileSafe(path) != 0;
}

// Entries are examined without following links: a link is deleted as itself when it is old,
// and a linked folder is never entered, so nothing outside the tree is touched. Only a folder
// that this pruning emptied goes, never one that was empty before (the log folder may be a
// folder of the user's). True when something was deleted.
bool PruneFolder(const std::string& folder, int64_t cutOff) {
    bool deleted = false;
    for (const std::string& name : EntryNames(folder)) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            if (!PruneFolder(path, cutOff)) continue;
            RemoveEmptyFolder(folder, path);
            deleted = true;
        } else if (IsLogFileName(name) && static_cast<int64_t>(st.st_mtime) < cutOff) {
            deleted = DeleteOldFile(folder, path) || deleted;
        }
    }
    return deleted;
}

}  // namespace

bool IsLogFileName(const std::string& name) {
    if (name.size() < kDateDigits + 4) return false;
    for (size_t i = 0; i < kDateDigits; ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    const std::string ext = name.substr(name.size() - 4);
    if (ext != ".log" && ext != ".err") return false;
    const std::string middle = name.substr(kDateDigits, name.size() - kDateDigits - 4);
    // " - host - program": the host may be empty, the program is not.
    if (middle.rfind(kNamePartSeparator, 0) != 0) return false;
    const size_t last = middle.rfind(kNamePartSeparator);
    return last >= 1 && last + 3 < middle.size();
}

void DeleteOldFiles(const std::string& folder, int days) {
    if (days < 0 || !FolderExists(folder)) return;
    const std::string root = AddSeparator(folder, 1);
    if (root.empty()) return;
    // File times are the machine's; a program clock started on another date would misjudge them.
    const int64_t cutOff = CalendarSeconds() - static_cast<int64_t>(days) * kSecondsPerDay;
    // Fails harmlessly while the folder still holds files; the log writer makes it again.
    if (PruneFolder(root, cutOff)) rmdir(root.c_str());
}

void DailyPruning::Pruned(const LocalDateTime& now) {
    if (PastPruneTime(now)) lastDay_ = DaysFromCivil(now.year, now.month, now.day);
}

bool DailyPruning::Due(const LocalDateTime& now) {
    const int64_t day = DaysFromCivil(now.year, now.month, now.day);
    if (day == lastDay_ || !PastPruneTime(now)) return false;
    lastDay_ = day;
    return true;
}

}  // namespace sonivex
